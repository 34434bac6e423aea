#include "editor_ui/parameter_widgets.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cstdint>

#include "imgui.h"
#include "instructions/instruction_queue.h"

namespace {

constexpr float kWidgetWidth = 100.0f;
constexpr float kOffsetIndent = 50.0f;

bool IsIntegerKind(uint32_t kind) {
    switch (kind) {
    case kColorChannel: case kPosition: case kSize: case kCount: case kPercent:
    case kSignedPercent: case kCellSize: case kIndex: case kDensity: case kOverlap:
    case kPatchSize:
        return true;
    default:
        return false;
    }
}

// Integer kinds edited with a slider or a drag, with the limit applied after
// the widget (ctrl+click text entry is not limited by the widget itself).
struct IntegerWidget {
    bool slider;   // SliderInt, else DragInt with speed 1
    int min, max;  // min not below max: the widget does not limit
};

void MarkIfChanged(bool changed) {
    if (changed) queueDirty = true;
}

void DrawIntegerWidget(AbstractRasterFunction& instruction, const std::string& name, uint32_t kind) {
    const std::string id = "##" + name;
    const ParamValue raw = instruction.GetRawValue(name);
    int v = 0;
    switch (kind) {
    case kColorChannel: v = raw.AsUInt8(); break;
    case kPosition: case kSignedPercent: v = raw.AsInt32(); break;
    default: v = int(raw.AsInt32()); break;  // 32-bit (Index: its low 32 bits)
    }

    IntegerWidget widget{};
    switch (kind) {
    case kColorChannel: widget = {true, 0, 255}; break;
    case kPosition: widget = {false, 0, 0}; break;
    case kSize: widget = {true, 1, 100}; break;
    case kCount: widget = {true, 2, 100}; break;
    case kPercent: widget = {true, 0, 200}; break;
    case kSignedPercent: widget = {true, -100, 100}; break;
    case kCellSize: widget = {true, 2, 100}; break;
    case kIndex: widget = {false, 0, INT_MAX}; break;
    case kDensity: widget = {true, 0, 10}; break;
    case kOverlap: widget = {false, 0, 0}; break;
    case kPatchSize: widget = {false, 3, 0}; break;
    default: return;
    }
    MarkIfChanged(widget.slider ? ImGui::SliderInt(id.c_str(), &v, widget.min, widget.max, "%d")
                                : ImGui::DragInt(id.c_str(), &v, 1.0f, widget.min, widget.max, "%d"));

    switch (kind) {
    case kColorChannel: instruction.SetValue(name, ParamValue(uint8_t(uint32_t(v)))); break;
    case kPosition: instruction.SetValue(name, ParamValue(int32_t(v))); break;
    case kSize: instruction.SetValue(name, ParamValue(uint32_t(std::max(v, 1)))); break;
    case kCount: instruction.SetValue(name, ParamValue(uint32_t(std::max(v, 2)))); break;
    case kPercent: instruction.SetValue(name, ParamValue(uint32_t(std::clamp(v, 0, 200)))); break;
    case kSignedPercent: instruction.SetValue(name, ParamValue(int32_t(std::clamp(v, -100, 100)))); break;
    case kCellSize: instruction.SetValue(name, ParamValue(uint32_t(std::clamp(v, 2, 100)))); break;
    case kIndex: instruction.SetValue(name, ParamValue(uint64_t(std::clamp(v, 0, INT_MAX)))); break;
    case kDensity: instruction.SetValue(name, ParamValue(uint32_t(std::clamp(v, 0, 10)))); break;
    case kOverlap: instruction.SetValue(name, ParamValue(uint32_t(std::max(v, 0)))); break;
    case kPatchSize: instruction.SetValue(name, ParamValue(uint32_t(std::max(v, 3)))); break;
    default: break;
    }
}

void DrawFloatWidget(AbstractRasterFunction& instruction, const std::string& name, uint32_t kind) {
    const std::string id = "##" + name;
    float f = instruction.GetRawValue(name).AsFloat();
    switch (kind) {
    case kFineFloat:
        MarkIfChanged(ImGui::DragFloat(id.c_str(), &f, 0.1f, 0.0f, 0.0f, "%.3f"));
        break;
    case kFreeFloat:
        MarkIfChanged(ImGui::DragFloat(id.c_str(), &f, 1.0f, 0.0f, 0.0f, "%.3f"));
        break;
    case kSpread:
        MarkIfChanged(ImGui::DragFloat(id.c_str(), &f, 1.0f, 0.0f, FLT_MAX, "%.3f"));
        f = std::clamp(f, 0.0f, FLT_MAX);  // a NaN from a file stays NaN
        break;
    default:
        return;
    }
    instruction.SetValue(name, ParamValue(f));
}

}  // namespace

void DrawParameterRows(AbstractRasterFunction& instruction) {
    const ParamLayout layout = instruction.GetParameterLayout();
    float widestName = 0.0f;
    for (const ParamLayoutEntry& entry : layout)
        widestName = std::max(widestName, ImGui::CalcTextSize(entry.name.c_str()).x);
    const float valueColumn = widestName + 15.0f + 25.0f;

    for (const ParamLayoutEntry& entry : layout) {
        if (!IsLayoutOnly(entry.kind)) {
            ParamRecord record = instruction.GetRecord(entry.name);
            const std::string id = "##" + entry.name + "RandomizedCheckbox";
            MarkIfChanged(ImGui::Checkbox(id.c_str(), &record.randomized));
            // Written back every frame: a name missing from the map is inserted
            // here and given the kind's value type by the widget below.
            instruction.SetRecord(entry.name, record);
            ImGui::SameLine();
            ImGui::Text("%s", entry.name.c_str());
        }
        ImGui::SameLine(valueColumn);
        DrawParameterWidget(instruction, entry);
        if (instruction.GetRecord(entry.name).randomized) {
            ImGui::NewLine();
            ImGui::SameLine(kOffsetIndent);
            DrawRandomisationControls(instruction, entry);
        }
    }
}

void DrawParameterWidget(AbstractRasterFunction& instruction, const ParamLayoutEntry& entry) {
    ImGui::SetNextItemWidth(kWidgetWidth);
    const std::string& name = entry.name;
    switch (entry.kind) {
    case kSeparator:
        ImGui::Dummy(ImVec2(0, 30));
        ImGui::Separator();
        ImGui::Dummy(ImVec2(0, 10));
        break;
    case kSpace:
        ImGui::Dummy(ImVec2(0, 30));
        break;
    case kToggle: {
        bool ticked = instruction.GetRawValue(name).AsUInt32() != 0;
        MarkIfChanged(ImGui::Checkbox(("##" + name).c_str(), &ticked));
        instruction.SetValue(name, ParamValue(int32_t(ticked ? 1 : 0)));
        break;
    }
    case kFineFloat: case kFreeFloat: case kSpread:
        DrawFloatWidget(instruction, name, entry.kind);
        break;
    default:
        if (IsIntegerKind(entry.kind)) DrawIntegerWidget(instruction, name, entry.kind);
        break;  // unknown kinds draw nothing
    }
}

void DrawRandomisationControls(AbstractRasterFunction& instruction, const ParamLayoutEntry& entry) {
    if (entry.kind == kToggle) {
        ImGui::Text("%s", "Randomized Boolean");  // a toggle has no offsets to edit
        return;
    }
    ParamRecord record = instruction.GetRecord(entry.name);
    ImGui::Text("%s", "Random Offset ");
    ImGui::SameLine();
    ImGui::Text("%s", "Min: ");
    ImGui::SameLine();
    DrawOffsetWidget(entry.name + "min", entry.kind, record.offsetMin, std::nullopt, record.offsetMax);
    ImGui::SameLine();
    ImGui::Text("%s", "Max: ");
    ImGui::SameLine();
    DrawOffsetWidget(entry.name + "max", entry.kind, record.offsetMax, record.offsetMin, std::nullopt);
    instruction.SetRecord(entry.name, record);
}

void DrawOffsetWidget(const std::string& label, uint32_t kind, ParamValue& value,
                      const std::optional<ParamValue>& lower, const std::optional<ParamValue>& upper) {
    const std::string id = "##" + label;
    if (IsIntegerKind(kind)) {
        ImGui::SetNextItemWidth(kWidgetWidth);
        int v = value.AsInt32();
        const int lo = lower ? lower->AsInt32() : INT_MIN;
        const int hi = upper ? upper->AsInt32() : INT_MAX;
        const char* format = v >= 1 ? "+%d" : "%d";
        MarkIfChanged(ImGui::DragInt(id.c_str(), &v, 1.0f, lo, hi, format));
        v = std::clamp(v, std::min(lo, hi), std::max(lo, hi));
        value = ParamValue(int32_t(v));
    } else if (IsFloatKind(kind)) {
        ImGui::SetNextItemWidth(kWidgetWidth);
        float f = value.AsFloat();
        const float lo = lower ? lower->AsFloat() : -100000.0f;
        const float hi = upper ? upper->AsFloat() : 100000.0f;
        const char* format = f > 0.0f ? "+%.3f" : "%.3f";
        MarkIfChanged(ImGui::DragFloat(id.c_str(), &f, 0.1f, lo, hi, format));
        f = std::clamp(f, std::min(lo, hi), std::max(lo, hi));
        value = ParamValue(f);
    }
}
