#include "project/seed_argument.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<int32_t> ParseSeedArgument(const std::string& text, size_t* end) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t firstDigit = i;
    // Stop counting once the magnitude is beyond any int32.
    int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        if (magnitude <= 2147483648LL) magnitude = magnitude * 10 + (text[i] - '0');
    if (i == firstDigit) return std::nullopt;
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    if (end != nullptr) *end = i;
    return int32_t(value);
}
