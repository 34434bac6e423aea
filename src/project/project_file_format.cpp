#include "project/project_file_format.h"

#include <algorithm>
#include <cstring>

#include "functions/function_catalogue.h"
#include "project/project_file_slots.h"
#include "raster/console.h"

size_t MemoryByteSource::Read(void* destination, size_t count) {
    const size_t available = std::min(count, size_ - position_);
    if (available > 0) std::memcpy(destination, data_ + position_, available);
    position_ += available;
    return available;
}

std::string EncodeProject(const InstructionList& queue) {
    std::string out;
    out.push_back(char(kProjectMajorVersion & 0xFF));
    out.push_back(char(kProjectMajorVersion >> 8));
    out.push_back(char(kProjectMinorVersion & 0xFF));
    out.push_back(char(kProjectMinorVersion >> 8));
    out.push_back(0);
    AppendSlot32(out, uint32_t(queue.size()));
    for (const auto& instruction : queue) {
        AppendSlot32(out, instruction->GetTypeId());
        const ParameterMap& parameters = instruction->Parameters();
        AppendSlot32(out, uint32_t(parameters.size()));
        for (const auto& [name, record] : parameters) {
            AppendSlot32(out, uint32_t(name.size()));
            out += name;
            AppendPayload(out, record.value.Payload());
            AppendSlot8(out, record.randomized ? 1 : 0);
            if (record.randomized) {
                AppendPayload(out, record.offsetMin.Payload());
                AppendPayload(out, record.offsetMax.Payload());
            }
        }
    }
    return out;
}

namespace {

// Reads a whole field or reports that the bytes ran out.
class FieldReader {
public:
    explicit FieldReader(ProjectByteSource& source) : source_(source) {}

    bool Bytes(void* destination, size_t count) {
        const size_t delivered = source_.Read(destination, count);
        position_ += delivered;
        return delivered == count;
    }
    // Bytes read so far; after a short read, the size of the file.
    uint64_t Position() const { return position_; }

    bool Slot(uint64_t& value) {
        unsigned char slot[kSlotSize];
        if (!Bytes(slot, sizeof slot)) return false;
        value = DecodeSlot(slot);
        return true;
    }
    bool Slot32(uint32_t& value) {
        uint64_t slot;
        if (!Slot(slot)) return false;
        value = uint32_t(slot);
        return true;
    }
    bool UInt16LE(uint16_t& value) {
        unsigned char b[2];
        if (!Bytes(b, 2)) return false;
        value = uint16_t(b[0] | (b[1] << 8));
        return true;
    }

    // A name of `length` bytes, cut at its first zero byte. The text grows
    // only as bytes actually arrive, so a length far beyond the end of the
    // file costs nothing before it turns out short.
    bool Name(uint32_t length, std::string& name) {
        name.clear();
        char chunk[4096];
        while (length > 0) {
            const size_t want = std::min<size_t>(length, sizeof chunk);
            if (!Bytes(chunk, want)) return false;
            name.append(chunk, want);
            length -= uint32_t(want);
        }
        const size_t zero = name.find('\0');
        if (zero != std::string::npos) name.resize(zero);
        return true;
    }

private:
    ProjectByteSource& source_;
    uint64_t position_ = 0;
};

// Why a decode failed when no message was printed: the bytes ran out, or a
// field no writer produces.
std::string ShortFileReason(const FieldReader& reader) {
    if (reader.Position() == 0) return "the file is empty";
    return "the file ends after " + std::to_string(reader.Position()) + " bytes";
}

// Reads one parameter record into the instruction; false (with the reason)
// when the bytes ran out or the name's length is negative.
bool DecodeParameter(FieldReader& reader, std::deque<int32_t>& seeds, AbstractRasterFunction& instruction,
                     std::string& why) {
    uint32_t lengthBits;
    if (!reader.Slot32(lengthBits)) return false;
    const int32_t length = int32_t(lengthBits);
    if (length < 0) {
        why = "the parameter name at byte " + std::to_string(reader.Position() - kSlotSize) +
              " has a negative length";
        return false;
    }
    std::string name;
    if (!reader.Name(uint32_t(length), name)) return false;
    uint64_t payload;
    if (!reader.Slot(payload)) return false;

    // The record keeps the value type the prototype declares for the name
    // (None for names the class does not know); only payloads change.
    ParamRecord record = instruction.GetRecord(name);
    if (name == "Seed" && !seeds.empty()) {
        payload = uint64_t(int64_t(seeds.front()));  // widened with sign
        seeds.pop_front();
    }
    record.value.SetPayload(payload);

    uint64_t flag;
    if (!reader.Slot(flag)) return false;
    record.randomized = uint8_t(flag) != 0;
    if (record.randomized) {
        uint64_t lo, hi;
        if (!reader.Slot(lo) || !reader.Slot(hi)) return false;
        record.offsetMin.SetPayload(lo);
        record.offsetMax.SetPayload(hi);
    }
    instruction.SetRecord(name, record);
    return true;
}

}  // namespace

namespace {

// Reports a failure that the decoder announces itself.
bool Refuse(DecodeFailure& failure, const std::string& line, const std::string& reason) {
    PrintErrorLine(line);
    failure.reason = reason;
    failure.printed = true;
    return false;
}

bool DecodeInstructions(FieldReader& reader, std::deque<int32_t>& seeds, InstructionList& loaded,
                        DecodeFailure& failure) {
    uint16_t major;
    if (!reader.UInt16LE(major)) return false;
    if (major != kProjectMajorVersion)
        return Refuse(failure, "Major version did not match.",
                      "its major version is " + std::to_string(major) + ", not 1");
    uint16_t minor;
    if (!reader.UInt16LE(minor)) return false;
    if (minor != kProjectMinorVersion) PrintErrorLine("Minor version did not match.");
    unsigned char reserved;
    if (!reader.Bytes(&reserved, 1)) return false;

    uint32_t countBits;
    if (!reader.Slot32(countBits)) return false;
    const int32_t count = int32_t(countBits);
    // The list grows per instruction read, never from the count.
    for (int32_t i = 0; i < count; ++i) {
        if (i == kMaxProjectInstructions) {
            const std::string limit = std::to_string(kMaxProjectInstructions);
            return Refuse(failure, "Project file holds more than " + limit + " instructions.",
                          "it holds more than " + limit + " instructions");
        }
        uint32_t typeId;
        if (!reader.Slot32(typeId)) return false;
        const AbstractRasterFunction* prototype = FindPrototypeByTypeId(typeId);
        if (prototype == nullptr)
            return Refuse(failure, "Failed to find matching function: " + std::to_string(typeId) + "!",
                          "it holds an instruction of unknown type " + std::to_string(typeId));
        std::unique_ptr<AbstractRasterFunction> instruction = prototype->Clone();
        uint32_t parameterBits;
        if (!reader.Slot32(parameterBits)) return false;
        const int32_t parameterCount = int32_t(parameterBits);
        for (int32_t p = 0; p < parameterCount; ++p)
            if (!DecodeParameter(reader, seeds, *instruction, failure.reason)) return false;
        loaded.push_back(std::move(instruction));
    }
    return true;
}

}  // namespace

bool DecodeProject(ProjectByteSource& source, std::deque<int32_t>& seeds, InstructionList& out,
                   DecodeFailure* failure) {
    FieldReader reader(source);
    DecodeFailure local;
    InstructionList loaded;
    if (!DecodeInstructions(reader, seeds, loaded, local)) {
        if (local.reason.empty()) local.reason = ShortFileReason(reader);
        if (failure != nullptr) *failure = local;
        return false;
    }
    out = std::move(loaded);
    return true;
}
