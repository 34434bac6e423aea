#pragma once
// Nothing is lost on close or crash: while the document has unsaved changes
// the editor keeps a copy of its queue in the state folder, as a project
// file (written whole, at most once a second, only when it changed), and
// removes it once the changes are saved. Each editor keeps its own copy,
// named by host and process. At the next start a copy whose editor is gone
// is offered back in a bar: Restore or Discard.
#include <ctime>
#include <optional>
#include <string>

#include "editor/editor_document.h"
#include "editor/editor_ui.h"

class RecoveryCopy {
public:
    // folder "" keeps nothing (no state folder).
    explicit RecoveryCopy(std::string folder = "");

    // Once per frame, told whether the document has unsaved changes.
    void Keep(const EditorDocument& document, bool unsaved);
    // At close: the copy is written now when there are unsaved changes (the
    // next start offers it), removed otherwise.
    void Finish(const EditorDocument& document);

    // The newest copy in `folder` left by an editor of this host that no
    // longer runs.
    static std::optional<RecoveryOffer> FindLeftOver(const std::string& folder);

private:
    // Skips an unchanged copy unless `always`.
    void Write(const EditorDocument& document, bool always = false);
    void Remove();

    std::string copyPath_, projectPath_;  // this editor's copy and its project's path file
    std::string written_;                 // the bytes last written; empty: no copy
    std::time_t lastWrite_ = 0;
};

// The bar that offers a left-over copy; Restore puts its queue (and its
// project's path) back as unsaved work, Discard deletes it.
void DrawRecoveryBar(EditorDocument& document, EditorUi& ui);
