#pragma once
// The words behind the Details panel's parameter names: what a parameter
// does in its instruction, its unit and range, and what randomising it does.
#include <cstdint>
#include <string>

// The tooltip of a parameter's name: "" for layout-only rows.
std::string ParameterHelp(const std::string& instruction, const std::string& parameter, uint32_t kind);

// The tooltip of the randomise box.
extern const char* const kRandomiseHelp;
