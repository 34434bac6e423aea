// The editor's extras:
//   [SECTION] State
//   [SECTION] Start and stop
//   [SECTION] Frame start: undo tracking, recent projects
//   [SECTION] Menus and shortcuts
//   [SECTION] Seed Gallery window (thumbnail textures live here)
//   [SECTION] Generating indicator
#include "editor_ui/editor_extras.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <array>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>

#include "editor_ui/seed_gallery.h"
#include "imgui.h"
#include "imgui_internal.h"
#include "instructions/instruction_queue.h"
#include "project/file_commands.h"
#include "project/project_file.h"
#include "project/recent_files.h"
#include "project/undo_history.h"

//-----------------------------------------------------------------------------
// [SECTION] State
//-----------------------------------------------------------------------------

namespace {

using Clock = std::chrono::steady_clock;

// In memory until the shell starts the extras with the state directory.
std::unique_ptr<RecentProjects> recentProjects = std::make_unique<RecentProjects>();
// The project last seen current and its file's modification time, to notice
// Open, Save As and Save.
ProjectIdentity lastSeenProject;
int64_t lastSeenModified = 0;

bool galleryOpen = false;
bool galleryTextures = false;  // a GL context is there to upload thumbnails to
SeedGalleryRenderer galleryRenderer;
// What the gallery was last asked to render; compared with the live queue.
InstructionList galleryRequested;
bool galleryHasSeed = false;
bool galleryRequestedOnce = false;
struct GallerySlot {
    uint64_t version = 0;
    uint64_t seed = 0;
    bool ready = false;
    GLuint texture = 0;
};
std::array<GallerySlot, kSeedGallerySize> gallerySlots;

bool generationBusy = false;
Clock::time_point busySince;
constexpr std::chrono::milliseconds kIndicatorDelay{100};

constexpr float kThumbnailSide = 72.0f;
constexpr int kGalleryColumns = 4;

ProjectIdentity CurrentProject() {
    ProjectIdentity project;
    project.known = hasCurrentProject;
    if (hasCurrentProject) project.path = currentProjectPath;
    return project;
}

// Nanoseconds since the epoch; 0 when the file cannot be examined.
int64_t ModificationTime(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return 0;
    return int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

void FreeGalleryTextures() {
    for (GallerySlot& slot : gallerySlots) {
        if (slot.texture != 0 && galleryTextures) glDeleteTextures(1, &slot.texture);
        slot = GallerySlot();
    }
}

}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Start and stop
//-----------------------------------------------------------------------------

void StartEditorExtras() {
    const std::string store = DefaultRecentProjectsPath();
    recentProjects = std::make_unique<RecentProjects>(store);
    recentProjects->Load();  // an unreadable or corrupt list is ignored
    galleryTextures = true;
    lastSeenProject = CurrentProject();
    lastSeenModified = lastSeenProject.known ? ModificationTime(lastSeenProject.path) : 0;
}

void StopEditorExtras() {
    galleryRenderer.Stop();
    FreeGalleryTextures();
    galleryTextures = false;
    galleryRequested.clear();
    galleryRequestedOnce = false;
}

void NoteGenerationBusy(bool busy) {
    if (busy && !generationBusy) busySince = Clock::now();
    generationBusy = busy;
}

//-----------------------------------------------------------------------------
// [SECTION] Frame start
//-----------------------------------------------------------------------------

void TrackEditorFrameStart() {
    // A drag, a held slider or a typed value is one step: it settles once
    // the button is up and no widget is active any more.
    const bool settled = !ImGui::IsAnyItemActive() && !ImGui::IsAnyMouseDown();
    TrackDocumentEdits(settled);

    // "Open" and "Save As..." (or the first "Save") make a file current; a
    // "Save" to the current file shows as a new modification time.
    const ProjectIdentity project = CurrentProject();
    const int64_t modified = project.known ? ModificationTime(project.path) : 0;
    if (project.known && (project != lastSeenProject || (modified != 0 && modified != lastSeenModified)))
        recentProjects->Remember(project.path);
    lastSeenProject = project;
    lastSeenModified = modified;
}

//-----------------------------------------------------------------------------
// [SECTION] Menus and shortcuts
//-----------------------------------------------------------------------------

namespace {

// A project put back by undo or redo was neither opened nor saved.
void ForgetProjectChange() {
    lastSeenProject = CurrentProject();
    lastSeenModified = lastSeenProject.known ? ModificationTime(lastSeenProject.path) : 0;
}

void Undo() {
    UndoDocumentEdit();
    ForgetProjectChange();
}

void Redo() {
    RedoDocumentEdit();
    ForgetProjectChange();
}

}  // namespace

void HandleEditShortcuts() {
    const ImGuiIO& io = ImGui::GetIO();
    if (!io.KeyCtrl || io.KeyAlt || io.KeySuper || io.WantTextInput || ImGui::IsAnyItemActive()) return;
    // Letter keys are indexed by their GLFW codes, their ASCII capitals. One
    // step per press: a held key does not repeat through the history.
    if (ImGui::IsKeyPressed('Z', false))
        io.KeyShift ? Redo() : Undo();
    else if (ImGui::IsKeyPressed('Y', false) && !io.KeyShift)
        Redo();
}

void OpenRecentProject(const char* path) {
    if (LoadProjectFile(path)) {
        hasCurrentProject = true;
        currentProjectPath = path;
        recentProjects->Remember(path);
        ForgetProjectChange();
    } else {
        std::cerr << "Failed to open file" << std::endl;
    }
}

const std::vector<std::string>& RecentProjectPaths() { return recentProjects->Paths(); }

void DrawOpenRecentMenu() {
    if (!ImGui::BeginMenu("Open Recent")) return;
    const std::vector<std::string> paths = recentProjects->Paths();  // a copy: opening reorders it
    if (paths.empty()) ImGui::MenuItem("No recent projects", nullptr, false, false);
    for (size_t i = 0; i < paths.size(); ++i) {
        ImGui::PushID(int(i));
        // Missing files stay listed, greyed out: they may come back (a
        // removable drive, a network folder).
        if (ImGui::MenuItem(paths[i].c_str(), nullptr, false, ProjectFileExists(paths[i])))
            OpenRecentProject(paths[i].c_str());
        ImGui::PopID();
    }
    ImGui::EndMenu();
}

void DrawEditMenu() {
    if (!ImGui::BeginMenu("Edit")) return;
    if (ImGui::MenuItem("Undo", "Ctrl+Z", false, CanUndoDocumentEdit())) Undo();
    if (ImGui::MenuItem("Redo", "Ctrl+Y", false, CanRedoDocumentEdit())) Redo();
    ImGui::EndMenu();
}

void DrawViewMenu() {
    if (!ImGui::BeginMenu("View")) return;
    ImGui::MenuItem("Seed Gallery", nullptr, &galleryOpen);
    ImGui::EndMenu();
}

//-----------------------------------------------------------------------------
// [SECTION] Seed Gallery window
//-----------------------------------------------------------------------------

void SetSeedGalleryOpen(bool open) { galleryOpen = open; }
bool IsSeedGalleryOpen() { return galleryOpen; }

void SetSeedFromGallery(uint64_t seed) {
    const int at = FindFirstSeedInstruction(instructionQueue);
    if (at < 0) return;
    instructionQueue[size_t(at)]->SetValue("Seed", ParamValue(seed));  // the Seed field's own type
    queueDirty = true;  // an undoable edit like any other, recorded once settled
}

namespace {

// Uploads a 100 x 100 thumbnail into the slot's own texture, leaving the
// texture binding as it was (the preview binds its own before each use).
void UploadThumbnail(GallerySlot& slot, const std::vector<unsigned char>& rgba) {
    if (!galleryTextures || rgba.size() != 100u * 100u * 4u) return;
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    if (slot.texture == 0) glGenTextures(1, &slot.texture);
    glBindTexture(GL_TEXTURE_2D, slot.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 100, 100, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
}

// Asks for a new family whenever the queue differs from the one last asked
// for (a drag asks every frame; the renderer drops superseded work).
void RefreshGallery() {
    if (galleryRequestedOnce && CompareQueues(galleryRequested, instructionQueue) == QueueChange::None) return;
    galleryRequested = CloneInstructions(instructionQueue);
    galleryRequestedOnce = true;
    galleryHasSeed = galleryRenderer.Request(instructionQueue);
}

void CollectThumbnails() {
    SeedGalleryRenderer::Thumbnail thumbnail;
    for (int k = 0; k < kSeedGallerySize; ++k) {
        GallerySlot& slot = gallerySlots[size_t(k)];
        if (!galleryRenderer.TakeNewer(k, slot.version, thumbnail)) continue;
        slot.seed = thumbnail.seed;
        slot.ready = true;
        UploadThumbnail(slot, thumbnail.rgba);
    }
}

void DrawSeedGallery() {
    RefreshGallery();
    CollectThumbnails();
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + 20.0f, viewport->WorkPos.y + 60.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(kGalleryColumns * (kThumbnailSide + 16.0f) + 24.0f, 500.0f),
                             ImGuiCond_FirstUseEver);
    const bool visible = ImGui::Begin("Seed Gallery", &galleryOpen);
    // The panels come to the front when pressed; the gallery floats above
    // them, though never above an open menu or combo list.
    if (!ImGui::IsPopupOpen(nullptr, ImGuiPopupFlags_AnyPopupId))
        ImGui::BringWindowToDisplayFront(ImGui::GetCurrentWindow());
    if (visible) {
        if (!galleryHasSeed) {
            ImGui::TextWrapped("The queue has no Seed parameter: add a Set Seed, Dilate Morph or Erode Morph "
                               "instruction to see a family of textures.");
        } else {
            const auto requested = galleryRenderer.RequestedSeeds();
            const int finished = galleryRenderer.FinishedOfLatest();
            ImGui::Text("Seeds %llu to %llu%s", (unsigned long long)requested[0],
                        (unsigned long long)requested[kSeedGallerySize - 1],
                        finished < kSeedGallerySize ? " (rendering)" : "");
            for (int k = 0; k < kSeedGallerySize; ++k) {
                const GallerySlot& slot = gallerySlots[size_t(k)];
                ImGui::PushID(k);
                ImGui::BeginGroup();
                // Texture 0 is the preview's: a slot without a thumbnail is a plain button.
                const ImVec2 side(kThumbnailSide, kThumbnailSide);
                const ImVec2 padding = ImGui::GetStyle().FramePadding;
                const bool clicked =
                    slot.ready ? ImGui::ImageButton((ImTextureID)(intptr_t)slot.texture, side)
                               : ImGui::Button("##pending", ImVec2(side.x + 2 * padding.x, side.y + 2 * padding.y));
                if (slot.ready)
                    ImGui::Text("%llu", (unsigned long long)slot.seed);
                else
                    ImGui::TextUnformatted("...");
                ImGui::EndGroup();
                if (clicked && slot.ready) SetSeedFromGallery(slot.seed);
                ImGui::PopID();
                if ((k + 1) % kGalleryColumns != 0) ImGui::SameLine();
            }
        }
    }
    ImGui::End();
}

//-----------------------------------------------------------------------------
// [SECTION] Generating indicator
//-----------------------------------------------------------------------------

// Over the lower-left corner of the preview's quarter of the work area.
void DrawGeneratingIndicator() {
    if (!generationBusy || Clock::now() - busySince < kIndicatorDelay) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f + 10.0f,
                                   viewport->WorkPos.y + viewport->WorkSize.y * 0.5f - 10.0f),
                            ImGuiCond_Always, ImVec2(0, 1));
    ImGui::SetNextWindowBgAlpha(0.6f);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing |
                                   ImGuiWindowFlags_NoNav | ImGuiWindowFlags_NoInputs;
    if (ImGui::Begin("##Generating indicator", nullptr, flags)) ImGui::TextUnformatted("generating...");
    ImGui::End();
}

}  // namespace

void DrawEditorExtraWindows() {
    if (galleryOpen) DrawSeedGallery();
    DrawGeneratingIndicator();
}
