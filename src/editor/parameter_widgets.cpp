#include "editor/parameter_widgets.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "editor/parameter_help.h"
#include "imgui.h"

namespace {

constexpr float kWidgetWidth = 100.0f;
constexpr float kOffsetIndent = 50.0f;

// Kinds edited with an integer slider or drag; their offsets are Int32.
bool IsIntegerKind(const ParamKindInfo& info) {
    return info.widget == KindWidget::kSlider || (info.widget == KindWidget::kDrag && !info.isFloat);
}

// The widget's value within the kind's edit limit (a text entry is not
// limited by the widget itself).
int64_t WithinEditLimit(int64_t v, const ParamKindInfo& info) {
    if (double(v) < info.editLimit.low) v = int64_t(info.editLimit.low);
    if (double(v) > info.editLimit.high) v = int64_t(info.editLimit.high);
    return v;
}

void DrawIntegerWidget(AbstractRasterFunction& instruction, const std::string& name, const ParamKindInfo& info,
                       bool& changed) {
    const std::string id = "##" + name;
    const ParamValue raw = instruction.GetRawValue(name);
    // The kind's type read as a signed 32-bit widget value (Index: its low 32 bits).
    int v = info.valueType == ValueType::UInt8 ? int(raw.AsUInt8()) : int(raw.AsInt32());
    const int lo = int(info.widgetMin), hi = int(info.widgetMax);
    if (info.widget == KindWidget::kSlider ? ImGui::SliderInt(id.c_str(), &v, lo, hi, info.format)
                                           : ImGui::DragInt(id.c_str(), &v, info.speed, lo, hi, info.format))
        changed = true;
    instruction.SetValue(name, KindValue(info.kind, double(WithinEditLimit(v, info))));
}

void DrawFloatWidget(AbstractRasterFunction& instruction, const std::string& name, const ParamKindInfo& info,
                     bool& changed) {
    const std::string id = "##" + name;
    float f = instruction.GetRawValue(name).AsFloat();
    if (ImGui::DragFloat(id.c_str(), &f, info.speed, float(info.widgetMin), float(info.widgetMax), info.format))
        changed = true;
    // A NaN from a file stays NaN.
    if (f < info.editLimit.low) f = float(info.editLimit.low);
    if (f > info.editLimit.high) f = float(info.editLimit.high);
    instruction.SetValue(name, ParamValue(f));
}

constexpr const char* kChannels[4] = {"Red", "Green", "Blue", "Alpha"};

// "Color1_" for "Color1_Red" when the layout holds the group's other three
// channels; "" otherwise.
std::string ColorGroupOf(const ParamLayout& layout, const std::string& name) {
    const std::string suffix = "Red";
    if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return "";
    const std::string prefix = name.substr(0, name.size() - suffix.size());
    for (const char* channel : kChannels) {
        bool found = false;
        for (const ParamLayoutEntry& entry : layout)
            found = found || (entry.kind == kColorChannel && entry.name == prefix + channel);
        if (!found) return "";
    }
    return prefix;
}

// A swatch of the group's colour; clicking it opens a picker whose edit sets
// all four channels (one undo step: the edit settles when the mouse is up).
void DrawColorSwatch(AbstractRasterFunction& instruction, const std::string& prefix, bool& changed) {
    float rgba[4];
    ReadColorChannels(instruction, prefix, rgba);
    const ImGuiColorEditFlags flags = ImGuiColorEditFlags_NoInputs | ImGuiColorEditFlags_NoLabel |
                                      ImGuiColorEditFlags_AlphaBar | ImGuiColorEditFlags_AlphaPreviewHalf |
                                      ImGuiColorEditFlags_Uint8;
    if (ImGui::ColorEdit4(("##" + prefix + "Swatch").c_str(), rgba, flags)) {
        WriteColorChannels(instruction, prefix, rgba);
        changed = true;
    }
}

}  // namespace

void ReadColorChannels(const AbstractRasterFunction& instruction, const std::string& prefix, float rgba[4]) {
    for (int i = 0; i < 4; ++i) rgba[i] = float(instruction.GetRawValue(prefix + kChannels[i]).AsUInt8()) / 255.0f;
}

void WriteColorChannels(AbstractRasterFunction& instruction, const std::string& prefix, const float rgba[4]) {
    for (int i = 0; i < 4; ++i) {
        const float v = std::isnan(rgba[i]) ? 0.0f : std::clamp(rgba[i], 0.0f, 1.0f);
        instruction.SetValue(prefix + kChannels[i], ParamValue(uint8_t(std::lround(v * 255.0f))));
    }
}

void DrawParameterRows(AbstractRasterFunction& instruction, bool& changed) {
    const ParamLayout layout = instruction.GetParameterLayout();
    float widestName = 0.0f;
    for (const ParamLayoutEntry& entry : layout)
        widestName = std::max(widestName, ImGui::CalcTextSize(entry.name.c_str()).x);
    const float valueColumn = widestName + 15.0f + 25.0f;
    const std::string instructionName = instruction.GetName();

    for (const ParamLayoutEntry& entry : layout) {
        if (!IsLayoutOnly(entry.kind)) {
            ParamRecord record = instruction.GetRecord(entry.name);
            const std::string id = "##" + entry.name + "RandomizedCheckbox";
            if (ImGui::Checkbox(id.c_str(), &record.randomized)) changed = true;
            if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", kRandomiseHelp);
            // Written back every frame: a name missing from the map is inserted
            // here and given the kind's value type by the widget below.
            instruction.SetRecord(entry.name, record);
            ImGui::SameLine();
            ImGui::Text("%s", entry.name.c_str());
            if (ImGui::IsItemHovered())
                ImGui::SetTooltip("%s", ParameterHelp(instructionName, entry.name, entry.kind).c_str());
        }
        ImGui::SameLine(valueColumn);
        DrawParameterWidget(instruction, entry, changed);
        if (entry.kind == kColorChannel) {
            const std::string group = ColorGroupOf(layout, entry.name);
            if (!group.empty()) {
                ImGui::SameLine();
                DrawColorSwatch(instruction, group, changed);
            }
        }
        if (instruction.GetRecord(entry.name).randomized) {
            ImGui::NewLine();
            ImGui::SameLine(kOffsetIndent);
            DrawRandomisationControls(instruction, entry, changed);
        }
    }
}

void DrawParameterWidget(AbstractRasterFunction& instruction, const ParamLayoutEntry& entry, bool& changed) {
    ImGui::SetNextItemWidth(kWidgetWidth);
    const ParamKindInfo& info = KindInfo(entry.kind);
    if (entry.kind == kSeparator) {
        ImGui::Dummy(ImVec2(0, 30));
        ImGui::Separator();
        ImGui::Dummy(ImVec2(0, 10));
    } else if (entry.kind == kSpace) {
        ImGui::Dummy(ImVec2(0, 30));
    } else if (info.widget == KindWidget::kCheckbox) {
        bool ticked = instruction.GetRawValue(entry.name).AsUInt32() != 0;
        if (ImGui::Checkbox(("##" + entry.name).c_str(), &ticked)) changed = true;
        instruction.SetValue(entry.name, ParamValue(int32_t(ticked ? 1 : 0)));
    } else if (info.widget != KindWidget::kNone) {
        if (info.isFloat)
            DrawFloatWidget(instruction, entry.name, info, changed);
        else
            DrawIntegerWidget(instruction, entry.name, info, changed);
    }  // unknown kinds draw nothing
}

void DrawRandomisationControls(AbstractRasterFunction& instruction, const ParamLayoutEntry& entry, bool& changed) {
    if (KindInfo(entry.kind).widget == KindWidget::kCheckbox) {
        ImGui::Text("%s", "Randomized Boolean");  // a toggle has no offsets to edit
        return;
    }
    ParamRecord record = instruction.GetRecord(entry.name);
    ImGui::Text("%s", "Random Offset ");
    ImGui::SameLine();
    ImGui::Text("%s", "Min: ");
    ImGui::SameLine();
    DrawOffsetWidget(entry.name + "min", entry.kind, record.offsetMin, std::nullopt, record.offsetMax, changed);
    ImGui::SameLine();
    ImGui::Text("%s", "Max: ");
    ImGui::SameLine();
    DrawOffsetWidget(entry.name + "max", entry.kind, record.offsetMax, record.offsetMin, std::nullopt, changed);
    instruction.SetRecord(entry.name, record);
}

void DrawOffsetWidget(const std::string& label, uint32_t kind, ParamValue& value,
                      const std::optional<ParamValue>& lower, const std::optional<ParamValue>& upper, bool& changed) {
    const std::string id = "##" + label;
    const ParamKindInfo& info = KindInfo(kind);
    if (IsIntegerKind(info)) {
        ImGui::SetNextItemWidth(kWidgetWidth);
        int v = value.AsInt32();
        const int lo = lower ? lower->AsInt32() : INT_MIN;
        const int hi = upper ? upper->AsInt32() : INT_MAX;
        const char* format = v >= 1 ? "+%d" : "%d";
        if (ImGui::DragInt(id.c_str(), &v, 1.0f, lo, hi, format)) changed = true;
        v = std::clamp(v, std::min(lo, hi), std::max(lo, hi));
        value = ParamValue(int32_t(v));
    } else if (info.isFloat) {
        ImGui::SetNextItemWidth(kWidgetWidth);
        float f = value.AsFloat();
        const float lo = lower ? lower->AsFloat() : -100000.0f;
        const float hi = upper ? upper->AsFloat() : 100000.0f;
        const char* format = f > 0.0f ? "+%.3f" : "%.3f";
        if (ImGui::DragFloat(id.c_str(), &f, 0.1f, lo, hi, format)) changed = true;
        f = std::clamp(f, std::min(lo, hi), std::max(lo, hi));
        value = ParamValue(f);
    }
}
