// The File menu commands with a stand-in chooser first on PATH: a small
// script that records its arguments and answers from reply files.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "functions/fill.h"
#include "project/app_paths.h"
#include "project/file_commands.h"
#include "project/project_file.h"
#include "project_test_util.h"

namespace {

// Appends its arguments (NUL-separated, the call ended by \001) to
// $STANDIN_DIR/log; on its n-th call prints the first line of
// $STANDIN_DIR/reply<n> and exits 0, or exits 1 (cancel) when there is none.
// Shell built-ins only, so it also runs with PATH holding just its folder.
const char* const kStandIn = R"(#!/bin/sh
printf '%s\0' "$@" >> "$STANDIN_DIR/log"
printf '\001' >> "$STANDIN_DIR/log"
n=0
if [ -f "$STANDIN_DIR/count" ]; then read -r n < "$STANDIN_DIR/count"; fi
n=$((n + 1))
echo "$n" > "$STANDIN_DIR/count"
if [ -f "$STANDIN_DIR/reply$n" ]; then
  IFS= read -r line < "$STANDIN_DIR/reply$n"
  printf '%s\n' "$line"
  exit 0
fi
exit 1
)";

using Args = std::vector<std::string>;

int CountOf(const std::string& text, const std::string& needle) {
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

}  // namespace

class FileCommandsTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        dir_ = ScratchPath("chooser");
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ + "/bin");
        setenv("STANDIN_DIR", dir_.c_str(), 1);
        hasCurrentProject = false;
        currentProjectPath.clear();
        instructionQueue = MakeDefaultQueue();
    }
    void TearDown() override {
        setenv("PATH", savedPath_.c_str(), 1);
        std::filesystem::remove_all(dir_);
        hasCurrentProject = false;
        currentProjectPath.clear();
        CoreTest::TearDown();
    }

    // Installs the stand-in under `name`; alone on PATH or ahead of the rest.
    void InstallChooser(const std::string& name, bool alone = false) {
        const std::string script = dir_ + "/bin/" + name;
        WriteBytes(script, kStandIn);
        ::chmod(script.c_str(), 0755);
        const std::string path = alone ? dir_ + "/bin" : dir_ + "/bin:" + savedPath_;
        setenv("PATH", path.c_str(), 1);
    }
    void Reply(int call, const std::string& line) { WriteBytes(dir_ + "/reply" + std::to_string(call), line + "\n"); }
    std::string File(const std::string& name) const { return dir_ + "/" + name; }

    std::vector<Args> Calls() const {
        std::vector<Args> calls;
        Args current;
        std::string arg;
        for (char c : ReadBytes(dir_ + "/log")) {
            if (c == '\0') {
                current.push_back(arg);
                arg.clear();
            } else if (c == '\1') {
                calls.push_back(current);
                current.clear();
            } else {
                arg += c;
            }
        }
        return calls;
    }

    std::vector<const AbstractRasterFunction*> QueueOrder() const {
        std::vector<const AbstractRasterFunction*> order;
        for (const auto& instruction : instructionQueue) order.push_back(instruction.get());
        return order;
    }

    // Writes a one-instruction project (a green Fill) to path.
    void WriteGreenProject(const std::string& path) {
        InstructionList queue;
        queue.push_back(Make<FillRasterFunction>({{"Color_Red", U8(0)}, {"Color_Green", U8(200)},
                                                  {"Color_Blue", U8(0)}, {"Color_Alpha", U8(255)}}));
        ASSERT_TRUE(WriteProjectFile(path, queue));
    }

    std::string dir_, savedPath_;
};

TEST_F(FileCommandsTest, ZenityGetsTitlesFiltersFolderAndOverwriteConfirmation) {
    InstallChooser("zenity");
    const std::string startFolder = "--filename=" + ExecutableDirectory() + "/";
    WriteGreenProject(File("green.pcg"));
    Reply(1, File("green.pcg"));
    Reply(2, File("out.pcg"));
    OpenProjectCommand();
    SaveProjectAsCommand();
    const std::vector<Args> calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], (Args{"--file-selection", "--title=Open Procedural Texture...",
                              "--file-filter=PCG Textures | *.pcg", "--file-filter=Any File | *", startFolder}));
    EXPECT_EQ(calls[1], (Args{"--file-selection", "--save", "--confirm-overwrite",
                              "--title=Save Procedural Texture...", "--file-filter=PCG Textures | *.pcg",
                              "--file-filter=Any File | *", startFolder}));
}

TEST_F(FileCommandsTest, KdialogIsUsedWhenZenityIsMissingAndNeitherMeansCancel) {
    InstallChooser("kdialog", true);
    testing::internal::CaptureStderr();
    SaveProjectAsCommand();  // both cancelled
    OpenProjectCommand();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to save file\nFailed to open file\n");
    const std::vector<Args> calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    const std::string folder = ExecutableDirectory() + "/";
    const std::string filters = "*.pcg|PCG Textures\n*|Any File";
    EXPECT_EQ(calls[0], (Args{"--title", "Save Procedural Texture...", "--getsavefilename", folder, filters}));
    EXPECT_EQ(calls[1], (Args{"--title", "Open Procedural Texture...", "--getopenfilename", folder, filters}));

    std::filesystem::remove(dir_ + "/bin/kdialog");
    const auto before = QueueOrder();
    testing::internal::CaptureStderr();
    OpenProjectCommand();
    SaveProjectCommand();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "No file dialog available: install zenity or kdialog\nFailed to open file\n"
              "No file dialog available: install zenity or kdialog\nFailed to save file\n");
    EXPECT_EQ(QueueOrder(), before);
    EXPECT_FALSE(hasCurrentProject);
}

TEST_F(FileCommandsTest, OpenLoadsTheChosenFileAndAFailureChangesNothing) {
    InstallChooser("zenity");
    WriteGreenProject(File("green.pcg"));
    WriteBytes(File("corrupt.pcg"), "not a project");
    Reply(1, File("green.pcg"));
    // 2: cancelled; 3: a corrupt file; 4: a file that does not exist.
    Reply(3, File("corrupt.pcg"));
    Reply(4, File("missing.pcg"));

    selectedIndex = 3;
    OpenProjectCommand();
    ASSERT_EQ(instructionQueue.size(), 1u);
    EXPECT_EQ(instructionQueue[0]->GetRawValue("Color_Green"), U8(200));
    EXPECT_TRUE(hasCurrentProject);
    EXPECT_EQ(currentProjectPath, File("green.pcg"));
    EXPECT_EQ(selectedIndex, -1);

    instructionQueue = MakeDefaultQueue();
    const auto before = QueueOrder();
    for (int attempt = 2; attempt <= 4; ++attempt) {
        queueDirty = false;
        testing::internal::CaptureStderr();
        OpenProjectCommand();
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string tail = "Failed to open file\n";
        ASSERT_GE(err.size(), tail.size()) << attempt;
        EXPECT_EQ(err.substr(err.size() - tail.size()), tail) << attempt;
        EXPECT_EQ(CountOf(err, tail), 1) << attempt;
        EXPECT_EQ(QueueOrder(), before) << attempt;
        EXPECT_FALSE(queueDirty) << attempt;
        EXPECT_TRUE(hasCurrentProject) << attempt;
        EXPECT_EQ(currentProjectPath, File("green.pcg")) << attempt;
    }
}

TEST_F(FileCommandsTest, SaveAsksOnlyUntilThereIsACurrentProjectAndNewForgetsIt) {
    InstallChooser("zenity");
    Reply(1, File("first.pcg"));
    SaveProjectCommand();
    EXPECT_TRUE(hasCurrentProject);
    EXPECT_EQ(currentProjectPath, File("first.pcg"));
    const std::string firstBytes = ReadBytes(File("first.pcg"));
    EXPECT_FALSE(firstBytes.empty());

    // The second Save writes the edited queue to the same file without asking.
    instructionQueue.pop_back();
    SaveProjectCommand();
    EXPECT_EQ(Calls().size(), 1u);
    EXPECT_NE(ReadBytes(File("first.pcg")), firstBytes);
    InstructionList reread;
    std::deque<int32_t> noSeeds;
    ASSERT_TRUE(ReadProjectFile(File("first.pcg"), noSeeds, reread));
    EXPECT_EQ(reread.size(), 4u);

    NewProjectCommand();
    EXPECT_FALSE(hasCurrentProject);
    EXPECT_TRUE(currentProjectPath.empty());
    ASSERT_EQ(instructionQueue.size(), 1u);
    EXPECT_EQ(instructionQueue[0]->GetName(), "Set Seed");
    EXPECT_EQ(instructionQueue[0]->GetRawValue("Seed"), U64(0));

    // Now Save asks again; cancelling it reports and keeps the state.
    testing::internal::CaptureStderr();
    SaveProjectCommand();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to save file\n");
    EXPECT_EQ(Calls().size(), 2u);
    EXPECT_FALSE(hasCurrentProject);
}

TEST_F(FileCommandsTest, SaveAsMovesTheCurrentProjectOnlyWhenWritingSucceeds) {
    InstallChooser("zenity");
    Reply(1, File("a.pcg"));
    Reply(2, File("no-such-folder/b.pcg"));
    Reply(3, File("c.pcg"));
    SaveProjectAsCommand();
    EXPECT_EQ(currentProjectPath, File("a.pcg"));

    testing::internal::CaptureStderr();
    SaveProjectAsCommand();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(CountOf(err, "Failed to save file\n"), 1) << err;
    EXPECT_TRUE(hasCurrentProject);
    EXPECT_EQ(currentProjectPath, File("a.pcg"));

    SaveProjectAsCommand();
    EXPECT_EQ(currentProjectPath, File("c.pcg"));
    SaveProjectCommand();
    EXPECT_EQ(Calls().size(), 3u);
    EXPECT_EQ(ReadBytes(File("c.pcg")), ReadBytes(File("a.pcg")));
}

TEST_F(FileCommandsTest, SaveAddsTheDefaultExtensionAndConfirmsReplacingWhatThatNames) {
    InstallChooser("zenity");
    Reply(1, File("plain"));
    Reply(2, File("plain"));  // 3: the question about plain.pcg, unanswered = No
    Reply(4, File("plain"));
    Reply(5, "");             // 5: Yes
    SaveProjectAsCommand();
    EXPECT_EQ(currentProjectPath, File("plain.pcg"));
    EXPECT_TRUE(std::filesystem::exists(File("plain.pcg")));
    EXPECT_FALSE(std::filesystem::exists(File("plain")));

    NewProjectCommand();
    const std::string saved = ReadBytes(File("plain.pcg"));
    testing::internal::CaptureStderr();
    SaveProjectAsCommand();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to save file\n");
    EXPECT_EQ(ReadBytes(File("plain.pcg")), saved);
    EXPECT_FALSE(hasCurrentProject);
    const std::vector<Args> calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2], (Args{"--question", "--title=Save Procedural Texture...", "--no-markup",
                              "--text=" + File("plain.pcg") + " already exists.\nDo you want to replace it?"}));

    SaveProjectAsCommand();
    EXPECT_NE(ReadBytes(File("plain.pcg")), saved);
    EXPECT_EQ(currentProjectPath, File("plain.pcg"));
}
