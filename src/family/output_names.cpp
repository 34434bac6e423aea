#include "family/output_names.h"

#include <filesystem>

namespace {

// The placeholder at pos: its length (0 when none starts there) and, for
// "<index:0N>", the width N.
struct Placeholder {
    size_t length = 0;
    std::string name;  // "<project>", "<seed>" or "<index>"
    int width = 0;
};

Placeholder PlaceholderAt(const std::string& pattern, size_t pos) {
    for (const char* known : {"<project>", "<seed>", "<index>"}) {
        const std::string text = known;
        if (pattern.compare(pos, text.size(), text) == 0) return {text.size(), text, 0};
    }
    // <index:0N>, N from 1 to 20: the index zero-padded to N digits.
    if (pattern.compare(pos, 8, "<index:0") == 0) {
        size_t end = pos + 8;
        int width = 0;
        while (end < pattern.size() && end < pos + 10 && pattern[end] >= '0' && pattern[end] <= '9')
            width = width * 10 + (pattern[end++] - '0');
        if (end < pattern.size() && pattern[end] == '>' && width >= 1 && width <= 20)
            return {end + 1 - pos, "<index>", width};
    }
    return {};
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string ProjectStem(const std::string& projectPath) {
    return std::filesystem::path(projectPath).filename().stem().string();
}

std::string CheckPattern(const std::string& pattern) {
    if (pattern.empty()) return "the pattern is empty";
    if (pattern.find('/') != std::string::npos)
        return "the pattern '" + pattern + "' contains '/': members must stay in the output folder";
    if (!EndsWith(pattern, ".png")) return "the pattern '" + pattern + "' must end in .png: members are PNG files";
    bool unique = false;
    for (size_t pos = 0; pos < pattern.size();) {
        const Placeholder placeholder = PlaceholderAt(pattern, pos);
        if (placeholder.length != 0) {
            unique = unique || placeholder.name != "<project>";
            pos += placeholder.length;
        } else if (pattern[pos] == '<' || pattern[pos] == '>') {
            return "the pattern '" + pattern +
                   "' has an unknown placeholder (known: <project>, <seed>, <index>, <index:0N>)";
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
        const Placeholder placeholder = PlaceholderAt(pattern, pos);
        if (placeholder.length == 0) {
            name += pattern[pos++];
            continue;
        }
        if (placeholder.name == "<project>") {
            name += stem;
        } else if (placeholder.name == "<seed>") {
            name += seedLabel;
        } else {
            const std::string digits = std::to_string(index);
            if (int(digits.size()) < placeholder.width) name.append(size_t(placeholder.width) - digits.size(), '0');
            name += digits;
        }
        pos += placeholder.length;
    }
    return name;
}
