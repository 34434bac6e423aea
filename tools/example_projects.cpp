#include "tools/example_projects.h"

#include <functional>

#include "functions/function_catalogue.h"
#include "functions/default_queues.h"

namespace {

// Type identifiers of the instruction classes.
enum : uint32_t {
    kClearSelection = 0, kFill = 1, kPolygonSelection = 2, kRectSelection = 3, kGradient = 4,
    kShapeLine = 5, kShapeRect = 6, kShapeCircle = 7, kShapeTriangle = 8, kMotionBlur = 9,
    kGaussianBlur = 10, kFragmentationBlur = 11, kHslModify = 12, kCrystallize = 13, kSetSeed = 14,
    kDilateMorph = 15, kErodeMorph = 16, kSelectLayer = 17, kCreateLayer = 18, kSynthesizeTexture = 19,
};

// A value of the given type holding v.
ParamValue OfType(ValueType type, double v) {
    switch (type) {
        case ValueType::Bool: return ParamValue(v != 0);
        case ValueType::Int8: return ParamValue(int8_t(v));
        case ValueType::UInt8: return ParamValue(uint8_t(v));
        case ValueType::Int16: return ParamValue(int16_t(v));
        case ValueType::UInt16: return ParamValue(uint16_t(v));
        case ValueType::Int32: return ParamValue(int32_t(v));
        case ValueType::UInt32: return ParamValue(uint32_t(v));
        case ValueType::Int64: return ParamValue(int64_t(v));
        case ValueType::UInt64: return ParamValue(uint64_t(v));
        case ValueType::Float: return ParamValue(float(v));
        case ValueType::Double: return ParamValue(v);
        case ValueType::None: break;
    }
    return ParamValue();
}

// Builds a queue from catalogue clones; values take the value type that the
// class declares for the name. Notes missing classes instead of failing.
class QueueBuilder {
public:
    using Values = std::vector<std::pair<const char*, double>>;

    QueueBuilder& Add(uint32_t typeId, Values values = {}) {
        const AbstractRasterFunction* prototype = FindPrototypeByTypeId(typeId);
        if (prototype == nullptr) {
            complete_ = false;
            last_ = nullptr;
            return *this;
        }
        queue_.push_back(prototype->Clone());
        last_ = queue_.back().get();
        for (const auto& [name, v] : values) last_->SetValue(name, OfType(last_->GetRecord(name).value.Type(), v));
        return *this;
    }
    // Randomises a parameter of the last instruction added: float kinds take
    // float offsets, every other kind whole-number offsets.
    QueueBuilder& Vary(const char* name, double lo, double hi) {
        if (last_ == nullptr) return *this;
        ParamRecord record = last_->GetRecord(name);
        record.randomized = true;
        const bool isFloat = IsFloatKind(last_->GetKind(name));
        record.offsetMin = isFloat ? ParamValue(float(lo)) : ParamValue(int32_t(lo));
        record.offsetMax = isFloat ? ParamValue(float(hi)) : ParamValue(int32_t(hi));
        last_->SetRecord(name, record);
        return *this;
    }
    QueueBuilder& Colour(const char* prefix, int r, int g, int b, int a) {
        if (last_ == nullptr) return *this;
        const std::string p = prefix;
        for (const auto& [suffix, v] : {std::pair<const char*, int>{"Red", r}, {"Green", g}, {"Blue", b}, {"Alpha", a}})
            last_->SetValue(p + suffix, ParamValue(uint8_t(v)));
        return *this;
    }

    bool Complete() const { return complete_; }
    InstructionList Take() { return std::move(queue_); }

private:
    InstructionList queue_;
    AbstractRasterFunction* last_ = nullptr;
    bool complete_ = true;
};

void Fill(QueueBuilder& q, int r, int g, int b, int a) { q.Add(kFill).Colour("Color_", r, g, b, a); }

void Rect(QueueBuilder& q, int x0, int y0, int x1, int y1, int mode = 0) {
    q.Add(kRectSelection, {{"Pos_StartX", x0}, {"Pos_StartY", y0}, {"Pos_EndX", x1}, {"Pos_EndY", y1},
                           {"Setting_SelectMode", mode}});
}

void Gradient(QueueBuilder& q, int x1, int y1, int x2, int y2) {
    q.Add(kGradient, {{"Point1_X", x1}, {"Point1_Y", y1}, {"Point2_X", x2}, {"Point2_Y", y2}});
}

// Layers: a dusk sky, a mountain on its own half-transparent layer, a sun
// whose colour varies with the seed; Dilate and Erode Morph re-seed.
void Layers(QueueBuilder& q) {
    q.Add(kSetSeed, {{"Seed", 11}});
    Gradient(q, 50, 0, 50, 99);
    q.Colour("Color1_", 255, 140, 40, 255).Colour("Color2_", 40, 30, 110, 255);
    q.Add(kCreateLayer).Add(kCreateLayer);
    q.Add(kSelectLayer, {{"Layer", 1}});
    q.Add(kDilateMorph, {{"Seed", 5}});
    q.Add(kPolygonSelection, {{"Point1_X", -10}, {"Point1_Y", -1}, {"Point2_X", 45}, {"Point2_Y", 70},
                              {"Point3_X", 110}, {"Point3_Y", -1}});
    q.Vary("Point2_X", -20, 20).Vary("Point2_Y", -15, 10);
    Fill(q, 30, 20, 50, 230);
    q.Add(kSelectLayer, {{"Layer", 2}});
    q.Add(kErodeMorph, {{"Seed", 8}});
    Rect(q, 68, 66, 84, 82);
    Fill(q, 255, 230, 120, 200);
    q.Vary("Color_Green", -60, 20).Vary("Color_Blue", -100, 0);
    q.Add(kClearSelection);
    Rect(q, 0, 0, 100, 12);
    Fill(q, 10, 10, 25, 160);
}

// Tiles: a 4 x 4 grid of rectangles, each colour varying with the seed.
void Tiles(QueueBuilder& q) {
    q.Add(kSetSeed, {{"Seed", 2024}});
    Fill(q, 235, 225, 205, 255);
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            Rect(q, col * 25 + 2, row * 25 + 2, col * 25 + 23, row * 25 + 23);
            Fill(q, 40 + col * 50, 90 + row * 30, 200 - col * 40, 255);
            q.Vary("Color_Red", -40, 40).Vary("Color_Green", -40, 40).Vary("Color_Blue", -40, 40);
        }
    }
    q.Add(kClearSelection);
}

// Gradient family: two crossing gradients whose end points and colours move
// with the seed.
void GradientFamily(QueueBuilder& q) {
    q.Add(kSetSeed, {{"Seed", 1}});
    Gradient(q, 0, 0, 99, 99);
    q.Colour("Color1_", 20, 120, 200, 255).Colour("Color2_", 240, 240, 180, 255);
    q.Vary("Point1_X", -30, 30).Vary("Point2_Y", -30, 30).Vary("Color1_Red", 0, 120);
    Gradient(q, 99, 0, 0, 99);
    q.Colour("Color1_", 200, 40, 90, 140).Colour("Color2_", 200, 40, 90, 0);
    q.Vary("Point1_Y", 0, 60).Vary("Color1_Blue", -60, 60);
    q.Add(kPolygonSelection, {{"Point1_X", 50}, {"Point1_Y", 10}, {"Point2_X", 90}, {"Point2_Y", 50},
                              {"Point3_X", 10}, {"Point3_Y", 50}});
    q.Vary("Point1_Y", -10, 10).Vary("Point2_X", -10, 10).Vary("Point3_X", -10, 10);
    Gradient(q, 50, 10, 50, 50);
    q.Colour("Color1_", 255, 255, 255, 220).Colour("Color2_", 20, 20, 40, 220);
}

// Stained glass: a fan of triangles in varied colours with dark leading,
// the leading added to one selection rectangle by rectangle.
void StainedGlass(QueueBuilder& q) {
    q.Add(kSetSeed, {{"Seed", 31}});
    Fill(q, 20, 20, 25, 255);
    const int rim[][2] = {{0, 0}, {50, 0}, {100, 0}, {100, 50}, {100, 100}, {50, 100}, {0, 100}, {0, 50}};
    for (int i = 0; i < 8; ++i) {
        const int* a = rim[i];
        const int* b = rim[(i + 1) % 8];
        q.Add(kPolygonSelection, {{"Point1_X", 50}, {"Point1_Y", 50}, {"Point2_X", a[0]}, {"Point2_Y", a[1]},
                                  {"Point3_X", b[0]}, {"Point3_Y", b[1]}});
        Fill(q, 60 + 25 * i, 200 - 20 * i, 90 + 18 * (i % 4), 255);
        q.Vary("Color_Red", -50, 50).Vary("Color_Blue", -50, 50);
    }
    Rect(q, 48, 0, 52, 100);
    Rect(q, 0, 48, 100, 52, 1);
    Rect(q, 0, 0, 100, 3, 1);
    Rect(q, 0, 97, 100, 100, 1);
    Fill(q, 25, 25, 30, 230);
}

// Plaid: translucent stripes woven on two layers over a base colour.
void Plaid(QueueBuilder& q) {
    q.Add(kSetSeed, {{"Seed", 6}});
    Fill(q, 120, 20, 30, 255);
    q.Vary("Color_Green", 0, 80);
    q.Add(kCreateLayer).Add(kCreateLayer);
    q.Add(kSelectLayer, {{"Layer", 1}});
    for (int i = 0; i < 5; ++i) {
        Rect(q, i * 20 + 4, 0, i * 20 + 12, 100);
        Fill(q, 20, 40, 90, 150);
    }
    q.Add(kSelectLayer, {{"Layer", 2}});
    q.Add(kErodeMorph, {{"Seed", 17}});
    for (int i = 0; i < 5; ++i) {
        Rect(q, 0, i * 20 + 4, 100, i * 20 + 12);
        Fill(q, 30, 90, 40, 130);
        q.Vary("Color_Alpha", -60, 60);
    }
    Rect(q, 0, 9, 100, 10);
    for (int i = 1; i < 5; ++i) Rect(q, 0, i * 20 + 9, 100, i * 20 + 10, 1);
    Fill(q, 240, 220, 120, 200);
    q.Add(kClearSelection);
}

// Shapes: a line, rectangles, circles and triangles, positions per seed.
void Shapes(QueueBuilder& q) {
    q.Add(kSetSeed, {{"Seed", 3}});
    Gradient(q, 0, 0, 0, 99);
    q.Colour("Color1_", 250, 245, 230, 255).Colour("Color2_", 210, 225, 240, 255);
    q.Add(kShapeRect, {{"Point1_X", 8}, {"Point1_Y", 8}, {"Point2_X", 45}, {"Point2_Y", 40},
                       {"Infill_Shape", 1}, {"Line_Thickness", 2}});
    q.Colour("Color1_", 60, 140, 90, 255).Vary("Point2_X", -10, 10);
    q.Add(kShapeCircle, {{"Point1_X", 70}, {"Point1_Y", 65}, {"Circle_Radius", 20}, {"Infill_Shape", 0},
                         {"Line_Thickness", 5}});
    q.Colour("Color1_", 220, 80, 50, 255).Vary("Circle_Radius", -8, 8);
    q.Add(kShapeCircle, {{"Point1_X", 70}, {"Point1_Y", 65}, {"Circle_Radius", 8}, {"Infill_Shape", 1},
                         {"Line_Thickness", 1}});
    q.Colour("Color1_", 240, 190, 40, 255);
    q.Add(kShapeTriangle, {{"Point1_X", 15}, {"Point1_Y", 55}, {"Point2_X", 45}, {"Point2_Y", 90},
                           {"Point3_X", 50}, {"Point3_Y", 55}, {"Infill_Shape", 1}, {"Line_Thickness", 3}});
    q.Colour("Color1_", 70, 70, 160, 200).Vary("Point2_X", -15, 15);
    q.Add(kShapeLine, {{"Point1_X", 5}, {"Point1_Y", 95}, {"Point2_X", 95}, {"Point2_Y", 5},
                       {"Line_Thickness", 3}});
    q.Colour("Color1_", 30, 30, 30, 255).Vary("Point1_Y", -20, 0);
    Rect(q, 55, 0, 100, 30);
    q.Add(kShapeRect, {{"Point1_X", 60}, {"Point1_Y", 5}, {"Point2_X", 120}, {"Point2_Y", 25},
                       {"Infill_Shape", 0}, {"Line_Thickness", 4}});
    q.Colour("Color1_", 150, 60, 150, 255);
}

// Blurs: stripes and dots softened by the three blurs, HSL shifted per seed.
void Blurs(QueueBuilder& q) {
    q.Add(kSetSeed, {{"Seed", 9}});
    Fill(q, 30, 40, 60, 255);
    for (int i = 0; i < 5; ++i) {
        Rect(q, i * 20, 0, i * 20 + 8, 100);
        Fill(q, 230, 200 - i * 30, 60 + i * 35, 255);
    }
    Rect(q, 0, 0, 50, 100);
    q.Add(kMotionBlur, {{"Angle", 45}, {"Distance", 6}});
    q.Vary("Angle", -30, 30);
    Rect(q, 50, 0, 100, 50);
    q.Add(kGaussianBlur, {{"Distance", 3}});
    Rect(q, 50, 50, 100, 100);
    q.Add(kFragmentationBlur, {{"Fragments", 5}, {"Distance", 4}, {"Rotational_Offset", 10}});
    q.Vary("Rotational_Offset", 0, 72);
    q.Add(kClearSelection);
    q.Add(kHslModify, {{"Hue_Offset", 0}, {"Saturation_Multi", 120}, {"Light_Offset", 0}});
    q.Vary("Hue_Offset", -60, 60).Vary("Light_Offset", -10, 10);
}

// Crystals: a gradient broken into crystals with ragged edges, recoloured.
void Crystals(QueueBuilder& q) {
    q.Add(kSetSeed, {{"Seed", 77}});
    Gradient(q, 0, 0, 99, 99);
    q.Colour("Color1_", 30, 90, 160, 255).Colour("Color2_", 170, 230, 250, 255);
    q.Add(kShapeCircle, {{"Point1_X", 50}, {"Point1_Y", 50}, {"Circle_Radius", 28}, {"Infill_Shape", 1},
                         {"Line_Thickness", 1}});
    q.Colour("Color1_", 240, 250, 255, 255);
    q.Add(kCrystallize, {{"Crystal_Size", 12}, {"Crystal_Density", 3}, {"Crystal_Density_SpreadX", 9},
                         {"Crystal_Density_SpreadY", 9}});
    q.Vary("Crystal_Size", -4, 4);
    q.Add(kHslModify, {{"Hue_Offset", 0}, {"Saturation_Multi", 100}, {"Light_Offset", 0}});
    q.Vary("Hue_Offset", -40, 40);
}

// Synthesis: a small hand-made sample quilted into a whole texture.
void Synthesis(QueueBuilder& q) {
    q.Add(kSetSeed, {{"Seed", 4}});
    Fill(q, 120, 80, 50, 255);
    for (int i = 0; i < 4; ++i) {
        Rect(q, i * 7, 0, i * 7 + 3, 30);
        Fill(q, 200, 150, 90, 255);
        q.Vary("Color_Green", -30, 30);
    }
    Rect(q, 0, 12, 30, 16);
    Fill(q, 80, 50, 30, 255);
    q.Add(kClearSelection);
    q.Add(kCreateLayer);
    q.Add(kSelectLayer, {{"Layer", 1}});
    q.Add(kSynthesizeTexture, {{"Donor_Layer", 0}, {"Donor_Select_Point1X", 0}, {"Donor_Select_Point1_Y", 0},
                               {"Donor_Select_Point2_X", 30}, {"Donor_Select_Point2_Y", 30},
                               {"Quilt_Overlap", 3}, {"Quilt_Size", 12}, {"Cut_Edge", 1},
                               {"Transfer_Texture", 0}});
}

}  // namespace

ExampleSet BuildExampleProjects() {
    ExampleSet set;
    set.projects.push_back({"default", "the editor's start-up queue: red left half, blue triangle",
                            MakeDefaultQueue()});
    const std::vector<std::tuple<const char*, const char*, std::function<void(QueueBuilder&)>>> defined{
        {"layers", "three layers: dusk sky, a mountain and a sun that move and change with the seed", Layers},
        {"tiles", "a grid of tiles whose colours vary per seed", Tiles},
        {"gradient_family", "crossing gradients and a lit triangle, all moving with the seed", GradientFamily},
        {"stained_glass", "a fan of coloured glass triangles with dark leading", StainedGlass},
        {"plaid", "translucent stripes woven on two layers", Plaid},
        {"shapes", "lines, rectangles, circles and a triangle", Shapes},
        {"blurs", "stripes softened by motion, Gaussian and fragmentation blurs, hue shifted per seed",
         Blurs},
        {"crystals", "a crystallized gradient with a recoloured disc", Crystals},
        {"synthesis", "a wood-like sample quilted into a whole texture", Synthesis},
    };
    for (const auto& [name, description, build] : defined) {
        QueueBuilder builder;
        build(builder);
        if (builder.Complete())
            set.projects.push_back({name, description, builder.Take()});
        else
            set.missing.push_back(name);
    }
    return set;
}
