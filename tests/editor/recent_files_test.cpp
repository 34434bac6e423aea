// The recent projects list: order, limit, persistence, unusable list files
// and the state directory it lives in.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "project/recent_files.h"
#include "project_test_util.h"

namespace {

class RecentFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ScratchPath("state");
        std::filesystem::remove_all(dir_);
        store_ = dir_ + "/orvane/recent-projects";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string dir_, store_;
};

TEST_F(RecentFilesTest, NewestFirstWithoutDuplicatesAndAtMostEight) {
    RecentProjects recent(store_);
    EXPECT_FALSE(recent.Load()) << "no list yet";
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(recent.Remember("/p/" + std::to_string(i) + ".pcg"));
    ASSERT_TRUE(recent.Remember("/p/5.pcg"));  // opened again: moves to the front
    const std::vector<std::string> expected{"/p/5.pcg", "/p/9.pcg", "/p/8.pcg", "/p/7.pcg",
                                            "/p/6.pcg", "/p/4.pcg", "/p/3.pcg", "/p/2.pcg"};
    EXPECT_EQ(recent.Paths(), expected);

    RecentProjects again(store_);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.Paths(), expected) << "the list survives a restart";
    // Two editors share the list: each Remember starts from what is stored.
    ASSERT_TRUE(recent.Remember("/p/other.pcg"));
    ASSERT_TRUE(again.Remember("/p/5.pcg"));
    EXPECT_EQ(again.Paths()[1], "/p/other.pcg");

    // Relative paths are stored absolute; a path a line cannot hold is left out.
    ASSERT_TRUE(again.Remember("relative.pcg"));
    EXPECT_EQ(again.Paths()[0], (std::filesystem::current_path() / "relative.pcg").string());
    again.Remember("/bad\nname.pcg");
    EXPECT_EQ(again.Paths()[0], (std::filesystem::current_path() / "relative.pcg").string());

    struct stat info;
    ASSERT_EQ(::stat((dir_ + "/orvane").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "a new state folder is private";
    for (const auto& entry : std::filesystem::directory_iterator(dir_ + "/orvane"))
        EXPECT_EQ(entry.path().string(), store_) << "a temporary file was left behind";
}

TEST_F(RecentFilesTest, MissingFilesAreReportedMissing) {
    const std::string existing = ScratchPath("there.pcg");
    WriteBytes(existing, "x");
    EXPECT_TRUE(ProjectFileExists(existing));
    EXPECT_FALSE(ProjectFileExists(ScratchPath("gone.pcg")));
    EXPECT_FALSE(ProjectFileExists(testing::TempDir())) << "a directory is no project";
    std::remove(existing.c_str());
}

TEST_F(RecentFilesTest, AnUnusableListIsIgnoredAndReplacedOnTheNextRemember) {
    std::filesystem::create_directories(dir_ + "/orvane");
    const std::string good = "orvane recent projects 1\n/a.pcg\n";
    const std::vector<std::string> corrupt{
        "",                                                  // empty
        "orvane recent projects 2\n/a.pcg\n",                 // other version
        "orvane recent projects 1\nrelative.pcg\n",           // relative path
        "orvane recent projects 1\n\n",                       // empty path
        "orvane recent projects 1\n/a.pcg",                   // cut short
        "orvane recent projects 1\n/a.pcg\n/a.pcg\n",         // duplicate
        std::string("orvane recent projects 1\n/a\0b.pcg\n", 35),
        "orvane recent projects 1\n" + std::string(5000, '/') + "\n",
        std::string(100000, 'x'),
    };
    RecentProjects probe(store_);
    WriteBytes(store_, good);
    ASSERT_TRUE(probe.Load());
    EXPECT_EQ(probe.Paths(), std::vector<std::string>{"/a.pcg"});
    std::string nine = "orvane recent projects 1\n";
    for (int i = 0; i < 9; ++i) nine += "/" + std::to_string(i) + ".pcg\n";
    std::vector<std::string> cases = corrupt;
    cases.push_back(nine);
    for (size_t i = 0; i < cases.size(); ++i) {
        WriteBytes(store_, cases[i]);
        RecentProjects recent(store_);
        EXPECT_FALSE(recent.Load()) << "case " << i;
        EXPECT_TRUE(recent.Paths().empty()) << "case " << i;
        ASSERT_TRUE(recent.Remember("/b.pcg"));
        EXPECT_EQ(ReadBytes(store_), "orvane recent projects 1\n/b.pcg\n") << "case " << i;
    }
    // Unreadable: a directory where the list should be. Remember fails with one line.
    std::filesystem::remove(store_);
    std::filesystem::create_directories(store_);
    RecentProjects blocked(store_);
    EXPECT_FALSE(blocked.Load());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(blocked.Remember("/c.pcg"));
    EXPECT_FALSE(blocked.Remember("/d.pcg"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not write the recent projects list: " + store_ + "\n");
    EXPECT_EQ(blocked.Paths().front(), "/d.pcg") << "the menu still has this session's list";
}

TEST(RecentFilesPathTest, StateHomeThenHomeNeverTheExecutablesFolder) {
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedState = oldState ? oldState : "", savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_STATE_HOME", "/var/state", 1);
    EXPECT_EQ(DefaultRecentProjectsPath(), "/var/state/orvane/recent-projects");
    ::setenv("XDG_STATE_HOME", "relative/state", 1);
    EXPECT_EQ(DefaultRecentProjectsPath(), "/home/someone/.local/state/orvane/recent-projects");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(DefaultRecentProjectsPath(), "/home/someone/.local/state/orvane/recent-projects");
    if (oldState) ::setenv("XDG_STATE_HOME", savedState.c_str(), 1);
    if (oldHome) ::setenv("HOME", savedHome.c_str(), 1); else ::unsetenv("HOME");
}

}  // namespace
