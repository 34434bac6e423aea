#pragma once
// The text of the family run's progress line (shown by ProgressLine).
#include <cstddef>
#include <string>

// "3/500 members, 45.2/s, 11 s left" (no rate and time before the first member).
std::string ProgressText(size_t done, size_t total, double seconds);
