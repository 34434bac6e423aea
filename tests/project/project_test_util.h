#pragma once
// Helpers shared by the project file tests: files in a scratch folder, whole
// file contents, and instructions made from the catalogue by type identifier.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "instructions/function_catalogue.h"
#include "support/test_support.h"

inline std::string ScratchPath(const std::string& name) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    return testing::TempDir() + "orvane_" + info->test_suite_name() + "_" + info->name() + "_" + name;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A clone of the prototype with that type identifier.
inline std::unique_ptr<AbstractRasterFunction> FromCatalogue(uint32_t typeId, Params params = {}) {
    auto instruction = FindPrototypeByTypeId(typeId)->Clone();
    for (const auto& [name, value] : params) instruction->SetValue(name, value);
    return instruction;
}

inline std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}
