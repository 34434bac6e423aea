#include "instructions/instruction_queue.h"

#include "functions/fill.h"
#include "functions/polygon_selection.h"
#include "functions/rect_selection.h"
#include "functions/set_seed.h"
#include "instructions/function_catalogue.h"

InstructionList instructionQueue;
bool queueDirty = true;
std::vector<int32_t> removalRequests;
int32_t selectedIndex = -1;
int32_t draggedIndex = -1;

int SwapInstructions(InstructionList& queue, int a, int b) {
    const int size = int(queue.size());
    if (a < 0 || b < 0 || a >= size || b >= size) return a;
    std::swap(queue[size_t(a)], queue[size_t(b)]);
    return b;
}

void AddInstruction(int cataloguePosition) {
    const auto& catalogue = functionCatalogue();
    if (cataloguePosition < 0 || size_t(cataloguePosition) >= catalogue.size()) return;
    instructionQueue.push_back(catalogue[size_t(cataloguePosition)]->Clone());
    queueDirty = true;
}

bool ApplyRemovalRequests() {
    if (removalRequests.empty()) return false;
    while (!removalRequests.empty()) {
        const int32_t index = removalRequests.back();
        removalRequests.pop_back();
        if (index >= 0 && size_t(index) < instructionQueue.size())
            instructionQueue.erase(instructionQueue.begin() + index);
    }
    queueDirty = true;
    return true;
}

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

void ResetToNewQueue() {
    instructionQueue.clear();
    instructionQueue.push_back(MakeSetSeed(0));
    selectedIndex = -1;
    draggedIndex = -1;
    queueDirty = true;
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

void ResetQueueState() {
    instructionQueue.clear();
    queueDirty = true;
    removalRequests.clear();
    selectedIndex = -1;
    draggedIndex = -1;
}
