// The document: the File commands through a stand-in chooser first on PATH,
// undo and redo of every kind of edit, the history's comparison and limits,
// and the recent projects list.
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>

#include "editor/file_commands.h"
#include "editor/recovery.h"
#include "editor/seed_gallery_window.h"
#include "functions/default_queues.h"
#include "project/file_io.h"
#include "project/project_file.h"
#include "project/project_file_format.h"
#include "support/test_support.h"

namespace {

using Paths = std::vector<std::string>;

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
// What `run` writes to the standard error stream.
std::string ErrorsOf(const std::function<void()>& run) {
    testing::internal::CaptureStderr(), run();
    return testing::internal::GetCapturedStderr();
}
// Whether that ends with `line` and holds it once.
bool FailsWith(const std::function<void()>& run, const std::string& line) {
    const std::string text = ErrorsOf(run);
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
    EditorUi ui;
};

TEST_F(DocumentTest, FileCommandsReportInTheStatusLineKeepTheProjectOnFailureAndStartWhereTheProjectIs) {
    // A chooser that logs the folder it was started in and prints $STANDIN_DIR/reply (an empty line: cancelled).
    WriteFile(dir + "/bin/zenity", "#!/bin/sh\nfor a; do case $a in --filename=*) echo \"${a#--filename=}\" >> "
                                   "\"$STANDIN_DIR/calls\";; esac; done\nread r < \"$STANDIN_DIR/reply\"\n"
                                   "[ -n \"$r\" ] && echo \"$r\" || exit 1\n");
    std::filesystem::permissions(dir + "/bin/zenity", std::filesystem::perms::owner_all);
    setenv("PATH", (dir + "/bin:" + path).c_str(), 1), setenv("STANDIN_DIR", dir.c_str(), 1);
    const auto reply = [&](const std::string& chosen) { WriteFile(dir + "/reply", chosen + "\n"); };
    const auto lastCall = [&] {
        std::ifstream in(dir + "/calls");
        std::string line, last;
        while (std::getline(in, line)) last = line;
        return last;
    };
    const auto status = [&] { return std::make_pair(ui.status.text, ui.status.error); };
    std::filesystem::create_directories(dir + "/sub");
    const std::string a = dir + "/sub/a.pcg", b = dir + "/b.pcg";
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    reply(a), SaveProjectCommand(doc, ui);  // no current project: asks, in the working directory
    EXPECT_EQ(lastCall(), std::string(cwd) + "/");
    EXPECT_EQ(status(), std::make_pair(std::string("Saved a.pcg"), false));
    doc.instructionQueue.pop_back();
    EXPECT_TRUE(HasUnsavedChanges(doc));
    SaveProjectCommand(doc, ui);  // then writes there without asking
    EXPECT_FALSE(HasUnsavedChanges(doc));
    const std::string saved = Saved();
    reply(dir + "/no-folder/b.pcg");
    EXPECT_TRUE(FailsWith([&] { SaveProjectAsCommand(doc, ui); }, "Failed to save file\n"));
    EXPECT_EQ(lastCall(), dir + "/sub/") << "the project's folder";
    EXPECT_EQ(status(), std::make_pair(std::string("Could not save: no such file or directory"), true));
    EXPECT_EQ(doc.currentProjectPath, a) << "a failed Save As keeps the project";
    reply(b), SaveProjectAsCommand(doc, ui);
    EXPECT_EQ(doc.currentProjectPath, b);
    NewProjectCommand(doc, ui), reply("");
    // A cancelled dialog is no failure: nothing on the terminal, the status line unchanged.
    EXPECT_EQ(ErrorsOf([&] { SaveProjectCommand(doc, ui); }), "");
    EXPECT_EQ(lastCall(), dir + "/") << "no project: the folder last used";
    EXPECT_EQ(status(), std::make_pair(std::string("New project"), false));
    reply(a), OpenProjectCommand(doc, ui);
    EXPECT_EQ(std::make_tuple(Saved(), doc.currentProjectPath), std::make_tuple(saved, a)) << "what Save wrote";
    EXPECT_EQ(status(), std::make_pair(std::string("Opened a.pcg"), false));
    WriteFile(dir + "/corrupt.pcg", std::string(57, 'x'));
    for (const std::string& chosen : {dir + "/corrupt.pcg", dir + "/none.pcg"}) {
        reply(chosen), doc.queueDirty = false;
        EXPECT_TRUE(FailsWith([&] { OpenProjectCommand(doc, ui); }, "Failed to open file\n")) << chosen;
        EXPECT_EQ(std::make_tuple(Saved(), doc.queueDirty, doc.currentProjectPath), std::make_tuple(saved, false, a));
        EXPECT_TRUE(ui.status.error);
        EXPECT_EQ(ui.status.text.rfind("Could not open " + LastPathComponent(chosen) + ": ", 0), 0u) << ui.status.text;
    }
    OpenRecentProjectCommand(doc, ui, b);
    EXPECT_EQ(std::make_pair(doc.currentProjectPath, doc.recentProjects.Paths()), std::make_pair(b, Paths{b, a}));
}

// Unsaved work is kept as a project file in the state folder, and only
// then; it is offered at start once its editor has gone, and removed once saved.
TEST_F(DocumentTest, UnsavedWorkIsKeptUntilSavedAndOfferedOnlyOnceItsEditorIsGone) {
    const std::string state = dir + "/state";
    const auto copies = [&] {
        Paths found;
        if (std::filesystem::exists(state))
            for (const auto& entry : std::filesystem::directory_iterator(state)) found.push_back(entry.path());
        return found;
    };
    RecoveryCopy copy(state);
    MarkSaved(doc), copy.Keep(doc, HasUnsavedChanges(doc));
    EXPECT_TRUE(copies().empty()) << "nothing unsaved, nothing kept";
    doc.instructionQueue.pop_back();
    copy.Keep(doc, HasUnsavedChanges(doc));
    const Paths kept = copies();
    ASSERT_EQ(kept.size(), 2u) << "the queue and its project's path";
    const std::string pcg = kept[0].size() > 4 && kept[0].substr(kept[0].size() - 4) == ".pcg" ? kept[0] : kept[1];
    std::ifstream in(pcg, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), Saved());
    EXPECT_FALSE(RecoveryCopy::FindLeftOver(state)) << "its editor still runs";
    // Renamed to a process that cannot exist: left over by an editor that is gone.
    const std::string stem = pcg.substr(0, pcg.rfind('-') + 1) + "2147483646";
    std::filesystem::rename(pcg, stem + ".pcg");
    std::filesystem::rename(pcg.substr(0, pcg.size() - 4) + ".project", stem + ".project");
    const auto offer = RecoveryCopy::FindLeftOver(state);
    ASSERT_TRUE(offer);
    EXPECT_EQ(std::make_tuple(offer->copyPath, offer->projectPath), std::make_tuple(stem + ".pcg", std::string()));
    std::filesystem::remove(stem + ".pcg"), std::filesystem::remove(stem + ".project");
    copy.Finish(doc);
    EXPECT_EQ(copies().size(), 2u) << "closed with unsaved work: kept for the next start";
    ASSERT_TRUE(SaveProjectFile(doc, dir + "/saved.pcg"));
    copy.Keep(doc, HasUnsavedChanges(doc));
    EXPECT_TRUE(copies().empty()) << "removed once saved";
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
