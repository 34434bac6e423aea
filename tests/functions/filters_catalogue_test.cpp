// What the shapes and filters share: catalogue places, parameter read order,
// and changing only selected pixels.
#include "functions/crystallize.h"
#include "functions/filter_test_support.h"
#include "functions/fragmentation_blur.h"
#include "functions/gaussian_blur.h"
#include "functions/hsl_modify.h"
#include "functions/motion_blur.h"
#include "functions/shape_circle.h"
#include "functions/shape_line.h"
#include "functions/shape_rect.h"
#include "functions/shape_triangle.h"
#include "instructions/function_catalogue.h"

namespace {

class FiltersCatalogueTest : public CoreTest {};

struct Expected {
    const char* name;
    uint32_t typeId;
    std::vector<const char*> readOrder;  // every parameter, in the order the routine reads it
};

const std::vector<const char*> kShapeColour{"Color1_Alpha", "Color1_Blue", "Color1_Green", "Color1_Red"};
std::vector<const char*> Colour(std::vector<const char*> rest) {
    std::vector<const char*> all = kShapeColour;
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
}

// Catalogue positions 6 .. 14.
const std::vector<Expected> kExpected{
    {"Shape Line", 5, Colour({"Point1_Y", "Point1_X", "Point2_Y", "Point2_X", "Line_Thickness"})},
    {"Shape Rectangle", 6, Colour({"Point1_Y", "Point1_X", "Point2_Y", "Point2_X", "Line_Thickness", "Infill_Shape"})},
    {"Shape Circle", 7, Colour({"Point1_Y", "Point1_X", "Circle_Radius", "Line_Thickness", "Infill_Shape"})},
    {"Shape Triangle", 8,
     Colour({"Point1_Y", "Point1_X", "Point2_Y", "Point2_X", "Point3_Y", "Point3_X", "Line_Thickness", "Infill_Shape"})},
    {"Motion Blur", 9, {"Point1_Y", "Point1_X", "Angle", "Distance"}},
    {"Gaussian Blur", 10, {"Distance"}},
    {"Fragmentation Blur", 11, {"Fragments", "Distance", "Rotational_Offset"}},
    {"HSL Modify", 12, {"Hue_Offset", "Saturation_Multi", "Light_Offset"}},
    {"Crystallize", 13, {"Crystal_Size", "Crystal_Density", "Crystal_Density_SpreadX", "Crystal_Density_SpreadY"}},
};

TEST_F(FiltersCatalogueTest, PrototypesSitAtTheirPositions) {
    const auto& catalogue = functionCatalogue();
    ASSERT_GE(catalogue.size(), 15u);
    for (size_t k = 0; k < kExpected.size(); ++k) {
        const AbstractRasterFunction& f = *catalogue[6 + k];
        EXPECT_EQ(f.GetName(), kExpected[k].name);
        EXPECT_EQ(f.GetTypeId(), kExpected[k].typeId);
        EXPECT_EQ(FindPrototypeByTypeId(kExpected[k].typeId), &f);
        // The map holds exactly the layout's parameters, each at its kind's default.
        size_t parameters = 0;
        for (const ParamLayoutEntry& e : f.GetParameterLayout()) {
            if (IsLayoutOnly(e.kind)) continue;
            ++parameters;
            EXPECT_EQ(f.GetRecord(e.name), DefaultRecord(e.kind)) << e.name;
        }
        EXPECT_EQ(parameters, kExpected[k].readOrder.size()) << f.GetName();
        EXPECT_EQ(f.Parameters().size(), parameters);
    }
    EXPECT_EQ(catalogue[14]->GetKind("Crystal_Density_SpreadX"), uint32_t(kSpread));
    EXPECT_EQ(catalogue[10]->GetKind("Angle"), uint32_t(kFreeFloat));
}

// A stored value and offsets per kind that make each draw matter.
ParamRecord RandomRecord(uint32_t kind) {
    ParamRecord r;
    r.randomized = true;
    switch (kind) {
        case kColorChannel: r.value = U8(128), r.offsetMin = I32(-120), r.offsetMax = I32(120); break;
        case kPosition: r.value = I32(50), r.offsetMin = I32(-45), r.offsetMax = I32(45); break;
        case kToggle: r.value = I32(1); break;
        case kSize: r.value = U32(20), r.offsetMin = I32(-19), r.offsetMax = I32(19); break;
        case kCount: r.value = U32(6), r.offsetMin = I32(-4), r.offsetMax = I32(4); break;
        case kPercent: r.value = U32(100), r.offsetMin = I32(-100), r.offsetMax = I32(100); break;
        case kSignedPercent: r.value = I32(0), r.offsetMin = I32(-60), r.offsetMax = I32(60); break;
        case kCellSize: r.value = U32(12), r.offsetMin = I32(-9), r.offsetMax = I32(9); break;
        case kDensity: r.value = U32(5), r.offsetMin = I32(-5), r.offsetMax = I32(5); break;
        case kFreeFloat: case kSpread: r.value = F32(40.0f), r.offsetMin = F32(-40.0f), r.offsetMax = F32(300.0f); break;
        default: ADD_FAILURE() << "unexpected kind " << kind;
    }
    return r;
}

// With every parameter randomised, the routine must give the image that the
// values drawn in the stated order give, and draw exactly once per parameter.
TEST_F(FiltersCatalogueTest, ParametersAreReadOnceInTheStatedOrder) {
    const PixelBuffer picture = RandomPicture(31);
    for (size_t k = 0; k < kExpected.size(); ++k) {
        const AbstractRasterFunction& prototype = *functionCatalogue()[6 + k];
        for (uint32_t seed : {1u, 2u, 3u}) {
            auto randomised = prototype.Clone();
            for (const ParamLayoutEntry& e : prototype.GetParameterLayout())
                if (!IsLayoutOnly(e.kind)) randomised->SetRecord(e.name, RandomRecord(e.kind));
            // The values the stated order draws.
            ReseedParameterRng(seed);
            auto fixed = prototype.Clone();
            for (const char* name : kExpected[k].readOrder) fixed->SetValue(name, randomised->GetValue(name));
            const uint32_t afterReads = uint32_t(parameterRng()());

            auto raster = RasterWith(picture);
            ReseedParameterRng(seed);
            const PixelBuffer actual = ApplyTo(*raster, *randomised);
            if (k + 6 != 14) {
                EXPECT_EQ(uint32_t(parameterRng()()), afterReads) << prototype.GetName();
            }
            ReseedParameterRng(seed);
            DiscardParameterDraws(kExpected[k].readOrder.size());
            const PixelBuffer expected = ApplyTo(*raster, *fixed);
            EXPECT_TRUE(ImagesEqual(actual, expected, 100, 100)) << prototype.GetName() << " seed " << seed;
        }
    }
}

// Every instruction changes exactly the selected pixels, and those exactly as
// it would with the whole raster selected.
TEST_F(FiltersCatalogueTest, OnlySelectedPixelsChange) {
    const PixelBuffer picture = RandomPicture(32);
    const std::vector<RasterPolygon> selection{{{8, 13}, {30, 95}, {88, 70}, {61, 4}}};
    const InstructionList instructions = Queue(
        MakeDefault<LineRasterFunction>({{"Color1_Alpha", U8(128)}, {"Point2_X", I32(99)}, {"Point2_Y", I32(80)},
                                         {"Line_Thickness", U32(9)}}),
        MakeDefault<ShapeRectRasterFunction>({{"Color1_Red", U8(0)}, {"Point1_X", I32(20)}, {"Point1_Y", I32(5)},
                                              {"Point2_X", I32(90)}, {"Point2_Y", I32(60)}, {"Infill_Shape", I32(1)}}),
        MakeDefault<ShapeCircleRasterFunction>({{"Color1_Blue", U8(0)}, {"Point1_X", I32(50)}, {"Point1_Y", I32(50)},
                                                {"Circle_Radius", U32(30)}, {"Infill_Shape", I32(1)}}),
        MakeDefault<ShapeTriangleRasterFunction>({{"Color1_Green", U8(10)}, {"Point2_X", I32(99)}, {"Point3_Y", I32(99)},
                                                  {"Infill_Shape", I32(1)}}),
        MakeDefault<MotionBlurRasterFunction>({{"Angle", F32(25.0f)}, {"Distance", U32(6)}}),
        MakeDefault<GaussianBlurRasterFunction>({{"Distance", U32(5)}}),
        MakeDefault<FragmentationBlurRasterFunction>({{"Fragments", U32(5)}, {"Distance", U32(7)}}),
        MakeDefault<HSLModifyRasterFunction>({{"Hue_Offset", F32(77.0f)}, {"Light_Offset", I32(10)}}),
        MakeDefault<CrystallizeRasterFunction>({{"Crystal_Size", U32(9)}, {"Crystal_Density", U32(2)},
                                                {"Crystal_Density_SpreadX", F32(20.0f)}}));
    for (const auto& f : instructions) {
        auto whole = RasterWith(picture);
        ReseedParameterRng(9);
        const PixelBuffer all = ApplyTo(*whole, *f);
        auto part = RasterWith(picture, selection);
        ReseedParameterRng(9);
        const PixelBuffer some = ApplyTo(*part, *f);
        std::vector<bool> selected(10000, false);
        for (uint32_t i : part->SelectedIndices()) selected[i] = true;
        size_t changed = 0;
        for (uint32_t i = 0; i < 10000; ++i) {
            ASSERT_EQ(some[i], selected[i] ? all[i] : picture[i]) << f->GetName() << " at index " << i;
            changed += some[i] != picture[i];
        }
        EXPECT_GT(changed, 500u) << f->GetName();
    }
}

}  // namespace
