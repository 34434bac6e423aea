#pragma once
// The generic Details-panel widgets: one row per entry of an instruction's
// parameter layout, each with a "randomised" checkbox, the parameter's name, a
// value widget chosen by its kind (the kind table says which, with its limits,
// speed and format) and, when randomised, a line of offset widgets. Every
// widget that reports a change sets `changed` (the document's queueDirty).
// The widgets keep no state: each frame reads the instruction's map and
// writes it back, so drawing a parameter gives its stored value the kind's
// value type.
#include <optional>
#include <string>

#include "instructions/abstract_raster_function.h"

// The body of the "Details Child Box" for one instruction.
void DrawParameterRows(AbstractRasterFunction& instruction, bool& changed);

// The four channels `<prefix>Red`, `<prefix>Green`, `<prefix>Blue`,
// `<prefix>Alpha` (prefix "Color_", "Color1_", "Color2_") as 0 .. 1 floats,
// and back, each rounded to the nearest 8-bit value.
void ReadColorChannels(const AbstractRasterFunction& instruction, const std::string& prefix, float rgba[4]);
void WriteColorChannels(AbstractRasterFunction& instruction, const std::string& prefix, const float rgba[4]);

// The value widget of one layout entry (Separator and Space only add spacing).
void DrawParameterWidget(AbstractRasterFunction& instruction, const ParamLayoutEntry& entry, bool& changed);

// The offset line of one randomised parameter ("Randomized Boolean" for a Toggle).
void DrawRandomisationControls(AbstractRasterFunction& instruction, const ParamLayoutEntry& entry, bool& changed);

// One offset widget editing `value` in place, kept within the optional limits
// (the minimum offset gets the maximum as upper limit and vice versa). Integer
// kinds store Int32, float kinds Float; other kinds draw nothing.
void DrawOffsetWidget(const std::string& label, uint32_t kind, ParamValue& value,
                      const std::optional<ParamValue>& lower, const std::optional<ParamValue>& upper, bool& changed);
