// The document: the File commands through a stand-in chooser first on PATH,
// undo and redo of every kind of edit, the history's comparison and limits,
// and the recent projects list.
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>

#include "editor/file_commands.h"
#include "editor/seed_gallery_window.h"
#include "functions/default_queues.h"
#include "project/project_file.h"
#include "project/project_file_format.h"
#include "support/test_support.h"

namespace {

using Paths = std::vector<std::string>;

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
// Whether what `run` writes to the standard error stream ends with `line` and holds it once.
bool FailsWith(const std::function<void()>& run, const std::string& line) {
    testing::internal::CaptureStderr(), run();
    const std::string text = testing::internal::GetCapturedStderr();
    return text.size() >= line.size() && text.find(line) == text.size() - line.size();
}

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() { std::filesystem::create_directories(dir + "/bin"), doc.instructionQueue = MakeDefaultQueue(); }
    void TearDown() override { setenv("PATH", path.c_str(), 1), std::filesystem::remove_all(dir); }
    std::string Saved() { return EncodeProject(doc.instructionQueue); }
    void Settle() { TrackDocumentEdits(doc, true); }

    const std::string dir = testing::TempDir() + "orvane_document_" + std::to_string(::getpid());
    const std::string path = std::getenv("PATH");
    EditorDocument doc;
};

TEST_F(DocumentTest, FileCommandsKeepTheProjectOnFailureAndRememberWhatTheyOpenAndSave) {
    // A chooser that counts its calls and prints $STANDIN_DIR/reply (an empty line: cancelled).
    WriteFile(dir + "/bin/zenity", "#!/bin/sh\necho >> \"$STANDIN_DIR/calls\"\ncat \"$STANDIN_DIR/reply\"\n");
    std::filesystem::permissions(dir + "/bin/zenity", std::filesystem::perms::owner_all);
    setenv("PATH", (dir + "/bin:" + path).c_str(), 1), setenv("STANDIN_DIR", dir.c_str(), 1);
    const auto reply = [&](const std::string& chosen) { WriteFile(dir + "/reply", chosen + "\n"); };
    const auto calls = [&] { return std::filesystem::file_size(dir + "/calls"); };
    const DialogPlace place{0, dir};
    const std::string a = dir + "/a.pcg", b = dir + "/b.pcg";
    reply(a), SaveProjectCommand(doc, place);  // no current project: asks
    doc.instructionQueue.pop_back();
    SaveProjectCommand(doc, place);  // then writes there without asking
    const std::string saved = Saved();
    reply(dir + "/no-folder/b.pcg");
    EXPECT_TRUE(FailsWith([&] { SaveProjectAsCommand(doc, place); }, "Failed to save file\n"));
    EXPECT_EQ(doc.currentProjectPath, a) << "a failed Save As keeps the project";
    reply(b), SaveProjectAsCommand(doc, place);
    EXPECT_EQ(std::make_pair(doc.currentProjectPath, calls()), std::make_pair(b, uintmax_t(3)));
    NewProjectCommand(doc), reply("");
    EXPECT_TRUE(FailsWith([&] { SaveProjectCommand(doc, place); }, "Failed to save file\n"));
    EXPECT_EQ(calls(), 4u) << "Save asks again after New";
    reply(a), OpenProjectCommand(doc, place);
    EXPECT_EQ(std::make_tuple(Saved(), doc.currentProjectPath), std::make_tuple(saved, a)) << "what Save wrote";
    WriteFile(dir + "/corrupt.pcg", "not a project");
    for (const std::string& chosen : {std::string(), dir + "/corrupt.pcg", dir + "/none.pcg"}) {
        reply(chosen), doc.queueDirty = false;
        EXPECT_TRUE(FailsWith([&] { OpenProjectCommand(doc, place); }, "Failed to open file\n")) << chosen;
        EXPECT_EQ(std::make_tuple(Saved(), doc.queueDirty, doc.currentProjectPath), std::make_tuple(saved, false, a));
    }
    OpenRecentProjectCommand(doc, b);
    EXPECT_EQ(std::make_pair(doc.currentProjectPath, doc.recentProjects.Paths()), std::make_pair(b, Paths{b, a}));
}

TEST_F(DocumentTest, EveryEditIsOneStepUndoneToTheSameFileAndTheNewestStepsAreKept) {
    const std::string other = dir + "/other.pcg";
    ASSERT_TRUE(WriteProjectFile(other, MakeDefaultQueue()));
    auto& q = doc.instructionQueue;
    // The row selected after undoing and after redoing each: the remembered
    // row when it changed, else the first changed row, else the remembered one.
    const struct { std::function<void()> edit; int32_t afterUndo, afterRedo; } edits[] = {
        {[&] { AddInstruction(doc, 11); }, -1, 5},
        {[&] { doc.selectedIndex = 4, Settle(), q[1]->SetValue("Pos_EndX", I32(70)); }, 1, 1},
        {[&] { doc.selectedIndex = 2, Settle(), Randomise(*q[2], "Color_Green", I32(-5), I32(9)); }, 2, 2},
        {[&] { doc.selectedIndex = SwapInstructions(q, 2, 1); }, 2, 1},  // a drag
        {[&] { doc.selectedIndex = 3, Settle(), doc.removalRequests = {3}, doc.selectedIndex = -1; }, 3, -1},
        {[&] { NewProject(doc); }, 1, -1},
        {[&] { ASSERT_TRUE(OpenProjectFile(doc, other)); }, -1, 1},
        {[&] { TakeGallerySeed(doc, 77); }, 0, 0},
    };
    Settle();
    Paths saved{Saved()};
    for (const auto& e : edits) e.edit(), ApplyRemovalRequests(doc), Settle(), saved.push_back(Saved());
    for (size_t i = std::size(edits); i-- > 0; Settle()) {
        ASSERT_TRUE(UndoDocumentEdit(doc));
        // Only undoing Open takes the current project back (to none).
        EXPECT_EQ(std::make_tuple(Saved(), doc.selectedIndex, doc.queueDirty, doc.hasCurrentProject),
                  std::make_tuple(saved[i], edits[i].afterUndo, true, i == 7)) << i;
    }
    EXPECT_FALSE(UndoDocumentEdit(doc));
    EXPECT_EQ(doc.recentProjects.Paths(), Paths{other}) << "undo opens nothing";
    for (size_t i = 0; i < std::size(edits); ++i, Settle()) {
        ASSERT_TRUE(RedoDocumentEdit(doc));
        EXPECT_EQ(std::make_tuple(Saved(), doc.selectedIndex), std::make_tuple(saved[i + 1], edits[i].afterRedo)) << i;
    }
    ASSERT_TRUE(SaveProjectFile(doc, dir + "/copy.pcg"));  // no step
    ASSERT_TRUE(UndoDocumentEdit(doc));
    EXPECT_EQ(doc.currentProjectPath, dir + "/copy.pcg") << "an ordinary edit's undo keeps the project";
    // What drawing the Details panel does (a missing record inserted, a value
    // retyped with the same bytes) is no step and keeps the redo.
    q[0]->SetRecord("Missing", ParamRecord{});
    q[0]->SetValue("Seed", ParamValue::FromPayload(ValueType::UInt32, q[0]->GetRawValue("Seed").Payload()));
    EXPECT_EQ(doc.history.Compare(q), QueueChange::Normalised);
    Settle();
    EXPECT_TRUE(CanRedoDocumentEdit(doc));
    const std::string drawn = Saved();
    q[0]->SetValue("Seed", U64(1)), TrackDocumentEdits(doc, false);  // not settled: recorded by the undo
    ASSERT_TRUE(UndoDocumentEdit(doc));
    EXPECT_EQ(Saved(), drawn);
    AddInstruction(doc, 0), Settle();
    EXPECT_FALSE(CanRedoDocumentEdit(doc)) << "a new edit drops the redo";

    // Edited exactly when the saved files differ, over random changes of every
    // field of a record; the newest steps are kept within the limits.
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 400; ++trial) {
        InstructionList base = MakeDefaultQueue(), live = CloneInstructions(base);
        if (trial % 2) Randomise(*base[2], "Color_Red", I32(-3), I32(3)), live = CloneInstructions(base);
        AbstractRasterFunction& target = *live[rng() % live.size()];
        const auto& map = target.Parameters();
        const std::string name = trial % 7 ? std::next(map.begin(), long(rng() % map.size()))->first : "Gained";
        ParamRecord r = target.GetRecord(name);
        ParamValue& field = *std::array<ParamValue*, 3>{&r.value, &r.offsetMin, &r.offsetMax}[rng() % 3];
        if (rng() % 2) field.SetPayload(field.Payload() ^ uint64_t(1) << (rng() % 64));
        else field = ParamValue::FromPayload(ValueType(rng() % 12), field.Payload());  // retyped only
        r.randomized ^= rng() % 4 == 0;
        target.SetRecord(name, r);
        // A record the live queue gained is an edit only when randomised (drawing inserts plain ones).
        const bool edited = name == "Gained" ? r.randomized : EncodeProject(base) != EncodeProject(live);
        EXPECT_EQ(CompareQueues(base, live) == QueueChange::Edited, edited) << "trial " << trial << " " << name;
    }
    InstructionList queue = MakeNewQueue();
    UndoHistory history(200), tiny(200, 1);
    history.Reset(queue), tiny.Reset(queue);
    for (uint64_t i = 1; i <= 250; ++i) queue[0]->SetValue("Seed", U64(i)), history.Commit(queue, {}, {});
    UndoHistory::Move move;
    EXPECT_EQ(history.UndoSteps(), 200u);
    while (history.Undo(move)) continue;
    EXPECT_EQ(move.queue[0]->GetRawValue("Seed").AsUInt64(), 50u) << "the oldest state kept";
    EXPECT_TRUE(tiny.Commit(queue, {}, {}));
    EXPECT_EQ(std::make_pair(tiny.UndoSteps(), tiny.Compare(queue)), std::make_pair(size_t(0), QueueChange::None))
        << "the byte budget drops old steps, never the current state";
}

TEST_F(DocumentTest, RecentProjectsNewestFirstSharedBetweenEditorsAndCorruptListsIgnored) {
    const std::string store = dir + "/state/recent-projects", head = "orvane recent projects 1\n";
    // Newest first, each path once, at most eight, written whole through a
    // temporary file that is never left behind.
    RecentProjects one(store), two(store);
    for (int i = 0; i < 10; ++i) one.Remember("/p/" + std::to_string(i));
    ASSERT_TRUE(two.Remember("/p/5"));  // another editor starts from the stored list
    ASSERT_TRUE(one.Load());
    EXPECT_EQ(one.Paths(), (Paths{"/p/5", "/p/9", "/p/8", "/p/7", "/p/6", "/p/4", "/p/3", "/p/2"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir + "/state"), {}), 1) << "a temporary file was left";
    // A list not exactly of that shape (empty, another version, a relative or
    // empty path, a cut line, a path twice, a zero byte, a line too long) is
    // ignored, and the next Remember writes a fresh one.
    for (const std::string& bytes : {std::string(), std::string("orvane recent projects 2\n/a\n"), head + "rel\n",
                                     head + "\n", head + "/a", head + "/a\n/a\n", head + std::string("/a\0b\n", 5),
                                     head + "/" + std::string(5000, 'x') + "\n"}) {
        WriteFile(store, bytes);
        RecentProjects recent(store);
        EXPECT_FALSE(recent.Load() || !recent.Paths().empty()) << bytes;
        ASSERT_TRUE(recent.Remember("/b.pcg"));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(store).rdbuf()), {}), head + "/b.pcg\n");
    }
}

}  // namespace
