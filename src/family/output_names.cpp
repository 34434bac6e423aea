#include "family/output_names.h"

#include <filesystem>

namespace {

const char* const kPlaceholders[] = {"<project>", "<seed>", "<index>"};

// Length of the placeholder at pos, 0 when none starts there.
size_t PlaceholderAt(const std::string& pattern, size_t pos) {
    for (const char* p : kPlaceholders) {
        const std::string placeholder = p;
        if (pattern.compare(pos, placeholder.size(), placeholder) == 0) return placeholder.size();
    }
    return 0;
}

}  // namespace

std::string ProjectStem(const std::string& projectPath) {
    return std::filesystem::path(projectPath).filename().stem().string();
}

std::string CheckPattern(const std::string& pattern) {
    if (pattern.empty()) return "the pattern is empty";
    if (pattern.find('/') != std::string::npos)
        return "the pattern '" + pattern + "' contains '/': members must stay in the output folder";
    if (pattern == "." || pattern == "..") return "the pattern '" + pattern + "' names no file";
    bool unique = false;
    for (size_t pos = 0; pos < pattern.size();) {
        const size_t length = PlaceholderAt(pattern, pos);
        if (length != 0) {
            if (pattern.compare(pos, length, "<project>") != 0) unique = true;
            pos += length;
        } else if (pattern[pos] == '<' || pattern[pos] == '>') {
            return "the pattern '" + pattern + "' has an unknown placeholder (known: <project>, <seed>, <index>)";
        } else {
            ++pos;
        }
    }
    if (!unique) return "the pattern '" + pattern + "' gives every member the same name: add <seed> or <index>";
    return "";
}

std::string MemberFileName(const std::string& pattern, const std::string& stem, const std::string& seedLabel,
                           size_t index) {
    std::string name;
    for (size_t pos = 0; pos < pattern.size();) {
        const size_t length = PlaceholderAt(pattern, pos);
        if (length == 0) {
            name += pattern[pos++];
            continue;
        }
        const std::string placeholder = pattern.substr(pos, length);
        if (placeholder == "<project>") name += stem;
        else if (placeholder == "<seed>") name += seedLabel;
        else name += std::to_string(index);
        pos += length;
    }
    return name;
}
