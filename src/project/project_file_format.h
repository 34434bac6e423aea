#pragma once
// The byte level of project files, independent of where the bytes live:
// encoding a queue into the file's bytes and decoding bytes into instructions.
//
// Layout: major version (2 bytes LE, 1), minor version (2 bytes LE, 2), one
// reserved byte, the instruction count as a 32-bit slot, then per instruction
// its type identifier and parameter count (32-bit slots) and per parameter:
// name length (32-bit slot), name bytes, value payload (8 bytes), randomised
// flag (8-bit slot) and, only when the flag is set, the two offset payloads.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "instructions/abstract_raster_function.h"

constexpr uint16_t kProjectMajorVersion = 1;
constexpr uint16_t kProjectMinorVersion = 2;

// A load refuses files holding more instructions than this (with a message),
// so that a hostile file cannot make the loader build millions of them.
constexpr int32_t kMaxProjectInstructions = 65536;

// Where a decode takes its bytes from. Read returns how many bytes it
// delivered; fewer than asked means the bytes ran out.
class ProjectByteSource {
public:
    virtual ~ProjectByteSource() = default;
    virtual size_t Read(void* destination, size_t count) = 0;
};

class MemoryByteSource final : public ProjectByteSource {
public:
    MemoryByteSource(const void* data, size_t size)
        : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    size_t Read(void* destination, size_t count) override;

private:
    const unsigned char* data_;
    size_t size_;
    size_t position_ = 0;
};

// The whole file for a queue.
std::string EncodeProject(const InstructionList& queue);

// Why a decode failed, in words that finish "Could not open <file>: ...":
// "the file ends after 57 bytes", "its major version is 2, not 1", ...
struct DecodeFailure {
    std::string reason;
    bool printed = false;  // the decoder has written its own line for it
};

// Decodes a whole project into `out` (replaced only on success). Every
// parameter named `Seed` takes the front entry of `seeds` in place of its
// stored value while any are left. Prints "Major version did not match.",
// "Minor version did not match." (a warning: decoding goes on), "Failed to
// find matching function: <id>!" and the too-many-instructions line; bytes
// running out and a negative name length print nothing. Touches no global
// state but `seeds` and `out`.
bool DecodeProject(ProjectByteSource& source, std::deque<int32_t>& seeds, InstructionList& out,
                   DecodeFailure* failure = nullptr);
