// End-to-end runs of tavelin-family as a subprocess, each member compared
// byte for byte with what tavelin writes for the same seeds.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stb/stb_image.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "functions/fill.h"
#include "functions/gradient.h"
#include "functions/rect_selection.h"
#include "functions/set_seed.h"
#include "project/project_file.h"
#include "support/test_support.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct RunResult {
    int status = -2;
    std::string err;
};

// Every file name in a folder.
std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    if (!fs::exists(dir)) return names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

// Set Seed, then a randomised rectangle filled with a randomised colour.
InstructionList RectProject() {
    auto seed = MakeDefault<SetSeedRasterFunction>({{"Seed", U64(0)}});
    auto rect = MakeDefault<RectSelectionRasterFunction>(
        {{"Pos_StartX", I32(10)}, {"Pos_StartY", I32(20)}, {"Pos_EndX", I32(60)}, {"Pos_EndY", I32(70)}});
    Randomise(*rect, "Pos_EndX", I32(-30), I32(30));
    Randomise(*rect, "Pos_StartY", I32(-15), I32(15));
    auto fill = MakeDefault<FillRasterFunction>({{"Color_Red", U8(200)}, {"Color_Green", U8(40)}});
    Randomise(*fill, "Color_Red", I32(-100), I32(50));
    Randomise(*fill, "Color_Blue", I32(0), I32(255));
    return Queue(std::move(seed), std::move(rect), std::move(fill));
}

// Two Set Seeds, so that members are tuples: the first picks the fill, the
// second the gradient laid over it.
InstructionList TwoSeedProject() {
    InstructionList queue = RectProject();
    auto second = MakeDefault<SetSeedRasterFunction>({{"Seed", U64(5)}});
    auto gradient = MakeDefault<GradientRasterFunction>();
    Randomise(*gradient, "Point1_X", I32(-50), I32(50));
    Randomise(*gradient, "Color2_Alpha", I32(-200), I32(0));
    Randomise(*gradient, "Color1_Green", I32(0), I32(255));
    queue.push_back(std::move(second));
    queue.push_back(std::move(gradient));
    return queue;
}

class FamilyRunTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = testing::TempDir() + "family_" + info->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_ + "/tavelin");
        tavelin_ = dir_ + "/tavelin/tavelin";
        fs::copy_file(TAVELIN_PATH, tavelin_);
        ::chmod(tavelin_.c_str(), 0755);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        CoreTest::TearDown();
    }

    std::string WriteProject(const std::string& name, const InstructionList& queue) {
        const std::string path = dir_ + "/" + name + ".pcg";
        EXPECT_TRUE(WriteProjectFile(path, queue));
        return path;
    }

    RunResult Spawn(const std::string& exe, std::vector<std::string> args) {
        args.insert(args.begin(), exe);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string errPath = dir_ + "/stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid;
        RunResult result;
        const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return result;
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
        result.err = ReadFile(errPath);
        return result;
    }

    RunResult Family(std::vector<std::string> args) { return Spawn(TAVELIN_FAMILY_PATH, std::move(args)); }

    // The PNG that `tavelin project seeds...` writes.
    std::string TavelinImage(const std::string& project, const std::vector<std::string>& seeds) {
        std::vector<std::string> args{project};
        args.insert(args.end(), seeds.begin(), seeds.end());
        const std::string output = dir_ + "/tavelin/pcgOutput.png";
        fs::remove(output);
        const RunResult run = Spawn(tavelin_, args);
        EXPECT_EQ(run.status, 0) << run.err;
        return ReadFile(output);
    }

    std::string dir_, tavelin_;
};

TEST_F(FamilyRunTest, MembersEqualTavelinOutputByteForByte) {
    std::vector<std::string> projects = {WriteProject("rect", RectProject())};
    const fs::path examples = fs::path(ORVANE_SOURCE_DIR) / "examples";
    if (fs::exists(examples))
        for (const auto& entry : fs::directory_iterator(examples))
            if (entry.path().extension() == ".pcg") projects.push_back(entry.path().string());

    for (const std::string& project : projects) {
        const std::string out = dir_ + "/out_" + fs::path(project).stem().string();
        const RunResult run = Family({project, "--seeds", "-2--1,7,40000", "--out", out, "--quiet"});
        ASSERT_EQ(run.status, 0) << project << ": " << run.err;
        const std::string stem = fs::path(project).stem().string();
        for (const char* seed : {"-2", "-1", "7", "40000"}) {
            const std::string member = ReadFile(out + "/" + stem + "-" + seed + ".png");
            ASSERT_FALSE(member.empty()) << project << " seed " << seed;
            EXPECT_EQ(member, TavelinImage(project, {seed})) << project << " seed " << seed;
        }
        EXPECT_EQ(Listing(out).size(), 4u) << "no temporary file is left behind";
    }
}

TEST_F(FamilyRunTest, TuplesFeedTheSeedParametersInFileOrder) {
    const std::string project = WriteProject("two", TwoSeedProject());
    std::ofstream(dir_ + "/seeds.txt") << "# first second\n7 9\n7 10\n8 9\n3\n";
    const RunResult run = Family({project, "--seeds", "@" + dir_ + "/seeds.txt", "--out", dir_ + "/out", "-q"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::set<std::string> images;
    for (const std::vector<std::string>& tuple :
         std::vector<std::vector<std::string>>{{"7", "9"}, {"7", "10"}, {"8", "9"}, {"3"}}) {
        std::string label;
        for (const std::string& s : tuple) label += (label.empty() ? "" : "_") + s;
        const std::string member = ReadFile(dir_ + "/out/two-" + label + ".png");
        EXPECT_EQ(member, TavelinImage(project, tuple)) << label;
        images.insert(member);
    }
    EXPECT_EQ(images.size(), 4u) << "each seed of a tuple changes the member";
}

TEST_F(FamilyRunTest, AMinorVersionWarningIsPrintedOnceAndChangesNoMember) {
    const std::string project = WriteProject("minor", RectProject());
    std::string bytes = ReadFile(project);
    bytes[2] = 3;
    std::ofstream(project, std::ios::binary | std::ios::trunc) << bytes;
    const RunResult run = Family({project, "--seeds", "1-6", "--out", dir_ + "/out", "-q", "-j2"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "Minor version did not match.\n");
    EXPECT_EQ(ReadFile(dir_ + "/out/minor-4.png"), TavelinImage(project, {"4"}));
}

TEST_F(FamilyRunTest, OutputDoesNotDependOnTheNumberOfJobs) {
    const std::string project = WriteProject("two", TwoSeedProject());
    ASSERT_EQ(Family({project, "--seeds", "1-24", "--out", dir_ + "/one", "--jobs", "1", "-q"}).status, 0);
    ASSERT_EQ(Family({project, "--seeds", "1-24", "--out", dir_ + "/two", "--jobs", "2", "-q"}).status, 0);
    ASSERT_EQ(Listing(dir_ + "/one").size(), 24u);
    EXPECT_EQ(Listing(dir_ + "/one"), Listing(dir_ + "/two"));
    for (const std::string& name : Listing(dir_ + "/one"))
        EXPECT_EQ(ReadFile(dir_ + "/one/" + name), ReadFile(dir_ + "/two/" + name)) << name;
}

TEST_F(FamilyRunTest, ShardsPartitionTheSetAndSkipExistingResumes) {
    const std::string project = WriteProject("rect", RectProject());
    std::map<std::string, int> owners;
    for (int shard = 1; shard <= 3; ++shard) {
        const std::string out = dir_ + "/shard" + std::to_string(shard);
        ASSERT_EQ(Family({project, "--seeds", "10-19", "--out", out, "--shard", std::to_string(shard) + "/3", "-q"})
                      .status,
                  0);
        for (const std::string& name : Listing(out)) ++owners[name];
    }
    ASSERT_EQ(owners.size(), 10u);
    for (const auto& [name, count] : owners) EXPECT_EQ(count, 1) << name;
    // Member k (from 0) belongs to shard k mod 3 + 1: seeds 10, 13, 16, 19 to shard 1.
    EXPECT_EQ(Listing(dir_ + "/shard1"),
              (std::set<std::string>{"rect-10.png", "rect-13.png", "rect-16.png", "rect-19.png"}));

    // Resume: deleted members come back identical; kept ones are not touched.
    const std::string out = dir_ + "/shard1";
    const std::string original13 = ReadFile(out + "/rect-13.png");
    fs::remove(out + "/rect-13.png");
    std::ofstream(out + "/rect-16.png", std::ios::trunc) << "kept";
    const RunResult rerun =
        Family({project, "--seeds", "10-19", "--out", out, "--shard", "1/3", "--skip-existing"});
    ASSERT_EQ(rerun.status, 0) << rerun.err;
    EXPECT_NE(rerun.err.find("1 members written, 3 kept"), std::string::npos) << rerun.err;
    EXPECT_EQ(ReadFile(out + "/rect-13.png"), original13);
    EXPECT_EQ(ReadFile(out + "/rect-16.png"), "kept");
}

TEST_F(FamilyRunTest, ContactSheetShowsEveryMemberOfTheRun) {
    const std::string project = WriteProject("rect", RectProject());
    const RunResult run = Family({project, "--seeds", "1-5", "--out", dir_ + "/out", "--contact-sheet",
                                  dir_ + "/sheet.png", "-q"});
    ASSERT_EQ(run.status, 0) << run.err;
    int w = 0, h = 0, n = 0;
    unsigned char* sheet = stbi_load((dir_ + "/sheet.png").c_str(), &w, &h, &n, 4);
    ASSERT_NE(sheet, nullptr);
    int mw = 0, mh = 0;
    unsigned char* member = stbi_load((dir_ + "/out/rect-1.png").c_str(), &mw, &mh, &n, 4);
    ASSERT_NE(member, nullptr);
    // Five members: three columns, two rows; member 1 opaque in the first cell.
    EXPECT_GT(w, 3 * 100);
    EXPECT_GT(h, 2 * 100);
    EXPECT_LT(h, w);
    bool found = false;
    for (int top = 0; top < 20 && !found; ++top) {
        for (int left = 0; left < 20 && !found; ++left) {
            bool same = true;
            for (int y = 0; y < 100 && same; ++y)
                same = std::memcmp(sheet + (size_t(top + y) * w + left) * 4, member + size_t(y) * 400, 400) == 0;
            found = same;
        }
    }
    EXPECT_TRUE(found) << "member 1 appears unchanged in the first cell";
    stbi_image_free(sheet);
    stbi_image_free(member);
}

TEST_F(FamilyRunTest, AnInterruptedRunLeavesOnlyCompleteMembers) {
    const std::string project = WriteProject("rect", RectProject());
    const std::string out = dir_ + "/out";
    std::vector<std::string> args{TAVELIN_FAMILY_PATH, project, "--seeds", "1-200000", "--out", out, "-q"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    // Wait until members are being written, then stop the run.
    for (int i = 0; i < 12000 && Listing(out).size() < 20; ++i) ::usleep(5000);
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const std::set<std::string> names = Listing(out);
    EXPECT_GE(names.size(), 20u);
    EXPECT_LT(names.size(), 200000u);
    for (const std::string& name : names) {
        ASSERT_EQ(name.rfind("rect-", 0), 0u) << "left behind: " << name;
        int w = 0, h = 0, n = 0;
        unsigned char* pixels = stbi_load((out + "/" + name).c_str(), &w, &h, &n, 4);
        ASSERT_NE(pixels, nullptr) << name << " is not a complete PNG";
        stbi_image_free(pixels);
        EXPECT_EQ(w, 100);
    }
}

TEST_F(FamilyRunTest, BadInputFailsBeforeAnyWorkWithDistinctStatuses) {
    const std::string project = WriteProject("rect", RectProject());
    const std::string out = dir_ + "/out";

    RunResult r = Family({dir_ + "/missing.pcg", "--seeds", "1", "--out", out});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "File not found or inaccessible. \n\n\tUsage: tavelin-family [path_to_file] [seed1] [seed2] ...\n\n");

    std::ofstream(dir_ + "/major2.pcg", std::ios::binary) << std::string("\x02\x00\x02\x00\x00", 5);
    r = Family({dir_ + "/major2.pcg", "--seeds", "1", "--out", out});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "Major version did not match.\n");

    EXPECT_EQ(Family({project, "--seeds", "1-x", "--out", out}).status, 3);
    EXPECT_EQ(Family({project, "--seeds", "1,1", "--out", out}).status, 3);
    EXPECT_EQ(Family({project, "--seeds", "1", "--out", out, "--pattern", "../<seed>.png"}).status, 4);
    EXPECT_EQ(Family({project, "--seeds", "1", "--out", out, "--pattern", "same.png"}).status, 4);
    EXPECT_EQ(Family({project, "--seeds", "1", "--out", out, "--jobs", "0"}).status, 2);
    EXPECT_FALSE(fs::exists(out)) << "nothing is created when the arguments are refused";

    // An output folder that cannot be created: a path through a regular file.
    std::ofstream(dir_ + "/plain") << "x";
    r = Family({project, "--seeds", "1", "--out", dir_ + "/plain/out"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("tavelin-family: "), std::string::npos);
    EXPECT_EQ(Family({project, "--seeds", "1", "--out", out, "--contact-sheet", dir_ + "/nowhere/s.png"}).status, 4);
    EXPECT_EQ(Family({project, "--seeds", "1", "--out", out, "--contact-sheet", out + "/rect-1.png"}).status, 4);
    EXPECT_EQ(Family({project, "--seeds", "0-100000", "--out", out, "--contact-sheet", dir_ + "/s.png"}).status, 5);
    EXPECT_TRUE(Listing(out).empty());
}

}  // namespace
