// Project files: the exact bytes of a queue, every class read back, files
// refused without touching what the caller holds, seed injection, and saves
// that never destroy the previous file.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "app/subprocess.h"
#include "functions/default_queues.h"
#include "functions/function_catalogue.h"
#include "project/project_file.h"
#include "project/project_file_format.h"
#include "support/test_support.h"

// The largest single allocation since the last reset: a length read from a
// file must never be believed before the bytes behind it have arrived.
static size_t largestAllocation = 0;
void* operator new(size_t n) {
    largestAllocation = std::max(largestAllocation, n);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // this operator new allocates with malloc
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {
namespace fs = std::filesystem;

// An 8-byte slot: the value's low `bytes` bytes big-endian at its end, 0xFF in front.
std::string Slot(uint64_t v, int bytes) {
    std::string s;
    for (int i = 7; i >= 0; --i) s += i < bytes ? char(v >> (8 * i)) : '\xFF';
    return s;
}
std::string Slot32(uint32_t v) { return Slot(v, 4); }
const std::string kHeader("\x01\x00\x02\x00\x00", 5);

std::unique_ptr<AbstractRasterFunction> FromCatalogue(uint32_t typeId, uint64_t seed = 0) {
    auto instruction = FindPrototypeByTypeId(typeId)->Clone();
    if (instruction->HasParameter("Seed")) instruction->SetValue("Seed", U64(seed));
    return instruction;
}

// Decodes into a queue holding one instruction, which a failed decode must
// leave in place; keeps what the decoder printed.
struct Decoded { bool ok; std::string err; std::deque<int32_t> seeds; InstructionList queue; };
Decoded Decode(const std::string& bytes, std::deque<int32_t> seeds = {}) {
    Decoded d{false, "", std::move(seeds), Queue(FromCatalogue(1))};
    const AbstractRasterFunction* before = d.queue[0].get();
    MemoryByteSource source(bytes.data(), bytes.size());
    testing::internal::CaptureStderr();
    d.ok = DecodeProject(source, d.seeds, d.queue);
    d.err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(d.ok || (d.queue.size() == 1 && d.queue[0].get() == before)) << "a failed load changed the queue";
    return d;
}

// Every class with its own payloads, some randomised, written and read back
// byte for byte (value types from the prototypes); the empty queue and one
// Select Layer as exact bytes; the file cut at any byte refused silently.
TEST(ProjectFile, BytesRoundTripAndEveryCutIsRefused) {
    InstructionList queue;
    uint64_t salt = 0x0123456789ABCDEFull;
    for (const AbstractRasterFunction* prototype : functionCatalogue()) {
        queue.push_back(prototype->Clone());
        for (auto [name, record] : prototype->Parameters()) {
            salt = salt * 6364136223846793005ull + 1442695040888963407ull;
            record.value.SetPayload(salt);
            record.randomized = (salt >> 40) & 1;
            if (record.randomized) record.offsetMin.SetPayload(salt >> 3), record.offsetMax.SetPayload(~salt);
            queue.back()->SetRecord(name, record);
        }
    }
    const std::string path = testing::TempDir() + "orvane_every.pcg";
    ASSERT_TRUE(WriteProjectFile(path, queue));
    const std::string bytes = ReadFile(path);
    const InstructionList loaded = Decode(bytes).queue;
    ASSERT_EQ(loaded.size(), queue.size());
    for (size_t i = 0; i < loaded.size(); ++i)
        EXPECT_EQ(std::make_tuple(loaded[i]->GetTypeId(), loaded[i]->Parameters()),
                  std::make_tuple(queue[i]->GetTypeId(), queue[i]->Parameters())) << queue[i]->GetName();
    EXPECT_EQ(bytes, EncodeProject(loaded));
    for (size_t length = 0; length < bytes.size(); ++length) {
        const Decoded d = Decode(bytes.substr(0, length));
        ASSERT_TRUE(!d.ok && d.err.empty()) << "cut at " << length;
    }

    ASSERT_TRUE(WriteProjectFile(path, {}));
    EXPECT_EQ(ReadFile(path), kHeader + Slot32(0));
    queue = Queue(FromCatalogue(17));
    queue[0]->SetValue("Layer", U64(3));
    const std::string record = kHeader + Slot32(1) + Slot32(17) + Slot32(1) + Slot32(5) + "Layer" + Slot(3, 8);
    EXPECT_EQ(EncodeProject(queue), record + Slot(0, 1));
    Randomise(*queue[0], "Layer", I32(-2), I32(7));
    EXPECT_EQ(EncodeProject(queue), record + Slot(1, 1) + Slot(uint32_t(-2), 4) + Slot(7, 4));
}

// What each file decodes to (given seeds in), as the queue's own bytes: a
// failed decode leaves the one Fill the queue held. Names the class does not
// declare stay, without a value type, and a name ends at a zero byte; seeds
// replace the Seed parameters in file order (Set Seed, Dilate and Erode
// Morph), widened with their sign.
TEST(ProjectFile, DecodesVersionsNamesSeedsAndHostileCounts) {
    const std::string fill = Slot32(1) + Slot32(0), oneParameter = Slot32(1) + Slot32(1) + Slot32(1);
    std::string many = kHeader + Slot32(kMaxProjectInstructions + 1);
    for (int32_t i = 0; i <= kMaxProjectInstructions; ++i) many += fill;
    const std::string minor3 = std::string("\x01\x00\x03\x00\x00", 5) + EncodeProject(MakeDefaultQueue()).substr(5);
    const std::string major2 = std::string("\x02\x00\x02\x00\x00", 5) + EncodeProject(MakeDefaultQueue()).substr(5);
    const std::string oneFill = EncodeProject(Queue(FromCatalogue(1)));
    const std::string names = kHeader + Slot32(1) + Slot32(0) + Slot32(2), extra = Slot32(5) + "Extra" + Slot(0x34, 1);
    auto setSeed = [](uint64_t seed) { return FromCatalogue(14, seed); };
    const std::string seeds = EncodeProject(Queue(setSeed(0), FromCatalogue(1), setSeed(0), setSeed(0)));
    const std::string morphs = EncodeProject(Queue(FromCatalogue(15), FromCatalogue(16, 44)));
    const std::tuple<std::string, std::deque<int32_t>, bool, std::string, std::string, size_t> cases[] = {
        {minor3, {}, true, "Minor version did not match.\n", EncodeProject(MakeDefaultQueue()), 0},
        {major2, {}, false, "Major version did not match.\n", oneFill, 0},
        {kHeader + Slot32(2) + fill + Slot32(20), {}, false, "Failed to find matching function: 20!\n", oneFill, 0},
        {many, {}, false, "Project file holds more than 65536 instructions.\n", oneFill, 0},
        {kHeader + Slot32(2000000000) + fill, {}, false, "", oneFill, 0},  // counts and lengths beyond the end
        {kHeader + Slot32(1) + Slot32(1) + Slot32(0x7FFFFFFF), {}, false, "", oneFill, 0},
        {kHeader + oneParameter + Slot32(0x7FFFFFF0) + "Seed", {}, false, "", oneFill, 0},
        {kHeader + oneParameter + Slot32(0xFFFFFFFF) + "Seed", {}, false, "", oneFill, 0},  // a negative length
        {kHeader + Slot32(0x80000000), {}, true, "", kHeader + Slot32(0), 0},  // negative counts: none
        {kHeader + Slot32(1) + Slot32(1) + Slot32(0xFFFFFFFF), {}, true, "", oneFill, 0},
        {names + extra + Slot(0, 1) + Slot32(6) + std::string("Cut\0me", 6) + Slot(7, 8) + Slot(0, 1), {}, true, "",
         names + Slot32(3) + "Cut" + Slot(7, 8) + Slot(0, 1) + extra + Slot(0, 1), 0},
        {seeds, {7, 9}, true, "", EncodeProject(Queue(setSeed(7), FromCatalogue(1), setSeed(9), setSeed(0))), 0},
        {morphs, {-3}, true, "", EncodeProject(Queue(FromCatalogue(15, uint64_t(-3)), FromCatalogue(16, 44))), 0},
        {morphs, {1, 2, 3}, true, "", EncodeProject(Queue(FromCatalogue(15, 1), FromCatalogue(16, 2))), 1},
    };
    for (const auto& [bytes, seedsIn, ok, err, result, seedsLeft] : cases) {
        largestAllocation = 0;
        const Decoded d = Decode(bytes, seedsIn);
        EXPECT_LT(largestAllocation, size_t(1) << 20) << err;
        EXPECT_EQ(std::make_tuple(d.ok, d.err, EncodeProject(d.queue), d.seeds.size()),
                  std::make_tuple(ok, err, result, seedsLeft)) << bytes.size();
    }
    EXPECT_EQ(Decode(std::get<0>(cases[10])).queue[0]->GetRecord("Extra").value.Type(), ValueType::None);
}

// A save goes to a temporary file renamed over the target only when
// complete; through a symbolic link it replaces the file linked to. A write
// failing half-way (the file size limit), a folder as target, a missing
// folder: false, the previous file kept, no temporary left.
TEST(ProjectFile, SavesNeverDestroyThePreviousFile) {
    const std::string dir = testing::TempDir() + "orvane_saves", path = dir + "/project.pcg";
    fs::remove_all(dir);
    fs::create_directories(dir + "/sub");
    std::ofstream(path) << "old contents";
    ASSERT_TRUE(WriteProjectFile(path, MakeDefaultQueue()));
    EXPECT_EQ(ReadFile(path), EncodeProject(MakeDefaultQueue()));
    fs::create_symlink("project.pcg", dir + "/link.pcg");
    ASSERT_TRUE(WriteProjectFile(dir + "/link.pcg", {}));
    EXPECT_TRUE(fs::is_symlink(dir + "/link.pcg"));

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small{100, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool written = WriteProjectFile(path, MakeDefaultQueue());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    Decoded read{};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(written || WriteProjectFile(dir + "/sub", {}) || WriteProjectFile(dir + "/none/x.pcg", {}) ||
                 ReadProjectFile(dir + "/none/x.pcg", read.seeds, read.queue));
    const std::string unable = "Unable to open file: " + dir;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              unable + "/sub\n" + unable + "/none/x.pcg\n" + unable + "/none/x.pcg\n");
    EXPECT_EQ(ReadFile(path), kHeader + Slot32(0));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);
}

}  // namespace
