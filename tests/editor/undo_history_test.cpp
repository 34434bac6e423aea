// Undo and redo of the editor's document: every kind of edit comes back as
// the same saved file, a drag is one step, the history is bounded, and what
// drawing does to a queue is never a step.
#include <random>
#include <string>
#include <vector>

#include "project/file_commands.h"
#include "project/project_file.h"
#include "project/project_file_format.h"
#include "project/undo_history.h"
#include "project_test_util.h"

namespace {

class UndoTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        ResetDocumentHistory();
        hasCurrentProject = false;
        currentProjectPath.clear();
        instructionQueue = MakeDefaultQueue();
    }
    void TearDown() override {
        ResetDocumentHistory();
        hasCurrentProject = false;
        currentProjectPath.clear();
        CoreTest::TearDown();
    }

    // The bytes "Save" writes for the live queue.
    std::string Saved() {
        const std::string path = ScratchPath("saved.pcg");
        EXPECT_TRUE(WriteProjectFile(path, instructionQueue));
        return ReadBytes(path);
    }

    // One settled frame after an edit.
    void Settle() { TrackDocumentEdits(true); }
};

ParamRecord Randomised(ParamRecord record, int32_t lo, int32_t hi) {
    record.randomized = true;
    record.offsetMin = ParamValue(lo);
    record.offsetMax = ParamValue(hi);
    return record;
}

TEST_F(UndoTest, EveryKindOfEditUndoesAndRedoesToTheSameSavedFile) {
    const std::string other = ScratchPath("other.pcg");
    ASSERT_TRUE(WriteProjectFile(other, Queue(FromCatalogue(9), FromCatalogue(1, {{"Color_Green", U8(7)}}))));

    Settle();  // the starting state
    struct Expect {
        std::string bytes;
        int32_t selectedAfterUndo;  // the affected row, once this edit is undone
        bool project;
    };
    std::vector<std::string> saved{Saved()};
    std::vector<Expect> steps;
    auto record = [&](int32_t row) {
        Settle();
        saved.push_back(Saved());
        steps.push_back({saved.back(), row, hasCurrentProject});
    };

    AddInstruction(11);  // add: nothing was selected, nothing is afterwards
    record(-1);
    selectedIndex = 1;
    Settle();
    instructionQueue[1]->SetValue("Pos_EndX", I32(70));  // parameter value
    record(1);
    selectedIndex = 2;
    Settle();
    instructionQueue[2]->SetRecord("Color_Green", Randomised(instructionQueue[2]->GetRecord("Color_Green"), 0, 0));
    record(2);  // randomised flag
    instructionQueue[2]->SetRecord("Color_Green", Randomised(instructionQueue[2]->GetRecord("Color_Green"), -5, 9));
    record(2);  // offsets
    selectedIndex = SwapInstructions(instructionQueue, 2, 1);  // drag row 2 up
    record(2);
    selectedIndex = 3;
    Settle();
    removalRequests.push_back(3);  // delete: the panel clears the selection, the frame update erases
    selectedIndex = -1;
    ApplyRemovalRequests();
    record(3);
    NewProjectCommand();
    record(1);  // the first row New replaced (row 0 was the same Set Seed)
    ASSERT_TRUE(LoadProjectFile(other));  // what "Open" does on success
    hasCurrentProject = true;
    currentProjectPath = other;
    record(0);
    ASSERT_EQ(steps.size(), 8u);
    for (size_t i = 1; i < saved.size(); ++i) ASSERT_NE(saved[i], saved[i - 1]) << "edit " << i << " changed nothing";

    for (size_t i = steps.size(); i-- > 0;) {
        ASSERT_TRUE(UndoDocumentEdit()) << "undo " << i;
        EXPECT_EQ(Saved(), saved[i]) << "after undoing edit " << i;
        EXPECT_EQ(selectedIndex, steps[i].selectedAfterUndo) << "after undoing edit " << i;
        EXPECT_EQ(draggedIndex, -1);
        EXPECT_TRUE(queueDirty);
        Settle();  // undoing is not itself an edit
        if (i == 7) {
            EXPECT_FALSE(hasCurrentProject) << "undoing Open goes back to the project before it";
        }
    }
    EXPECT_FALSE(UndoDocumentEdit());
    EXPECT_EQ(Saved(), saved[0]);
    for (size_t i = 0; i < steps.size(); ++i) {
        ASSERT_TRUE(RedoDocumentEdit()) << "redo " << i;
        EXPECT_EQ(Saved(), saved[i + 1]) << "after redoing edit " << i;
        Settle();
    }
    EXPECT_FALSE(RedoDocumentEdit());
    EXPECT_TRUE(hasCurrentProject);
    EXPECT_EQ(currentProjectPath, other);
}

TEST_F(UndoTest, UndoingAProjectChangeRestoresTheProjectButOrdinaryEditsLeaveItAlone) {
    const std::string a = ScratchPath("a.pcg"), b = ScratchPath("b.pcg");
    ASSERT_TRUE(WriteProjectFile(a, Queue(FromCatalogue(14, {{"Seed", U64(3)}}))));
    ASSERT_TRUE(WriteProjectFile(b, Queue(FromCatalogue(1))));
    Settle();
    ASSERT_TRUE(LoadProjectFile(a));
    hasCurrentProject = true;
    currentProjectPath = a;
    Settle();
    instructionQueue[0]->SetValue("Seed", U64(4));
    Settle();
    currentProjectPath = ScratchPath("a-copy.pcg");  // "Save As..." changes no queue
    Settle();
    ASSERT_TRUE(UndoDocumentEdit());
    EXPECT_EQ(currentProjectPath, ScratchPath("a-copy.pcg")) << "an ordinary edit's undo keeps the project";
    ASSERT_TRUE(LoadProjectFile(b));
    currentProjectPath = b;
    Settle();
    ASSERT_TRUE(UndoDocumentEdit());
    EXPECT_EQ(currentProjectPath, ScratchPath("a-copy.pcg")) << "undoing Open puts the earlier file back";
    EXPECT_EQ(instructionQueue[0]->GetRawValue("Seed").AsUInt64(), 3u);
    ASSERT_TRUE(RedoDocumentEdit());
    EXPECT_EQ(currentProjectPath, b);
}

TEST_F(UndoTest, AWholeDragIsOneStepAndAPendingEditIsUndoneFirst) {
    Settle();
    selectedIndex = 4;
    Settle();
    // A drag of row 4 to the top over many frames, with a slider moving too:
    // nothing settles until the button is released.
    for (int row = 4; row > 0; --row) {
        selectedIndex = SwapInstructions(instructionQueue, row, row - 1);
        instructionQueue[0]->SetValue("Color_Red", U8(uint8_t(row)));
        TrackDocumentEdits(false);
    }
    EXPECT_FALSE(CanRedoDocumentEdit());
    Settle();
    ASSERT_TRUE(UndoDocumentEdit());
    EXPECT_FALSE(CanUndoDocumentEdit()) << "the drag was more than one step";
    EXPECT_EQ(EncodeProject(instructionQueue), EncodeProject(MakeDefaultQueue()));
    EXPECT_EQ(selectedIndex, 4) << "the dragged row is selected where it came from";

    // Undo with an edit not yet settled records it, then undoes it.
    instructionQueue[1]->SetValue("Pos_EndX", I32(1));
    TrackDocumentEdits(false);
    ASSERT_TRUE(UndoDocumentEdit());
    EXPECT_EQ(EncodeProject(instructionQueue), EncodeProject(MakeDefaultQueue()));
    EXPECT_TRUE(CanRedoDocumentEdit());
    // A new edit after an undo discards what could have been redone.
    AddInstruction(0);
    Settle();
    EXPECT_FALSE(CanRedoDocumentEdit());
}

TEST_F(UndoTest, WhatDrawingDoesToAQueueIsNotAStep) {
    Settle();
    instructionQueue[1]->SetValue("Pos_EndX", I32(3));  // an edit
    Settle();
    ASSERT_TRUE(UndoDocumentEdit());
    // The Details panel inserts a missing layout record and retypes values
    // (the same payload bytes), every frame it draws them.
    instructionQueue[0]->SetRecord("Missing", ParamRecord{});
    instructionQueue[1]->SetValue("Pos_StartX", ParamValue::FromPayload(ValueType::UInt32, 0xFFFFFFFF00000000ull));
    Settle();
    EXPECT_TRUE(CanRedoDocumentEdit()) << "drawing discarded the redo step";
    ASSERT_TRUE(RedoDocumentEdit());
    EXPECT_EQ(instructionQueue[1]->GetRawValue("Pos_EndX").AsInt32(), 3);
    // A randomised record that appears is an edit.
    instructionQueue[0]->SetRecord("Extra", Randomised(ParamRecord{}, 1, 2));
    EXPECT_EQ(CompareQueues(CloneInstructions(MakeDefaultQueue()), instructionQueue), QueueChange::Edited);
}

// CompareQueues says Edited exactly when the saved files differ, over random
// single changes of every field a record has.
TEST_F(UndoTest, EditedMeansTheSavedFileDiffers) {
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 400; ++trial) {
        InstructionList base = MakeDefaultQueue();
        if (trial % 2) base[2]->SetRecord("Color_Red", Randomised(base[2]->GetRecord("Color_Red"), -3, 3));
        InstructionList live = CloneInstructions(base);
        AbstractRasterFunction& target = *live[rng() % live.size()];
        const auto& parameters = target.Parameters();
        auto it = parameters.begin();
        std::advance(it, rng() % parameters.size());
        ParamRecord r = it->second;
        const uint64_t bits = uint64_t(1) << (rng() % 64);
        switch (rng() % 5) {
        case 0: r.value.SetPayload(r.value.Payload() ^ bits); break;
        case 1: r.randomized = !r.randomized; break;
        case 2: r.offsetMin.SetPayload(r.offsetMin.Payload() ^ bits); break;
        case 3: r.offsetMax = ParamValue::FromPayload(ValueType::Float, r.offsetMax.Payload() ^ bits); break;
        case 4: r.value = ParamValue::FromPayload(ValueType::Double, r.value.Payload()); break;
        }
        const std::string name = it->first;
        target.SetRecord(name, r);
        const bool differs = EncodeProject(base) != EncodeProject(live);
        EXPECT_EQ(CompareQueues(base, live) == QueueChange::Edited, differs) << "trial " << trial << " " << name;
    }
}

TEST(UndoHistoryTest, KeepsTheNewestStepsWithinItsLimits) {
    InstructionList queue = MakeDefaultQueue();
    UndoHistory history(200);
    history.Reset(queue);
    for (int i = 1; i <= 250; ++i) {
        queue[0]->SetValue("Seed", ParamValue(uint64_t(i)));
        ASSERT_TRUE(history.Commit(queue, {}, {}));
    }
    EXPECT_EQ(history.UndoSteps(), 200u);
    UndoHistory::Move move;
    while (history.Undo(move)) {
    }
    EXPECT_EQ(move.queue[0]->GetRawValue("Seed").AsUInt64(), 50u) << "the oldest state kept";
    EXPECT_EQ(history.RedoSteps(), 200u);

    // The byte budget drops old steps of big queues, never the current state.
    UndoHistory small(200, 1);
    small.Reset(queue);
    queue[0]->SetValue("Seed", ParamValue(uint64_t(1)));
    EXPECT_TRUE(small.Commit(queue, {}, {}));
    EXPECT_EQ(small.UndoSteps(), 0u);
    EXPECT_EQ(small.Compare(queue), QueueChange::None);
}

TEST(AffectedRowTest, PicksTheRememberedRowWhenChangedElseTheFirstChangedRow) {
    const InstructionList a = MakeDefaultQueue();
    InstructionList b = CloneInstructions(a);
    b[3]->SetValue("Point1_X", I32(1));
    EXPECT_EQ(AffectedRow(a, b, 3), 3);
    EXPECT_EQ(AffectedRow(a, b, 0), 3) << "an unrelated selection goes to the changed row";
    InstructionList moved = CloneInstructions(a);
    for (int row = 4; row > 1; --row) SwapInstructions(moved, row, row - 1);
    EXPECT_EQ(AffectedRow(a, moved, 4), 4) << "a dragged row: where it was";
    InstructionList longer = CloneInstructions(a);
    longer.push_back(a[0]->Clone());
    EXPECT_EQ(AffectedRow(a, longer, 2), 2) << "undoing an append keeps the selection";
    EXPECT_EQ(AffectedRow(longer, a, 2), 5) << "redoing it selects the new row";
    EXPECT_EQ(AffectedRow(a, longer, 9), -1);
}

}  // namespace
