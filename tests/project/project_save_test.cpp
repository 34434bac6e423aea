// Saving never destroys the previous file: the bytes go to a temporary file
// beside the target, which replaces it only when complete.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "project/project_file.h"
#include "project/project_file_format.h"
#include "project_test_util.h"

namespace {

class ProjectSaveTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        directory_ = ScratchPath("dir");
        ::mkdir(directory_.c_str(), 0777);
        for (const std::string& name : Entries()) std::remove((directory_ + "/" + name).c_str());
    }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(directory_.c_str())) {
            while (const dirent* entry = ::readdir(dir))
                if (entry->d_name[0] != '.') names.push_back(entry->d_name);
            ::closedir(dir);
        }
        return names;
    }

    std::string directory_;
};

TEST_F(ProjectSaveTest, ReplacesTheFileAndLeavesNoTemporary) {
    const std::string path = directory_ + "/project.pcg";
    WriteBytes(path, "old contents");
    instructionQueue = MakeDefaultQueue();
    ASSERT_TRUE(SaveProjectFile(path));
    EXPECT_EQ(ReadBytes(path), EncodeProject(instructionQueue));
    EXPECT_EQ(Entries(), std::vector<std::string>{"project.pcg"});

    // Through a symbolic link the file it points to is replaced, the link stays.
    const std::string link = directory_ + "/link.pcg";
    ASSERT_EQ(::symlink("project.pcg", link.c_str()), 0);
    instructionQueue.clear();
    ASSERT_TRUE(SaveProjectFile(link));
    struct stat info;
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadBytes(path).size(), 13u);
}

// A write that fails half-way (here: the file size limit) returns false,
// removes the temporary and leaves the previous project as it was.
TEST_F(ProjectSaveTest, FailedWriteKeepsThePreviousFile) {
    const std::string path = directory_ + "/project.pcg";
    instructionQueue = MakeDefaultQueue();
    ASSERT_TRUE(SaveProjectFile(path));
    const std::string before = ReadBytes(path);

    for (int i = 0; i < 40; ++i) AddInstruction(5);  // far beyond the limit below
    queueDirty = false;
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = SaveProjectFile(path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(queueDirty);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(Entries(), std::vector<std::string>{"project.pcg"});
}

TEST_F(ProjectSaveTest, DirectoryTargetIsRefused) {
    const std::string path = directory_ + "/sub";
    ::mkdir(path.c_str(), 0777);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveProjectFile(path));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open file: " + path + "\n");
    ::rmdir(path.c_str());
}

}  // namespace
