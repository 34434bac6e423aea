#include "editor/parameter_help.h"

#include <cstring>

#include "instructions/param_kind.h"

namespace {

struct Meaning {
    const char* instruction;  // nullptr: any instruction
    const char* parameter;
    const char* text;
};

// The first row that matches both the instruction and the parameter wins.
const Meaning kMeanings[] = {
    {nullptr, "Setting_SelectMode", "Off: the region replaces the selection. On: it is added to the selection."},
    {"Rectangular Selection", "Pos_StartX", "One corner of the selected rectangle, x (from the left)."},
    {"Rectangular Selection", "Pos_StartY", "One corner of the selected rectangle, y (from the bottom)."},
    {"Rectangular Selection", "Pos_EndX", "The opposite corner of the rectangle, x."},
    {"Rectangular Selection", "Pos_EndY", "The opposite corner of the rectangle, y."},
    {"Polygon Selection", "Point1_X", "First corner of the selected triangle, x (from the left)."},
    {"Polygon Selection", "Point1_Y", "First corner of the selected triangle, y (from the bottom)."},
    {"Polygon Selection", "Point2_X", "Second corner of the triangle, x."},
    {"Polygon Selection", "Point2_Y", "Second corner of the triangle, y."},
    {"Polygon Selection", "Point3_X", "Third corner of the triangle, x."},
    {"Polygon Selection", "Point3_Y", "Third corner of the triangle, y."},
    {"Gradient", "Point1_X", "Where the ramp has the first colour, x (from the left)."},
    {"Gradient", "Point1_Y", "Where the ramp has the first colour, y (from the bottom)."},
    {"Gradient", "Point2_X", "Where the ramp has the second colour, x."},
    {"Gradient", "Point2_Y", "Where the ramp has the second colour, y."},
    {"Shape Circle", "Point1_X", "Centre of the circle, x (from the left)."},
    {"Shape Circle", "Point1_Y", "Centre of the circle, y (from the bottom)."},
    {"Shape Line", "Point1_X", "Start of the line, x (from the left)."},
    {"Shape Line", "Point1_Y", "Start of the line, y (from the bottom)."},
    {"Shape Line", "Point2_X", "End of the line, x."},
    {"Shape Line", "Point2_Y", "End of the line, y."},
    {"Shape Rectangle", "Point1_X", "One corner of the rectangle, x (from the left)."},
    {"Shape Rectangle", "Point1_Y", "One corner of the rectangle, y (from the bottom)."},
    {"Shape Rectangle", "Point2_X", "The opposite corner, x."},
    {"Shape Rectangle", "Point2_Y", "The opposite corner, y."},
    {"Motion Blur", "Point1_X", "Read but not used by the blur (kept for its place in the random sequence)."},
    {"Motion Blur", "Point1_Y", "Read but not used by the blur (kept for its place in the random sequence)."},
    {nullptr, "Point1_X", "First corner, x (from the left)."},
    {nullptr, "Point1_Y", "First corner, y (from the bottom)."},
    {nullptr, "Point2_X", "Second corner, x."},
    {nullptr, "Point2_Y", "Second corner, y."},
    {nullptr, "Point3_X", "Third corner, x."},
    {nullptr, "Point3_Y", "Third corner, y."},
    {"Fill", "Color_Red", "Red of the fill colour."},
    {"Fill", "Color_Green", "Green of the fill colour."},
    {"Fill", "Color_Blue", "Blue of the fill colour."},
    {"Fill", "Color_Alpha", "Opacity of the fill colour (0 transparent, 255 opaque)."},
    {"Gradient", "Color1_Red", "Red of the first colour."},
    {"Gradient", "Color1_Green", "Green of the first colour."},
    {"Gradient", "Color1_Blue", "Blue of the first colour."},
    {"Gradient", "Color1_Alpha", "Opacity of the first colour (0 transparent, 255 opaque)."},
    {nullptr, "Color1_Red", "Red of the drawing colour."},
    {nullptr, "Color1_Green", "Green of the drawing colour."},
    {nullptr, "Color1_Blue", "Blue of the drawing colour."},
    {nullptr, "Color1_Alpha", "Opacity of the drawing colour (0 transparent, 255 opaque)."},
    {nullptr, "Color2_Red", "Red of the second colour."},
    {nullptr, "Color2_Green", "Green of the second colour."},
    {nullptr, "Color2_Blue", "Blue of the second colour."},
    {nullptr, "Color2_Alpha", "Opacity of the second colour (0 transparent, 255 opaque)."},
    {nullptr, "Line_Thickness", "Width of the outline."},
    {nullptr, "Circle_Radius", "Radius of the circle."},
    {nullptr, "Infill_Shape", "On: the inside is painted as well as the outline."},
    {"Motion Blur", "Angle", "Direction of the streak, in degrees."},
    {"Motion Blur", "Distance", "Length of the streak each way; read as it is up to 1000, larger values as 1000."},
    {"Gaussian Blur", "Distance", "Radius of the blur; read as it is up to 1000, larger values as 1000."},
    {"Fragmentation Blur", "Distance", "How far from the pixel the copies are taken."},
    {"Fragmentation Blur", "Fragments", "Number of shifted copies averaged, spread evenly around a circle."},
    {"Fragmentation Blur", "Rotational_Offset", "Turns the circle of copies, in degrees."},
    {nullptr, "Hue_Offset", "Turns the hue of every selected pixel, in degrees."},
    {nullptr, "Saturation_Multi", "Multiplies the saturation, in percent (100 keeps it)."},
    {nullptr, "Light_Offset", "Adds to the lightness, in percent of full scale (-100 black, +100 white)."},
    {nullptr, "Crystal_Size", "Side of one crystal's grid cell."},
    {nullptr, "Crystal_Density", "Extra points scattered around each crystal's seed."},
    {nullptr, "Crystal_Density_SpreadX", "Width of the box the extra points are scattered in."},
    {nullptr, "Crystal_Density_SpreadY", "Height of the box the extra points are scattered in."},
    {"Set Seed", "Seed", "Restarts the random sequence from this seed: everything after it repeats."},
    {nullptr, "Seed", "Restarts the random sequence from this seed, as Set Seed does."},
    {nullptr, "Layer", "The layer later instructions draw on (0 is the bottom layer)."},
    {nullptr, "Donor_Layer", "The layer that holds the sample to copy patches from."},
    {nullptr, "Donor_Select_Point1X", "First corner of the sample region, x."},
    {nullptr, "Donor_Select_Point1_Y", "First corner of the sample region, y."},
    {nullptr, "Donor_Select_Point2_X", "Second corner of the sample region, x."},
    {nullptr, "Donor_Select_Point2_Y", "Second corner of the sample region, y."},
    {nullptr, "Quilt_Overlap", "How far neighbouring patches overlap."},
    {nullptr, "Quilt_Size", "Side of one square patch."},
    {nullptr, "Cut_Edge", "On: each patch is trimmed along the seam where it differs least."},
    {nullptr, "Transfer_Texture", "On: patches also match the lightness already on the layer."},
};

const char* MeaningOf(const std::string& instruction, const std::string& parameter) {
    for (const Meaning& m : kMeanings)
        if (parameter == m.parameter && (m.instruction == nullptr || instruction == m.instruction)) return m.text;
    return nullptr;
}

// Unit and range, then what a random offset does, for each kind.
struct KindWords {
    uint32_t kind;
    const char* range;
    const char* randomised;
};

const KindWords kKindWords[] = {
    {kColorChannel, "0 to 255.",
     "Randomised: a whole offset between Min and Max is added; the sum wraps around (256 becomes 0)."},
    {kPosition, "Pixels on the 100 x 100 design (other sizes scale it); any whole number, off-canvas allowed.",
     "Randomised: a whole offset between Min and Max (rounded) is added."},
    {kFineFloat, "Any number.", "Randomised: an offset between Min and Max is added."},
    {kToggle, "Off or on.",
     "Randomised: a toggle has no offsets to edit, so it keeps its value; one random draw is still taken."},
    {kSize, "Pixels on the 100 x 100 design; 1 or more.",
     "Randomised: a whole offset between Min and Max is added, then kept within 1 to 100."},
    {kFreeFloat, "Degrees; any number.", "Randomised: an offset between Min and Max is added."},
    {kCount, "2 to 100.", "Randomised: a whole offset between Min and Max is added, then kept within 2 to 100."},
    {kPercent, "Percent, 0 to 200.",
     "Randomised: a whole offset between Min and Max is added, then kept within 0 to 200."},
    {kSignedPercent, "Percent, -100 to 100.",
     "Randomised: a whole offset between Min and Max is added, then kept within -100 to 100."},
    {kCellSize, "Pixels on the 100 x 100 design, 2 to 100.",
     "Randomised: a whole offset between Min and Max is added, then kept within 2 to 100."},
    {kSpread, "Pixels on the 100 x 100 design, 0 or more.",
     "Randomised: an offset between Min and Max is added; below 0 becomes 0."},
    {kIndex, "A whole number, 0 or more.",
     "Randomised: a whole offset between Min and Max is added; below 0 becomes 0."},
    {kDensity, "Points per crystal, 0 to 10.",
     "Randomised: a whole offset between Min and Max is added, then kept within 0 to 10."},
    {kOverlap, "Pixels on the 100 x 100 design, 0 or more.",
     "Randomised: a whole offset between Min and Max is added; below 0 becomes 0."},
    {kPatchSize, "Pixels on the 100 x 100 design, 3 or more.",
     "Randomised: a whole offset between Min and Max is added; below 3 becomes 3."},
};

}  // namespace

const char* const kRandomiseHelp =
    "Randomise: each generation draws a new offset between Min and Max for this parameter from the seeded random "
    "sequence, so every seed of the project gives a different value.";

std::string ParameterHelp(const std::string& instruction, const std::string& parameter, uint32_t kind) {
    if (IsLayoutOnly(kind)) return "";
    std::string help;
    if (const char* meaning = MeaningOf(instruction, parameter)) help = meaning;
    for (const KindWords& words : kKindWords) {
        if (words.kind != kind) continue;
        help += help.empty() ? "" : "\n";
        help += std::string("Range: ") + words.range + "\n" + words.randomised;
    }
    return help.empty() ? parameter : help;
}
