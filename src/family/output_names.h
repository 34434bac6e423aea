#pragma once
// Member file names: a pattern with the placeholders <project> (the project
// file's stem), <seed> (the tuple's seeds joined by '_') and <index> (the
// member's position in the seed set, from 0).
#include <cstddef>
#include <string>

// The project file's name without folder and without its last extension
// ("art/brick.pcg" -> "brick").
std::string ProjectStem(const std::string& projectPath);

// A pattern is accepted when it names a file inside the output folder (no
// '/', not "." or "..") and gives every member its own name (it holds <seed>
// or <index>); any other '<' or '>' is refused as an unknown placeholder.
// Returns an empty string, or the reason for refusal.
std::string CheckPattern(const std::string& pattern);

std::string MemberFileName(const std::string& pattern, const std::string& stem, const std::string& seedLabel,
                           size_t index);
