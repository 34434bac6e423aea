// tavelin run as a subprocess: its lines, exit status and written image. Each
// test runs its own copy of the executable, since the image goes beside it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "app/subprocess.h"
#include "functions/default_queues.h"
#include "functions/function_catalogue.h"
#include "project/project_file.h"
#include "project/project_file_format.h"
#include "raster/png_encoder.h"
#include "support/test_support.h"
#include "tools/example_projects.h"

namespace {
namespace fs = std::filesystem;

class TavelinTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file(TAVELIN_PATH, dir_ + "/tavelin");
    }

    const std::string dir_ =
        testing::TempDir() + "tavelin_" + testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string output_ = dir_ + "/pcgOutput.png", headless_ = "Headless directory is: " + dir_ + "\n";
};

// The argument grammar: options before the project, then today's forms.
// Refused runs exit with -1 and write no image: an earlier one stays.
TEST_F(TavelinTest, ArgumentsAndRefusedRunsKeepTheEarlierImage) {
    const std::string usage = " [path_to_file] [seed1] [seed2] ...\n\n";
    const std::string missing = "File not found or inaccessible. \n\n\tUsage: ";
    const std::string badSeed = "Seeds passed in need to be in integer format. \n\n\tUsage: Tavelin.exe" + usage;
    const std::string example = ORVANE_SOURCE_DIR "/examples/default.pcg", load = "Could not load " + dir_;
    std::string bytes = EncodeProject(MakeDefaultQueue());
    std::ofstream(dir_ + "/short.pcg") << bytes.substr(0, 40);
    std::ofstream(dir_ + "/empty.pcg");
    bytes[0] = 2;
    std::ofstream(dir_ + "/major2.pcg") << bytes;
    std::ofstream(output_) << "earlier image";
    const std::string h = headless_;
    const std::vector<std::tuple<std::vector<std::string>, std::string, int, std::string, std::string>> cases = {
        {{dir_ + "/missing.pcg", "7", "letters"}, "", 255, h, missing + "tavelin" + usage},  // before any seed
        {{"missing.pcg"}, "C:\\tools\\Tavelin.exe", 255, h, missing + "Tavelin.exe" + usage},
        {{"missing.pcg"}, "/opt/orvane/tav/", 255, h, missing + "tav" + usage},
        {{example, "1", "abc", "2"}, "", 255, h, badSeed}, {{example, "99999999999"}, "", 255, h, badSeed},
        {{example, "-2147483649"}, "", 255, h, badSeed}, {{example, ""}, "", 255, h, badSeed},
        {{example, "+ 1"}, "", 255, h, badSeed}, {{example, "-o", "x.png"}, "", 255, h, badSeed},
        {{dir_ + "/major2.pcg", "3"}, "", 255, h, "Major version did not match.\n"},
        {{dir_ + "/short.pcg"}, "", 255, h, load + "/short.pcg: the file ends after 40 bytes\n"},
        {{dir_ + "/empty.pcg"}, "", 255, h, load + "/empty.pcg: the file is empty\n"},
        {{dir_}, "", 255, h, load + ": it is a folder\n"}, {{"--frobnicate"}, "", 255, h, missing + "tavelin" + usage},
        {{"-o"}, "", 255, "", "tavelin: -o needs a file name (see --help)\n"},
        {{"--output", "x.png"}, "", 255, h, "tavelin: --output needs a project to render (see --help)\n"},
        {{"--edit", "a.pcg", "7"}, "", 255, "", "tavelin: --edit takes one project file and nothing after it (see --help)\n"},
        {{"--version", "x"}, "", 0, "tavelin " ORVANE_VERSION " (project files 1.2)\n", ""},
        {{"-s", "15", example}, "", 255, "", "tavelin: -s needs a whole number from 16 to 8192, not '15' (see --help)\n"},
        {{"--size", "1e3"}, "", 255, "", "tavelin: --size needs a whole number from 16 to 8192, not '1e3' (see --help)\n"},
        {{"--memory-limit", "lots", example}, "", 255, "", "tavelin: --memory-limit needs a size such as 512M or 2G, "
                                                           "not 'lots' (see --help)\n"},
    };
    for (const auto& [args, argv0, status, out, err] : cases) {
        const RunResult r = RunProgram(dir_ + "/tavelin", args, dir_, argv0);
        EXPECT_EQ(std::tie(r.status, r.out, r.err), std::tie(status, out, err)) << testing::PrintToString(args);
    }
    EXPECT_EQ(ReadFile(output_), "earlier image");
    RunResult r = RunProgram(dir_ + "/tavelin", {"-h", "x.pcg"}, dir_);
    EXPECT_TRUE(r.status == 0 && r.out.rfind("Usage: tavelin [OPTION]...", 0) == 0 && r.err.empty()) << r.out;

    // Without arguments the directory line comes first; no editor module lies beside this copy.
    r = RunProgram(dir_ + "/tavelin", {}, dir_);
    EXPECT_TRUE(r.status == 255 && r.out.rfind(headless_, 0) == 0 && !r.err.empty()) << r.out << r.err;
    // -o, --output=, and "-" for standard output (the lines then on standard error).
    const std::string image = EncodePng(Render(MakeDefaultQueue())->CompositeImage());
    r = RunProgram(dir_ + "/tavelin", {"-o", "-", "--", example}, dir_);
    EXPECT_EQ(std::tie(r.status, r.out, r.err), std::make_tuple(0, image, h + "Writing file to: -\n"));
    r = RunProgram(dir_ + "/tavelin", {"--output=" + dir_ + "/o.png", example}, dir_);
    EXPECT_EQ(std::tie(r.status, r.out), std::make_tuple(0, h + "Writing file to: " + dir_ + "/o.png\n"));
    EXPECT_TRUE(ReadFile(dir_ + "/o.png") == image);
    // Any size: tavelin and tavelin-family render the same picture; a render
    // beyond the memory limit is refused before it starts.
    r = RunProgram(dir_ + "/tavelin", {"--size", "256", "-o", dir_ + "/256.png", example}, dir_);
    EXPECT_TRUE(r.status == 0 && ReadFile(dir_ + "/256.png") == EncodePng(RenderAt(MakeDefaultQueue(), 256)->CompositeImage()));
    r = RunProgram(TAVELIN_FAMILY_PATH, {example, "-s1", "--size=256", "-o", dir_ + "/f", "-q"}, dir_);
    EXPECT_TRUE(r.status == 0 && ReadFile(dir_ + "/f/default-1.png") == ReadFile(dir_ + "/256.png")) << r.err;
    r = RunProgram(dir_ + "/tavelin", {"-s", "8192", "--memory-limit", "64M", example}, dir_);
    EXPECT_TRUE(r.status == 255 && r.err.rfind("tavelin: a 8192 x 8192 render of " + example + " needs about ", 0) == 0 &&
                r.err.find("more than the limit of 64 MiB (--memory-limit)\n") != std::string::npos) << r.err;
    r = RunProgram(TAVELIN_FAMILY_PATH, {example, "-s1", "--size", "8192", "--memory-limit=64M", "-o", dir_ + "/f"}, dir_);
    EXPECT_TRUE(r.status == 5 && r.err.find("member of " + example + " needs about ") != std::string::npos) << r.err;
    // A link at the target is replaced, never written through; a FIFO, a folder
    // or an unwritable folder is refused and the old file stays.
    fs::create_symlink(dir_ + "/empty.pcg", dir_ + "/link.png");
    r = RunProgram(dir_ + "/tavelin", {"-o", dir_ + "/link.png", example}, dir_);
    EXPECT_TRUE(r.status == 0 && !fs::is_symlink(dir_ + "/link.png") && ReadFile(dir_ + "/empty.pcg").empty());
    ASSERT_TRUE(::mkfifo((dir_ + "/fifo.png").c_str(), 0644) == 0 && fs::remove(output_) && fs::create_directory(output_));
    for (const std::string& target : {dir_ + "/fifo.png", output_, std::string("/proc/none/x.png")}) {
        r = RunProgram(dir_ + "/tavelin", {"-o", target, example}, dir_);
        EXPECT_EQ(std::tie(r.status, r.err), std::make_tuple(255, "Unable to write file: " + target + "\n"));
    }
    EXPECT_TRUE(fs::is_fifo(dir_ + "/fifo.png"));
}

// Twenty runs writing one file at once leave one complete image of one of
// their seeds, and no temporary.
TEST_F(TavelinTest, ConcurrentRunsLeaveOneWholeImage) {
    const std::string example = ORVANE_SOURCE_DIR "/examples/blurs.pcg", shared = dir_ + "/out/shared.png";
    std::set<std::string> images;
    for (const char* seed : {"3", "9"}) {
        RunProgram(dir_ + "/tavelin", {"-o", dir_ + "/" + seed + ".png", example, seed}, dir_);
        images.insert(ReadFile(dir_ + "/" + seed + ".png"));
    }
    ASSERT_EQ(images.size(), 2u);
    fs::create_directories(dir_ + "/out");
    for (int round = 0; round < 3; ++round) {
        std::vector<pid_t> runs;
        for (int i = 0; i < 20; ++i) {
            fs::create_directories(dir_ + "/run" + std::to_string(i));
            runs.push_back(StartProgram(dir_ + "/tavelin", {"-o", shared, example, i % 2 ? "9" : "3"},
                                        dir_ + "/run" + std::to_string(i)));
        }
        for (const pid_t pid : runs) ::waitpid(pid, nullptr, 0);
        EXPECT_EQ(images.count(ReadFile(shared)), 1u) << "round " << round;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_ + "/out"), {}), 1) << "a temporary is left";
    }
}

// The committed examples are what their definitions build and together use
// every class. Each renders headless to what this process renders from it,
// with its stored seeds and with seeds from the command line (converted by
// the standard rules, fed in file order); randomised ones differ per seed.
// tavelin-family's members are the same files, whatever --jobs is.
TEST_F(TavelinTest, ExamplesMatchTheirDefinitionsAndRender) {
    std::set<uint32_t> used;
    for (const ExampleProject& example : BuildExampleProjects().projects) {
        SCOPED_TRACE(example.name);
        const std::string path = ORVANE_SOURCE_DIR "/examples/" + example.name + ".pcg";
        ASSERT_EQ(ReadFile(path), EncodeProject(example.queue)) << "examples/ is out of date: run make_examples";
        bool randomised = false;
        for (const auto& instruction : example.queue) {
            used.insert(instruction->GetTypeId());
            for (const auto& entry : instruction->Parameters()) randomised |= entry.second.randomized;
        }
        std::vector<std::string> images;
        for (const std::deque<int32_t>& seeds : {std::deque<int32_t>{}, std::deque<int32_t>{101, -3, 12}}) {
            std::vector<std::string> args = {path};
            if (!seeds.empty()) args.insert(args.end(), {" 101", "-3", "12abc"});
            const RunResult r = RunProgram(dir_ + "/tavelin", args, dir_);
            EXPECT_EQ(std::tie(r.status, r.out, r.err),
                      std::make_tuple(0, headless_ + "Writing file to: " + output_ + "\n", ""));
            // Every example reseeds before its first random value.
            std::deque<int32_t> queueSeeds = seeds;
            InstructionList queue;
            ASSERT_TRUE(ReadProjectFile(path, queueSeeds, queue));
            const auto raster = Render(queue);
            EXPECT_TRUE(images.emplace_back(ReadFile(output_)) == EncodePng(raster->CompositeImage()));
            const PixelBuffer& pixels = raster->CompositeCanvas();
            EXPECT_NE(CountPixels(pixels, pixels[0]), pixels.size()) << "blank picture";
        }
        EXPECT_NE(images[0] == images[1], randomised);
        // tavelin-family writes the same file for those seeds, whatever --jobs is.
        std::ofstream(dir_ + "/seeds.txt") << "# tuples\n 101 -3 12\n\n7, 9\n";
        for (const std::string jobs : {"1", "2"}) {
            const std::string out = dir_ + "/" + example.name + jobs;
            const std::string seeds = jobs == "1" ? "@" + dir_ + "/seeds.txt" : "101:-3:12,7:9";
            const RunResult r = RunProgram(TAVELIN_FAMILY_PATH, {"--seeds=" + seeds, "--out=" + out,
                                                                 "--pattern=<index>_<seed>.png", "-j" + jobs, "-q",
                                                                 "--", path}, dir_);
            EXPECT_EQ(std::tie(r.status, r.err), std::make_tuple(0, ""));
            EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 2) << "no temporary file is left";
            EXPECT_TRUE(ReadFile(out + "/0_101_-3_12.png") == images[1]) << "member and tavelin's picture differ";
            EXPECT_TRUE(ReadFile(out + "/1_7_9.png") == ReadFile(dir_ + "/" + example.name + "1/1_7_9.png")) << jobs;
        }
    }
    EXPECT_EQ(used.size(), functionCatalogue().size()) << "a class is in no example";
}

}  // namespace
