#include "functions/default_queues.h"

#include "functions/fill.h"
#include "functions/polygon_selection.h"
#include "functions/rect_selection.h"
#include "functions/set_seed.h"

namespace {

std::unique_ptr<AbstractRasterFunction> MakeSetSeed(uint64_t seed) {
    auto setSeed = std::make_unique<SetSeedRasterFunction>();
    setSeed->SetValue("Seed", ParamValue(seed));
    return setSeed;
}

std::unique_ptr<AbstractRasterFunction> MakeFill(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    auto fill = std::make_unique<FillRasterFunction>();
    fill->SetValue("Color_Red", ParamValue(r));
    fill->SetValue("Color_Green", ParamValue(g));
    fill->SetValue("Color_Blue", ParamValue(b));
    fill->SetValue("Color_Alpha", ParamValue(a));
    return fill;
}

}  // namespace

InstructionList MakeNewQueue() {
    InstructionList queue;
    queue.push_back(MakeSetSeed(0));
    return queue;
}

InstructionList MakeDefaultQueue() {
    InstructionList queue;
    queue.push_back(MakeSetSeed(0));

    auto rect = std::make_unique<RectSelectionRasterFunction>();
    rect->SetValue("Pos_StartX", ParamValue(int32_t(0)));
    rect->SetValue("Pos_StartY", ParamValue(int32_t(0)));
    rect->SetValue("Pos_EndX", ParamValue(int32_t(50)));
    rect->SetValue("Pos_EndY", ParamValue(int32_t(100)));
    rect->SetValue("Setting_SelectMode", ParamValue(int32_t(0)));
    queue.push_back(std::move(rect));

    queue.push_back(MakeFill(255, 0, 0, 255));

    auto polygon = std::make_unique<PolygonSelectionRasterFunction>();
    polygon->SetValue("Point1_X", ParamValue(int32_t(25)));
    polygon->SetValue("Point1_Y", ParamValue(int32_t(71)));
    polygon->SetValue("Point2_X", ParamValue(int32_t(61)));
    polygon->SetValue("Point2_Y", ParamValue(int32_t(17)));
    polygon->SetValue("Point3_X", ParamValue(int32_t(80)));
    polygon->SetValue("Point3_Y", ParamValue(int32_t(85)));
    polygon->SetValue("Setting_SelectMode", ParamValue(int32_t(0)));
    queue.push_back(std::move(polygon));

    queue.push_back(MakeFill(0, 0, 255, 255));
    return queue;
}
