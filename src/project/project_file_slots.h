#pragma once
// 8-byte slots: a value's bytes stand at the end of the slot, most
// significant first, and the bytes in front of them are 0xFF. A reader takes
// only the value bytes and ignores the fill.
#include <cstdint>
#include <string>

constexpr size_t kSlotSize = 8;

// The slot's eight bytes as one big-endian number; a 32-bit field is its low
// 32 bits, an 8-bit field its low byte.
inline uint64_t DecodeSlot(const unsigned char* slot) {
    uint64_t v = 0;
    for (size_t i = 0; i < kSlotSize; ++i) v = (v << 8) | slot[i];
    return v;
}

// Appends eight bytes, most significant first (a payload as held in memory).
inline void AppendPayload(std::string& out, uint64_t payload) {
    for (int shift = 56; shift >= 0; shift -= 8) out.push_back(char(uint8_t(payload >> shift)));
}

inline void AppendSlot32(std::string& out, uint32_t v) {
    AppendPayload(out, 0xFFFFFFFF00000000ull | v);
}

inline void AppendSlot8(std::string& out, uint8_t v) { AppendPayload(out, 0xFFFFFFFFFFFFFF00ull | v); }
