#pragma once
// Member file names: a pattern with the placeholders <project> (the project
// file's stem), <seed> (the tuple's seeds joined by '_'), <index> (the
// member's position in the seed set, from 0) and <index:0N> (that position
// zero-padded to N digits, N from 1 to 20, so that names sort).
#include <cstddef>
#include <string>

// The project file's name without folder and without its last extension
// ("art/brick.pcg" -> "brick").
std::string ProjectStem(const std::string& projectPath);

// A pattern is accepted when it names a PNG file inside the output folder (no
// '/', ends in ".png") and can give every member its own name (it holds
// <seed> or <index>); any other '<' or '>' is refused as an unknown
// placeholder. Returns an empty string, or the reason for refusal. (Two
// members may still meet in one name, e.g. "<index><seed>.png" for index 1
// seed 12 and index 11 seed 2: the run checks the names themselves.)
std::string CheckPattern(const std::string& pattern);

std::string MemberFileName(const std::string& pattern, const std::string& stem, const std::string& seedLabel,
                           size_t index);
