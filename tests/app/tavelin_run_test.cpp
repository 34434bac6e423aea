// End-to-end runs of the tavelin executable as a subprocess: output lines,
// exit status and the written PNG. Each test runs its own copy of the
// executable in a scratch folder, since the image goes beside the executable.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stb/stb_image.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>

#include "example_projects.h"
#include "instructions/function_catalogue.h"
#include "project/project_file.h"
#include "project/project_file_format.h"
#include "support/test_support.h"

extern char** environ;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

struct RunResult {
    int status = -2;  // exit status, or -2 when the process did not exit normally
    std::string out, err;
};

class TavelinRunTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = testing::TempDir() + "tavelin_" + info->name();
        std::system(("rm -rf '" + dir_ + "' && mkdir -p '" + dir_ + "'").c_str());
        exe_ = dir_ + "/tavelin";
        WriteFile(exe_, ReadFile(TAVELIN_PATH));
        ::chmod(exe_.c_str(), 0755);
        output_ = dir_ + "/pcgOutput.png";
    }
    void TearDown() override {
        commandLineSeeds.clear();
        CoreTest::TearDown();
    }

    RunResult Run(std::vector<std::string> args, const std::string& argv0 = "") {
        args.insert(args.begin(), argv0.empty() ? exe_ : argv0);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string outPath = dir_ + "/stdout.txt", errPath = dir_ + "/stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid;
        RunResult result;
        const int spawned = posix_spawn(&pid, exe_.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return result;
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
        result.out = ReadFile(outPath);
        result.err = ReadFile(errPath);
        return result;
    }

    std::string HeadlessLine() const { return "Headless directory is: " + dir_ + "\n"; }
    std::string SuccessOutput() const { return HeadlessLine() + "Writing file to: " + output_ + "\n"; }

    // The written image as raster pixels (row 0 at the bottom).
    PixelBuffer LoadOutput() const {
        int w = 0, h = 0, channels = 0;
        unsigned char* data = stbi_load(output_.c_str(), &w, &h, &channels, 4);
        PixelBuffer pixels;
        if (data == nullptr) return pixels;
        EXPECT_EQ(w, 100);
        EXPECT_EQ(h, 100);
        EXPECT_EQ(channels, 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const unsigned char* p = data + ((h - 1 - y) * w + x) * 4;
                pixels.push_back(Color(p[0], p[1], p[2], p[3]));
            }
        stbi_image_free(data);
        return pixels;
    }

    // What the project renders to in this process with the given seeds.
    static PixelBuffer Expected(const std::string& path, std::deque<int32_t> seeds) {
        InstructionList queue;
        EXPECT_TRUE(ReadProjectFile(path, seeds, queue));
        ReseedParameterRng(0);  // every project used here starts with a Set Seed
        return Render(queue)->CompositeCanvas();
    }

    std::string Example(const std::string& name) const {
        return std::string(ORVANE_SOURCE_DIR) + "/examples/" + name + ".pcg";
    }

    std::string dir_, exe_, output_;
};

const char* const kSeedMessage =
    "Seeds passed in need to be in integer format. \n\n\tUsage: Tavelin.exe [path_to_file] [seed1] [seed2] ...\n\n";

TEST_F(TavelinRunTest, RendersTheDefaultProjectWithItsStoredSeeds) {
    const RunResult r = Run({Example("default")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, SuccessOutput());
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(ImagesEqual(LoadOutput(), Render(MakeDefaultQueue())->CompositeCanvas(), 100, 100));
}

// " 7", "-3" and "12abc" convert to 7, -3 and 12 and replace the stored
// seeds in file order; a second run with other seeds overwrites the image.
TEST_F(TavelinRunTest, SeedsReplaceStoredSeedsAndRunsOverwriteTheImage) {
    const std::string project = dir_ + "/three_seeds.pcg";
    InstructionList queue;
    for (uint32_t id : {14u, 16u, 15u}) {
        queue.push_back(FindPrototypeByTypeId(id)->Clone());
        queue.push_back(FindPrototypeByTypeId(1)->Clone());
        Randomise(*queue.back(), "Color_Red", I32(-255), I32(0));
        Randomise(*queue.back(), "Color_Alpha", I32(-200), I32(0));
    }
    ASSERT_TRUE(WriteProjectFile(project, queue));

    RunResult r = Run({project, " 7", "-3", "12abc"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, SuccessOutput());
    EXPECT_EQ(r.err, "");
    const PixelBuffer first = LoadOutput();
    EXPECT_TRUE(ImagesEqual(first, Expected(project, {7, -3, 12}), 100, 100));

    r = Run({project, "7", "-3", "13"});
    EXPECT_EQ(r.status, 0);
    const PixelBuffer second = LoadOutput();
    EXPECT_TRUE(ImagesEqual(second, Expected(project, {7, -3, 13}), 100, 100));
    EXPECT_FALSE(CompareImages(first, second, 100, 100).Same());
}

TEST_F(TavelinRunTest, SeedConversionLimits) {
    for (const char* good : {"+5", "2147483647", "-2147483648", "\t 0x10", "007"}) {
        SCOPED_TRACE(good);
        const RunResult r = Run({Example("default"), good});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
    }
    std::remove(output_.c_str());
    for (const char* bad : {"abc", "99999999999", "2147483648", "-2147483649", "", "-", "+ 1", " "}) {
        SCOPED_TRACE(bad);
        const RunResult r = Run({Example("default"), "1", bad, "2"});
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, HeadlessLine());
        EXPECT_EQ(r.err, kSeedMessage);
        EXPECT_FALSE(Exists(output_));
    }
}

// A missing project is reported before any seed is looked at, naming the
// executable by the last component of its invocation path.
TEST_F(TavelinRunTest, MissingProjectIsReportedBeforeSeeds) {
    const std::string usage = " [path_to_file] [seed1] [seed2] ...\n\n";
    RunResult r = Run({dir_ + "/missing.pcg", "7", "letters"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, HeadlessLine());
    EXPECT_EQ(r.err, "File not found or inaccessible. \n\n\tUsage: tavelin" + usage);
    r = Run({"missing.pcg"}, "C:\\tools\\Tavelin.exe");
    EXPECT_EQ(r.err, "File not found or inaccessible. \n\n\tUsage: Tavelin.exe" + usage);
    r = Run({"missing.pcg"}, "/opt/orvane/tav/");
    EXPECT_EQ(r.err, "File not found or inaccessible. \n\n\tUsage: tav" + usage);
    EXPECT_FALSE(Exists(output_));
}

// Without arguments the directory line still comes first; this copy has no
// editor beside it, so the editor start fails with -1.
TEST_F(TavelinRunTest, NoArgumentPrintsTheDirectoryBeforeTheEditor) {
    const RunResult r = Run({});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out.substr(0, HeadlessLine().size()), HeadlessLine());
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(Exists(output_));
}

// A project that does not load writes no image: an earlier one stays.
TEST_F(TavelinRunTest, FailedLoadKeepsTheEarlierImageAndFails) {
    WriteFile(output_, "earlier image");
    std::string bytes = EncodeProject(MakeDefaultQueue());
    bytes[0] = 2;
    WriteFile(dir_ + "/major2.pcg", bytes);
    RunResult r = Run({dir_ + "/major2.pcg", "3"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, HeadlessLine());
    EXPECT_EQ(r.err, "Major version did not match.\n");
    EXPECT_EQ(ReadFile(output_), "earlier image");

    WriteFile(dir_ + "/short.pcg", EncodeProject(MakeDefaultQueue()).substr(0, 40));
    r = Run({dir_ + "/short.pcg"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFile(output_), "earlier image");
}

TEST_F(TavelinRunTest, UnwritableImageIsReported) {
    ASSERT_EQ(::mkdir(output_.c_str(), 0755), 0);  // a folder where the image should go
    const RunResult r = Run({Example("default")});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, SuccessOutput());
    EXPECT_EQ(r.err, "Unable to write file: " + output_ + "\n");
}

// The committed examples are what their definitions build, together use
// every instruction class, and each renders headless to what this process
// renders from it; those with randomised parameters differ per seed.
TEST_F(TavelinRunTest, ExamplesMatchTheirDefinitionsAndRender) {
    const ExampleSet set = BuildExampleProjects();
    EXPECT_GE(set.projects.size(), 6u);
    std::set<uint32_t> used;
    for (const ExampleProject& project : set.projects) {
        SCOPED_TRACE(project.name);
        const std::string path = Example(project.name);
        ASSERT_EQ(ReadFile(path), EncodeProject(project.queue))
            << "examples/ is out of date: run make_examples <source>/examples";
        bool randomised = false;
        for (const auto& instruction : project.queue) {
            used.insert(instruction->GetTypeId());
            for (const auto& entry : instruction->Parameters()) randomised |= entry.second.randomized;
        }
        RunResult r = Run({path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        const PixelBuffer stored = LoadOutput();
        EXPECT_TRUE(ImagesEqual(stored, Expected(path, {}), 100, 100));
        std::set<uint32_t> colours;
        for (const Color c : stored) colours.insert(c.Word());
        EXPECT_GE(colours.size(), 2u) << "blank picture";
        if (!randomised) continue;
        r = Run({path, "101", "102", "103"});
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(CompareImages(stored, LoadOutput(), 100, 100).Same()) << "seeds change nothing";
    }
    for (const AbstractRasterFunction* prototype : functionCatalogue())
        EXPECT_TRUE(used.count(prototype->GetTypeId())) << prototype->GetName() << " is in no example";
}

}  // namespace
