#pragma once
// How a seed given on a command line becomes the value fed to a project's
// `Seed` parameters (the headless run's arguments, the family tool's sets).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Base-10 conversion: leading white space skipped, an optional sign, the
// decimal digits up to the first non-digit (the rest ignored). Empty when
// there is no digit or the value lies outside the signed 32-bit range. When
// given, `end` receives the position after the last digit.
std::optional<int32_t> ParseSeedArgument(const std::string& text, size_t* end = nullptr);
