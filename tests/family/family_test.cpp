// tavelin-family: seed sets, names and progress text in process; then runs
// of the program with shards, resuming, the contact sheet, an interrupt and
// the refusals with their exit statuses. (The app tests compare its members
// with tavelin's pictures.) The runs write the options in every form they
// may take (--out DIR, --out=DIR, -o DIR, -oDIR, ...).
#include <gtest/gtest.h>
#include <signal.h>
#include <stb/stb_image.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "app/subprocess.h"
#include "family/member_files.h"
#include "family/options.h"
#include "family/output_names.h"
#include "family/progress.h"
#include "family/seed_set.h"
#include "raster/console.h"

namespace fs = std::filesystem;

namespace {

using Tuples = std::vector<std::vector<int32_t>>;

// Every --seeds value gives its tuples, or fails with an error holding the fragment.
// Single seeds convert as tavelin's arguments do: blanks skipped, one sign,
// digits up to the first other character, within the signed 32-bit range.
TEST(FamilyParts, SeedSetsPatternsAndProgressText) {
    auto file = [](const std::string& name, const std::string& text) {
        std::ofstream(testing::TempDir() + name, std::ios::binary) << text;
        return "@" + testing::TempDir() + name;
    };
    const std::string notSeed = "' is not a seed, a range A-B or A..B, or a tuple of them joined by ':'";
    const std::tuple<std::string, Tuples, std::string> cases[] = {
        {"7", {{7}}, ""}, {" \t+8", {{8}}, ""}, {"2147483647", {{INT32_MAX}}, ""}, {"-2147483648", {{INT32_MIN}}, ""},
        {"0000000000000042", {{42}}, ""}, {"1-4", {{1}, {2}, {3}, {4}}, ""}, {"1..3", {{1}, {2}, {3}}, ""},
        {"-3--1", {{-3}, {-2}, {-1}}, ""}, {"-1-1", {{-1}, {0}, {1}}, ""}, {"3-1", {{3}, {2}, {1}}, ""},
        {"1-2,9,-5..-6", {{1}, {2}, {9}, {-5}, {-6}}, ""}, {"2147483646-2147483647", {{2147483646}, {INT32_MAX}}, ""},
        {"-2147483648..-2147483647", {{INT32_MIN}, {INT32_MIN + 1}}, ""}, {"7:9", {{7, 9}}, ""},
        {"1-2:5, 3:4..3", {{1, 5}, {2, 5}, {3, 4}, {3, 3}}, ""}, {"", {}, "empty item"}, {",3", {}, "empty item"},
        {"3,,8", {}, "empty item"}, {"abc", {}, "'abc" + notSeed}, {"12abc", {}, "'12abc" + notSeed},
        {"1 - 3", {}, "'1 - 3" + notSeed}, {"1x-3", {}, "'1x-3'"}, {"1x..3", {}, "'1x..3'"}, {"1e3-1e4", {}, "'1e3"},
        {"\t 0x10", {}, "'0x10'"}, {"--5", {}, "'--5'"}, {"-", {}, "'-'"}, {"+ 1", {}, "'+ 1'"}, {"7:", {}, "'7:'"},
        {"2147483648", {}, "'2147483648'"}, {"-2147483649", {}, "'-2147483649'"}, {"1-5,3", {}, "3 is listed twice"},
        // 18446744073709551621 is 2^64 + 5: the conversion must not wrap around to 5.
        {"18446744073709551621", {}, "'18446744073709551621'"}, {"1-2147483648", {}, "'1-2147483648'"},
        {"1-", {}, "'1-" + notSeed}, {"1-x", {}, "'1-x'"}, {"1-5x", {}, "'1-5x'"}, {"1..", {}, "'1..'"},
        {"0-2147483647", {}, "more than 16777216 members"}, {"1-10,0-16777210", {}, "more than 16777216 members"},
        {file("family_a", "# brick variants\n7 9\n\n  8,9\r\n-1\t-2:-3\n10"), {{7, 9}, {8, 9}, {-1, -2, -3}, {10}}, ""},
        {file("family_b", "1 2\n3 x\n"), {}, "family_b:2: 'x' is not a seed"},
        {file("family_c", "1-5\n"), {}, "family_c:1: '1-5' is not a seed (a signed 32-bit integer; ranges"},
        {file("family_d", "1 2\n2 1\n1 2\n"), {}, "seed tuple 1_2 is listed twice"},
        {file("family_e", "1\n,\n"), {}, "family_e:2: the line holds no seed"},
        {file("family_f", "# nothing\n\n"), {}, "holds no seed tuple"},
        {"@" + testing::TempDir() + "family_none", {}, "cannot read seed file"},
        {"@/dev/zero", {}, "cannot read seed file '/dev/zero': not a regular file"},
    };
    for (const auto& [seeds, tuples, fragment] : cases) {
        SeedSet set;
        std::string error;
        Tuples parsed;
        const bool ok = ParseSeedSpec(seeds, set, error);
        for (size_t k = 0; ok && k < set.Size(); ++k) parsed.push_back(set.Tuple(k));
        EXPECT_EQ(parsed, tuples) << seeds;
        EXPECT_TRUE(fragment.empty() ? error.empty() : error.find(fragment) != std::string::npos) << seeds << ": "
                                                                                                 << error;
    }

    // Member name patterns and the progress text.
    for (const char* good : {"<project>-<seed>.png", "x<index>.png", "<seed><seed>.png", "<index:020>.png"})
        EXPECT_EQ(CheckPattern(good), "") << good;
    for (const char* bad : {"", "sub/<seed>.png", "../<seed>.png", "<project>.png", "fixed.png", "<seeds>.png",
                            "<seed>-<tile>.png", "a>b<seed>.png", ".", "..", "<seed>", "<seed>.jpg", "<index:5>.png",
                            "<index:00>.png", "<index:021>.png"})
        EXPECT_NE(CheckPattern(bad), "") << bad;
    EXPECT_EQ(MemberFileName("<project><index:04>_<index>.png", "b", "7", 42), "b0042_42.png");
    // The CPU limit of a control group: v2 cpu.max, v1 quota and period, none.
    const std::string root = testing::TempDir() + "cgroup";
    fs::create_directories(root + "/a/b"), fs::create_directories(root + "/cpu,cpuacct/c");
    std::ofstream(root + "/v2") << "0::/a/b\n", std::ofstream(root + "/a/b/cpu.max") << "150000 100000\n";
    std::ofstream(root + "/v1") << "3:cpu,cpuacct:/c\n", std::ofstream(root + "/cpu.max") << "max 100000\n";
    std::ofstream(root + "/cpu,cpuacct/c/cpu.cfs_quota_us") << "50000", std::ofstream(root + "/none") << "0::/\n";
    std::ofstream(root + "/cpu,cpuacct/c/cpu.cfs_period_us") << "100000";
    EXPECT_EQ(std::make_tuple(ControlGroupCpuLimit(root + "/v2", root), ControlGroupCpuLimit(root + "/v1", root),
                              ControlGroupCpuLimit(root + "/none", root)), std::make_tuple(2u, 1u, 0u));
    // Durations rounded up to whole seconds; no rate before the first member.
    EXPECT_EQ(DurationText(0) + "|" + DurationText(75) + "|" + DurationText(3725), "0 s|1 min 15 s|1 h 02 min");
    EXPECT_EQ(ProgressText(0, 500, 1.0), "0/500 members");
    EXPECT_EQ(ProgressText(3, 500, 3 / 45.2), "3/500 members, 45.2/s, 11 s left");
}

std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

// Where the member appears unchanged in cell (column, row) of a sheet of
// 2 x 2 equal cells: the sheet row just below it, 0 when nowhere.
uint32_t FindInCell(const RgbaImage& sheet, const RgbaImage& member, uint32_t column, uint32_t row) {
    const uint32_t cellWidth = sheet.width / 2, cellHeight = sheet.height / 2;
    for (uint32_t top = row * cellHeight; top + member.height <= (row + 1) * cellHeight; ++top)
        for (uint32_t left = column * cellWidth; left + member.width <= (column + 1) * cellWidth; ++left) {
            bool same = true;
            for (uint32_t y = 0; y < member.height && same; ++y)
                same = std::memcmp(sheet.At(left, top + y), member.At(0, y), member.width * 4) == 0;
            if (same) return top + member.height;
        }
    return 0;
}

class FamilyRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Reseeded before its first random value (members are reproducible), its
        // colours varying with that seed.
        fs::copy_file(ORVANE_SOURCE_DIR "/examples/tiles.pcg", project_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    RunResult Family(const std::vector<std::string>& args) { return RunProgram(TAVELIN_FAMILY_PATH, args, dir_); }

    const std::string dir_ =
        testing::TempDir() + "family_" + testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string project_ = dir_ + "/t.pcg";
};

// Member k belongs to shard k mod N + 1; a resumed run renders only the
// missing members, and its contact sheet shows kept (as they are on disk)
// and new ones in order, each with its label in light ink below it. An
// interrupted run ends with 130 and leaves only complete members.
TEST_F(FamilyRunTest, ShardsResumeContactSheetAndInterrupt) {
    std::string bytes = ReadFile(project_);
    bytes[2] = 3;  // minor version 3: one warning per run, the project loaded all the same
    std::ofstream(project_, std::ios::binary | std::ios::trunc) << bytes;
    const std::string warning = "Minor version did not match.\n";
    std::map<std::string, int> owners;
    for (const std::string shard : {"1", "2", "3"}) {
        const RunResult r =
            Family({project_, "-s10-19", "-o" + dir_ + "/" + shard, "--shard=" + shard + "/3", "-j2", "-q"});
        ASSERT_EQ(std::tie(r.status, r.err), std::make_tuple(0, warning));
        for (const std::string& name : Listing(dir_ + "/" + shard)) ++owners[name];
    }
    EXPECT_EQ(owners.size(), 10u);
    for (const auto& [name, count] : owners) EXPECT_EQ(count, 1) << name;
    const std::string first = dir_ + "/1/t-";
    EXPECT_EQ(Listing(dir_ + "/1"), (std::set<std::string>{"t-10.png", "t-13.png", "t-16.png", "t-19.png"}));

    // Member 13 is gone, member 16 replaced by another member's picture, 19
    // by no picture at all; temporaries of a gone run of this machine and of
    // a running one (this test) lie there.
    const std::string original = ReadFile(first + "13.png"), nineteen = ReadFile(first + "19.png");
    EXPECT_NE(original, ReadFile(first + "10.png")) << "the seed changes nothing";
    fs::remove(first + "13.png");
    fs::copy_file(first + "10.png", first + "16.png", fs::copy_options::overwrite_existing);
    std::ofstream(first + "19.png") << "garbage";
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const std::string temporary = dir_ + "/1/.t-10.png.tmp~" + std::string(host).substr(0, 64) + "~";
    std::ofstream(temporary + "2147483647~0") << "x";
    std::ofstream(temporary + std::to_string(::getpid()) + "~0") << "x";
    const RunResult r = Family({project_, "--seeds", "10-19", "--out", dir_ + "/1", "--shard", "1/3", "-j2",
                                "--skip-existing", "--contact-sheet=" + dir_ + "/sheet.png", "-m", dir_ + "/m"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.rfind(warning + "tavelin-family: 2/2 members", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\ntavelin-family: 2 members written, 2 kept, 2 jobs"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(first + "13.png") + ReadFile(first + "19.png"), original + nineteen);
    EXPECT_EQ(ReadFile(first + "16.png"), ReadFile(first + "10.png")) << "a kept member is not written again";
    EXPECT_FALSE(fs::exists(temporary + "2147483647~0"));
    EXPECT_TRUE(fs::exists(temporary + std::to_string(::getpid()) + "~0"));
    std::string manifest;
    for (const int seed : {10, 13, 16, 19}) {
        const std::string name = "t-" + std::to_string(seed) + ".png";
        const std::string sum = RunProgram("/usr/bin/sha256sum", {first + std::to_string(seed) + ".png"}, dir_).out;
        manifest += "{\"seeds\":[" + std::to_string(seed) + "],\"file\":\"" + name + "\",\"sha256\":\"" +
                    sum.substr(0, 64) + "\",\"width\":100,\"height\":100}\n";
    }
    EXPECT_EQ(ReadFile(dir_ + "/m"), manifest);
    int w = 0, h = 0, n = 0;
    RgbaImage sheet, member;
    ASSERT_TRUE(stbi_info((dir_ + "/sheet.png").c_str(), &w, &h, &n) && LoadPng(dir_ + "/sheet.png", w, h, sheet));
    for (uint32_t k = 0; k < 4; ++k) {
        ASSERT_TRUE(LoadPng(first + std::to_string(10 + 3 * k) + ".png", 100, 100, member));
        const uint32_t below = FindInCell(sheet, member, k % 2, k / 2);
        int ink = 0;
        for (uint32_t y = below; below > 0 && y < (k / 2 + 1) * sheet.height / 2; ++y)
            for (uint32_t x = (k % 2) * sheet.width / 2; x < (k % 2 + 1) * sheet.width / 2; ++x)
                ink += sheet.At(x, y)[0] > 200 && sheet.At(x, y)[2] > 200;
        EXPECT_GT(ink, 20) << "member " << k << " is missing or unlabelled";
    }

    const std::string out = dir_ + "/out";
    const pid_t pid = StartProgram(TAVELIN_FAMILY_PATH, {project_, "-s", "1-200000", "-o", out, "-q"}, dir_);
    for (int i = 0; i < 12000 && (!fs::exists(out) || Listing(out).size() < 20); ++i) ::usleep(5000);
    int status = 0;
    ASSERT_TRUE(pid > 0 && ::kill(pid, SIGINT) == 0 && ::waitpid(pid, &status, 0) == pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
    const std::set<std::string> names = Listing(out);
    EXPECT_TRUE(names.size() >= 20 && names.size() < 200000) << names.size();
    for (const std::string& name : names)
        EXPECT_TRUE(name.rfind("t-", 0) == 0 && LoadPng(out + "/" + name, 100, 100, member)) << name;

    // A user allowed no further thread: the run says so and renders on its own thread.
    if (::getuid() != 0) return;
    fs::permissions(dir_, fs::perms::all);
    const RunResult single = RunProgram("/usr/bin/setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
        "prlimit", "--nproc=1", TAVELIN_FAMILY_PATH, project_, "-s1-3", "-o" + dir_ + "/one", "-j4", "-q"}, dir_);
    EXPECT_EQ(single.status, 0) << single.err;
    EXPECT_NE(single.err.find("started 0 workers of 3"), std::string::npos) << single.err;
    EXPECT_EQ(Listing(dir_ + "/one").size(), 3u);
}

// Each refusal exits with its own status and one line on standard error
// (usage errors end with a hint to --help). Nothing is written, and the
// output folder is made only once everything before it has passed.
TEST_F(FamilyRunTest, RefusalsHaveTheirStatusAndMessage) {
    const std::string out = dir_ + "/out", p = project_, jobs = "--jobs needs a whole number from 1 to 4096, not ";
    const std::string shard = "--shard needs I/N with 1 <= I <= N, not ";
    const std::string usage = "Usage: tavelin-family PROJECT.pcg --seeds SPEC --out DIR [OPTION]... (see --help)\n";
    std::ofstream(dir_ + "/major2.pcg", std::ios::binary) << std::string("\x02\x00\x02\x00\x00", 5);
    std::ofstream(dir_ + "/f") << "x";
    auto run = [&](std::vector<std::string> more) {
        more.insert(more.begin(), {p, "-s", "1", "-o", out});
        return more;
    };
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{}, 2, "no project file given"}, {{p, "-o", out}, 2, "--seeds is required"},
        {{p, "-s", "1"}, 2, "--out is required"}, {{p, "-s", "1", "--out"}, 2, "--out needs a value"},
        {{p, "-s", "1", "--out="}, 2, "--out needs a folder"},
        {run({"-c", ""}), 2, "--contact-sheet needs a file name"},
        {run({"q.pcg"}), 2, "only one project file may be given, not also 'q.pcg'"},
        {run({"--frobnicate"}), 2, "unknown option '--frobnicate'"}, {run({"-x"}), 2, "unknown option '-x'"},
        {run({"-qv"}), 2, "unknown option '-qv'"}, {run({"--quiet=yes"}), 2, "--quiet takes no value"},
        {run({"--jobs", "0"}), 2, jobs + "'0'"}, {run({"-j4097"}), 2, jobs + "'4097'"},
        {run({"--jobs=two"}), 2, jobs + "'two'"}, {run({"-j", "-1"}), 2, jobs + "'-1'"},
        {run({"--shard", "0/3"}), 2, shard + "'0/3'"}, {run({"--shard", "4/3"}), 2, shard + "'4/3'"},
        {run({"--shard", "1"}), 2, shard + "'1'"}, {run({"--shard", "a/b"}), 2, shard + "'a/b'"},
        {run({"--shard=1/3x"}), 2, shard + "'1/3x'"},
        {{"--help"}, 0, ""}, {{"-h"}, 0, ""}, {{"--version"}, 0, ""}, {{"-V", "x.pcg"}, 0, ""},
        {run({"-s", "1-x"}), 3, "bad seed set: '1-x' is not a seed, a range A-B or A..B, or a tuple of them joined by ':'"},
        {run({"-s", "1,1"}), 3, "bad seed set: seed tuple 1 is listed twice"},
        {run({"-m", ""}), 2, "--manifest needs a file name"},
        {run({"--shard-from-zero", "3/3"}), 2, "--shard-from-zero needs I/N with 0 <= I < N, not '3/3'"},
        {run({"-p", "<seed>.jpg"}), 4, "the pattern '<seed>.jpg' must end in .png: members are PNG files"},
        {run({"-s", "0,12,3-11,2", "-p", "<index><seed>.png"}), 4,
         "members 1 (seeds 12) and 11 (seeds 2) would both be written as 112.png"},
        {run({"-p", "../<s>"}), 4, "the pattern '../<s>' contains '/': members must stay in the output folder"},
        {run({"-p", "a.png"}), 4, "the pattern 'a.png' gives every member the same name: add <seed> or <index>"},
        {{dir_ + "/missing.pcg", "-s", "1-x", "-o", out}, 255,  // the project is checked first
         "tavelin-family: cannot read project file '" + dir_ + "/missing.pcg': No such file or directory\n" + usage},
        {{"/dev/zero", "-s", "1", "-o", out}, 255, "tavelin-family: cannot read project file '/dev/zero': not a "
                                                   "regular file\n" + usage},
        {{dir_ + "/major2.pcg", "-s", "1", "-o", out}, 255, "Major version did not match.\n"},
        {{p, "-s", "1", "-o", dir_ + "/f/o"}, 4, "cannot create output folder '" + dir_ + "/f/o': Not a directory"},
        {run({"-c", dir_ + "/no/s"}), 4, "the folder of contact sheet '" + dir_ + "/no/s' does not exist"},
        {run({"-c", out + "/t-1.png"}), 4, "contact sheet '" + out + "/t-1.png' would replace a member"},
        {run({"-c", out}), 4, "contact sheet '" + out + "' names a folder, not a file"},
        {run({"-s", "0-2500", "-c", dir_ + "/s.png"}), 5,
         "a contact sheet holds at most 2500 members, not 2501; split the set with --shard or a smaller --seeds"},
    };
    for (const auto& [args, status, message] : cases) {
        fs::remove_all(out);
        const RunResult r = Family(args);
        const std::string line = message.empty() || message.back() == '\n' ? message
                                 : "tavelin-family: " + message + (status == 2 ? " (see --help)\n" : "\n");
        EXPECT_EQ(std::tie(r.status, r.err), std::tie(status, line)) << testing::PrintToString(args);
        // Only the contact sheet is checked after the output folder has been made (empty).
        const bool sheetChecked = status >= 4 && std::find(args.begin(), args.end(), "-c") != args.end();
        EXPECT_EQ(fs::exists(out) ? int(Listing(out).size()) : -1, sheetChecked ? 0 : -1)
            << testing::PrintToString(args);
    }
}

}  // namespace
