#include <gtest/gtest.h>

#include <thread>

#include "instructions/function_catalogue.h"
#include "project/project_file.h"
#include "project/project_file_format.h"
#include "project_test_util.h"

namespace {

class ProjectFileTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        commandLineSeeds.clear();
    }
    void TearDown() override {
        commandLineSeeds.clear();
        CoreTest::TearDown();
    }

    // A load that must fail and leave the queue state exactly as it was;
    // returns what it printed.
    std::string ExpectRejected(const std::string& bytes) {
        testing::internal::CaptureStderr();
        ExpectRejectedQuietly(bytes);
        return testing::internal::GetCapturedStderr();
    }
    void ExpectRejectedQuietly(const std::string& bytes) {
        const std::string path = ScratchPath("rejected.pcg");
        WriteBytes(path, bytes);
        instructionQueue = MakeDefaultQueue();
        const std::string before = EncodeProject(instructionQueue);
        const AbstractRasterFunction* first = instructionQueue[0].get();
        selectedIndex = 2;
        draggedIndex = 3;
        queueDirty = false;
        EXPECT_FALSE(LoadProjectFile(path));
        EXPECT_EQ(EncodeProject(instructionQueue), before);
        EXPECT_EQ(instructionQueue[0].get(), first);
        EXPECT_EQ(selectedIndex, 2);
        EXPECT_EQ(draggedIndex, 3);
        EXPECT_FALSE(queueDirty);
    }
};

// Every class of the catalogue, each parameter given a distinctive payload;
// every second parameter randomised with distinct offsets.
InstructionList EveryClassQueue() {
    InstructionList queue;
    uint64_t salt = 0x0123456789ABCDEFull;
    bool randomise = false;
    for (const AbstractRasterFunction* prototype : functionCatalogue()) {
        auto instruction = prototype->Clone();
        for (const auto& [name, record] : prototype->Parameters()) {
            ParamRecord changed = record;
            salt = salt * 6364136223846793005ull + 1442695040888963407ull;
            changed.value.SetPayload(salt);
            changed.randomized = randomise;
            if (randomise) {
                changed.offsetMin = ParamValue(int32_t(-int32_t(salt >> 60)));
                changed.offsetMax = ParamValue(float(salt >> 58));
            }
            randomise = !randomise;
            instruction->SetRecord(name, changed);
        }
        queue.push_back(std::move(instruction));
    }
    return queue;
}

TEST_F(ProjectFileTest, EmptyQueueIsThirteenBytesAndLoadsEmpty) {
    const std::string path = ScratchPath("empty.pcg");
    ASSERT_TRUE(SaveProjectFile(path));
    EXPECT_EQ(Hex(ReadBytes(path)), "01 00 02 00 00 FF FF FF FF 00 00 00 00");
    instructionQueue = MakeDefaultQueue();
    selectedIndex = 1;
    queueDirty = false;
    ASSERT_TRUE(LoadProjectFile(path));
    EXPECT_TRUE(instructionQueue.empty());
    EXPECT_EQ(selectedIndex, -1);
    EXPECT_EQ(draggedIndex, -1);
    EXPECT_TRUE(queueDirty);
}

// One Select Layer with Layer = 3, then the same randomised: slots with 0xFF
// fill, the offsets only when the flag is set.
TEST_F(ProjectFileTest, RecordsAreSlotsWithOffsetsOnlyWhenRandomised) {
    InstructionList queue;
    queue.push_back(FromCatalogue(17, {{"Layer", U64(3)}}));
    const std::string header = "01 00 02 00 00 FF FF FF FF 00 00 00 01 ";
    const std::string record =
        "FF FF FF FF 00 00 00 11 FF FF FF FF 00 00 00 01 FF FF FF FF 00 00 00 05 4C 61 79 65 72 "
        "00 00 00 00 00 00 00 03 ";
    EXPECT_EQ(Hex(EncodeProject(queue)), header + record + "FF FF FF FF FF FF FF 00");

    Randomise(*queue[0], "Layer", I32(-2), I32(7));
    EXPECT_EQ(Hex(EncodeProject(queue)), header + record +
                                             "FF FF FF FF FF FF FF 01 FF FF FF FF FF FF FF FE "
                                             "FF FF FF FF 00 00 00 07");
}

// Save then load: same classes in the same order, byte-identical payloads,
// flags and offsets, and the loaded values keep the prototypes' value types.
TEST_F(ProjectFileTest, RoundTripOfEveryClassKeepsEveryByte) {
    instructionQueue = EveryClassQueue();
    ASSERT_EQ(instructionQueue.size(), functionCatalogue().size());
    const InstructionList saved = CloneInstructions(instructionQueue);
    const std::string path = ScratchPath("every.pcg");
    queueDirty = false;
    ASSERT_TRUE(SaveProjectFile(path));
    EXPECT_TRUE(queueDirty);
    instructionQueue.clear();
    ASSERT_TRUE(LoadProjectFile(path));
    ASSERT_EQ(instructionQueue.size(), saved.size());
    for (size_t i = 0; i < saved.size(); ++i) {
        const AbstractRasterFunction& a = *saved[i];
        const AbstractRasterFunction& b = *instructionQueue[i];
        ASSERT_EQ(a.GetTypeId(), b.GetTypeId()) << i;
        ASSERT_EQ(a.Parameters().size(), b.Parameters().size()) << a.GetName();
        for (const auto& [name, record] : a.Parameters()) {
            const ParamRecord loaded = b.GetRecord(name);
            const ParamRecord prototype = a.GetPrototype()->GetRecord(name);
            SCOPED_TRACE(a.GetName() + " " + name);
            EXPECT_EQ(loaded.value.Payload(), record.value.Payload());
            EXPECT_EQ(loaded.value.Type(), prototype.value.Type());
            EXPECT_EQ(loaded.randomized, record.randomized);
            if (record.randomized) {
                EXPECT_EQ(loaded.offsetMin.Payload(), record.offsetMin.Payload());
                EXPECT_EQ(loaded.offsetMax.Payload(), record.offsetMax.Payload());
            } else {
                EXPECT_EQ(loaded.offsetMin, prototype.offsetMin);
                EXPECT_EQ(loaded.offsetMax, prototype.offsetMax);
            }
        }
    }
    EXPECT_EQ(EncodeProject(instructionQueue), ReadBytes(path));
}

TEST_F(ProjectFileTest, VersionChecks) {
    std::string file = EncodeProject(MakeDefaultQueue());
    file[2] = 3;  // minor version 3: a warning, and the file loads
    const std::string path = ScratchPath("minor3.pcg");
    WriteBytes(path, file);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(LoadProjectFile(path));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Minor version did not match.\n");
    EXPECT_EQ(instructionQueue.size(), 5u);

    file[0] = 2;  // major version 2
    EXPECT_EQ(ExpectRejected(file), "Major version did not match.\n");
}

TEST_F(ProjectFileTest, UnknownTypeIdentifierDiscardsWhatWasRead) {
    InstructionList queue = MakeDefaultQueue();
    queue.push_back(FromCatalogue(14));
    std::string file = EncodeProject(queue);
    // Turn the last instruction (Set Seed, 14) into identifier 20.
    const std::string setSeed = EncodeProject(Queue(FromCatalogue(14))).substr(13);
    ASSERT_EQ(file.compare(file.size() - setSeed.size(), 8, setSeed, 0, 8), 0);
    file[file.size() - setSeed.size() + 7] = 20;
    EXPECT_EQ(ExpectRejected(file), "Failed to find matching function: 20!\n");
}

// Whatever byte the file ends at, the load fails silently and changes nothing.
TEST_F(ProjectFileTest, FileCutAtEveryPositionIsRejectedSilently) {
    InstructionList queue = EveryClassQueue();
    const std::string file = EncodeProject(queue);
    testing::internal::CaptureStderr();
    for (size_t length = 0; length < file.size(); ++length) {
        SCOPED_TRACE(length);
        ExpectRejectedQuietly(file.substr(0, length));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(ProjectFileTest, HostileLengthsAndCountsAreShortFiles) {
    const std::string header = EncodeProject({}).substr(0, 5);
    auto slot32 = [](uint32_t v) {
        std::string s = "\xFF\xFF\xFF\xFF";
        for (int shift = 24; shift >= 0; shift -= 8) s += char(uint8_t(v >> shift));
        return s;
    };
    const std::string fillNoParams = slot32(1) + slot32(0);
    // Two billion instructions claimed, one present.
    EXPECT_EQ(ExpectRejected(header + slot32(2000000000) + fillNoParams), "");
    // A name length far beyond the end, and a negative one.
    const std::string oneParam = slot32(1) + slot32(1) + slot32(1);
    EXPECT_EQ(ExpectRejected(header + oneParam + slot32(0x7FFFFFF0) + "Seed"), "");
    EXPECT_EQ(ExpectRejected(header + oneParam + slot32(0xFFFFFFFF) + "Seed"), "");
    // Two billion parameters claimed, none present.
    EXPECT_EQ(ExpectRejected(header + slot32(1) + slot32(1) + slot32(0x7FFFFFFF)), "");

    // More instructions than a load accepts: refused with a message.
    std::string many = header + slot32(uint32_t(kMaxProjectInstructions) + 1);
    for (int32_t i = 0; i <= kMaxProjectInstructions; ++i) many += fillNoParams;
    EXPECT_EQ(ExpectRejected(many), "Project file holds more than 65536 instructions.\n");

    // Negative counts mean none: an empty queue and an instruction without parameters.
    const std::string path = ScratchPath("negative.pcg");
    WriteBytes(path, header + slot32(1) + slot32(1) + slot32(0xFFFFFFFF));
    ASSERT_TRUE(LoadProjectFile(path));
    ASSERT_EQ(instructionQueue.size(), 1u);
    EXPECT_EQ(instructionQueue[0]->GetRecord("Color_Red"), FindPrototypeByTypeId(1)->GetRecord("Color_Red"));
    WriteBytes(path, header + slot32(0x80000000));
    ASSERT_TRUE(LoadProjectFile(path));
    EXPECT_TRUE(instructionQueue.empty());
}

// Names the class does not declare stay in the map without a value type;
// a name holding a zero byte is cut there.
TEST_F(ProjectFileTest, UndeclaredAndZeroCutNames) {
    std::string file = EncodeProject(Queue(FromCatalogue(0)));  // Clear Selection: no parameters
    file.replace(file.size() - 8, 8, std::string("\xFF\xFF\xFF\xFF\x00\x00\x00\x02", 8));
    file += std::string("\xFF\xFF\xFF\xFF\x00\x00\x00\x05", 8) + "Extra" + std::string(7, '\x12') + '\x34' +
            std::string(7, '\xFF') + '\x00';
    file += std::string("\xFF\xFF\xFF\xFF\x00\x00\x00\x06", 8) + std::string("Cut\0me", 6) +
            std::string(8, '\x01') + std::string(7, '\xFF') + '\x00';
    const std::string path = ScratchPath("names.pcg");
    WriteBytes(path, file);
    ASSERT_TRUE(LoadProjectFile(path));
    ASSERT_EQ(instructionQueue.size(), 1u);
    const ParamRecord extra = instructionQueue[0]->GetRecord("Extra");
    EXPECT_EQ(extra.value.Type(), ValueType::None);
    EXPECT_EQ(extra.value.Payload(), 0x1212121212121234ull);
    EXPECT_TRUE(instructionQueue[0]->HasParameter("Cut"));
    EXPECT_EQ(instructionQueue[0]->Parameters().size(), 2u);
}

// Seeds replace the `Seed` parameters in file order; extra seeds stay queued,
// extra `Seed` parameters keep their stored values.
TEST_F(ProjectFileTest, CommandLineSeedsGoToSeedParametersInFileOrder) {
    const std::string path = ScratchPath("seeds.pcg");
    WriteBytes(path, EncodeProject(Queue(FromCatalogue(14, {{"Seed", U64(0)}}), FromCatalogue(1),
                                         FromCatalogue(14, {{"Seed", U64(0)}}),
                                         FromCatalogue(14, {{"Seed", U64(0)}}))));
    commandLineSeeds = {7, 9};
    ASSERT_TRUE(LoadProjectFile(path));
    ASSERT_EQ(instructionQueue.size(), 4u);
    EXPECT_EQ(instructionQueue[0]->GetRawValue("Seed"), U64(7));
    EXPECT_EQ(instructionQueue[2]->GetRawValue("Seed"), U64(9));
    EXPECT_EQ(instructionQueue[3]->GetRawValue("Seed"), U64(0));
    EXPECT_TRUE(commandLineSeeds.empty());

    // Dilate and Erode Morph take seeds too; a negative seed is widened with sign.
    WriteBytes(path, EncodeProject(Queue(FromCatalogue(15), FromCatalogue(16, {{"Seed", U64(44)}}))));
    commandLineSeeds = {-3};
    ASSERT_TRUE(LoadProjectFile(path));
    EXPECT_EQ(instructionQueue[0]->GetRawValue("Seed"), U64(0xFFFFFFFFFFFFFFFDull));
    EXPECT_EQ(instructionQueue[1]->GetRawValue("Seed"), U64(44));

    commandLineSeeds = {1, 2, 3};
    ASSERT_TRUE(LoadProjectFile(path));
    EXPECT_EQ(commandLineSeeds, std::deque<int32_t>{3});
}

TEST_F(ProjectFileTest, MissingFileIsReportedByPath) {
    const std::string path = ScratchPath("no_such_dir") + "/x.pcg";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadProjectFile(path));
    EXPECT_FALSE(SaveProjectFile(path));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Unable to open file: " + path + "\nUnable to open file: " + path + "\n");
}

// The reader keeps no state of its own: loads on several threads at once
// each get their own file's instructions and seeds.
TEST_F(ProjectFileTest, ConcurrentReadsAreIndependent) {
    std::vector<std::string> paths;
    for (uint64_t t = 0; t < 4; ++t) {
        paths.push_back(ScratchPath("thread" + std::to_string(t) + ".pcg"));
        WriteBytes(paths.back(), EncodeProject(Queue(FromCatalogue(14, {{"Seed", U64(t)}}), FromCatalogue(1))));
    }
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                std::deque<int32_t> seeds;
                if (t % 2) seeds.push_back(int32_t(100 + t));
                InstructionList loaded;
                if (!ReadProjectFile(paths[t], seeds, loaded)) return;
                results[t] = EncodeProject(loaded);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (uint64_t t = 0; t < 4; ++t)
        EXPECT_EQ(results[t], EncodeProject(Queue(FromCatalogue(14, {{"Seed", U64(t % 2 ? 100 + t : t)}}),
                                                  FromCatalogue(1))));
}

}  // namespace
