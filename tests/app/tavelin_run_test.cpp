// tavelin run as a subprocess: its lines, exit status and written image. Each
// test runs its own copy of the executable, since the image goes beside it.
#include <gtest/gtest.h>

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

// Refused runs exit with -1 and write no image: an earlier one stays.
TEST_F(TavelinTest, RefusedRunsKeepTheEarlierImage) {
    const std::string usage = " [path_to_file] [seed1] [seed2] ...\n\n";
    const std::string missing = "File not found or inaccessible. \n\n\tUsage: ";
    const std::string badSeed = "Seeds passed in need to be in integer format. \n\n\tUsage: Tavelin.exe" + usage;
    const std::string example = ORVANE_SOURCE_DIR "/examples/default.pcg";
    std::string bytes = EncodeProject(MakeDefaultQueue());
    std::ofstream(dir_ + "/short.pcg") << bytes.substr(0, 40);
    bytes[0] = 2;
    std::ofstream(dir_ + "/major2.pcg") << bytes;
    std::ofstream(output_) << "earlier image";
    const std::vector<std::tuple<std::vector<std::string>, std::string, std::string>> cases = {
        {{dir_ + "/missing.pcg", "7", "letters"}, "", missing + "tavelin" + usage},  // before any seed
        {{"missing.pcg"}, "C:\\tools\\Tavelin.exe", missing + "Tavelin.exe" + usage},
        {{"missing.pcg"}, "/opt/orvane/tav/", missing + "tav" + usage},
        {{example, "1", "abc", "2"}, "", badSeed}, {{example, "99999999999"}, "", badSeed},
        {{example, "-2147483649"}, "", badSeed}, {{example, ""}, "", badSeed}, {{example, "+ 1"}, "", badSeed},
        {{dir_ + "/major2.pcg", "3"}, "", "Major version did not match.\n"},
        {{dir_ + "/short.pcg"}, "", ""},
    };
    for (const auto& [args, argv0, err] : cases) {
        const RunResult r = RunProgram(dir_ + "/tavelin", args, dir_, argv0);
        EXPECT_EQ(std::tie(r.status, r.out, r.err), std::make_tuple(255, headless_, err)) << args.back();
    }
    EXPECT_EQ(ReadFile(output_), "earlier image");

    // Without arguments the directory line comes first; no editor module lies beside this copy.
    RunResult r = RunProgram(dir_ + "/tavelin", {}, dir_);
    EXPECT_TRUE(r.status == 255 && r.out.rfind(headless_, 0) == 0 && !r.err.empty()) << r.out << r.err;
    // An image that cannot be written.
    ASSERT_TRUE(fs::remove(output_) && fs::create_directory(output_));
    r = RunProgram(dir_ + "/tavelin", {example}, dir_);
    EXPECT_EQ(std::tie(r.status, r.out, r.err), std::make_tuple(255, headless_ + "Writing file to: " + output_ + "\n",
                                                                 "Unable to write file: " + output_ + "\n"));
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
        std::ofstream(dir_ + "/seeds.txt") << "# tuples\n 101 -3 12abc\n\n7, 9\n";
        for (const std::string jobs : {"1", "2"}) {
            const std::string out = dir_ + "/" + example.name + jobs;
            const RunResult r =
                RunProgram(TAVELIN_FAMILY_PATH, {"--seeds=@" + dir_ + "/seeds.txt", "--out=" + out,
                                                 "--pattern=<index>_<seed>", "-j" + jobs, "-q", "--", path}, dir_);
            EXPECT_EQ(std::tie(r.status, r.err), std::make_tuple(0, ""));
            EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 2) << "no temporary file is left";
            EXPECT_TRUE(ReadFile(out + "/0_101_-3_12") == images[1]) << "member and tavelin's picture differ";
            EXPECT_TRUE(ReadFile(out + "/1_7_9") == ReadFile(dir_ + "/" + example.name + "1/1_7_9")) << jobs << " jobs";
        }
    }
    EXPECT_EQ(used.size(), functionCatalogue().size()) << "a class is in no example";
}

}  // namespace
