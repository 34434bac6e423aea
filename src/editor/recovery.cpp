#include "editor/recovery.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <deque>

#include "imgui.h"
#include "project/file_io.h"
#include "project/project_file.h"
#include "project/project_file_format.h"

namespace {

std::string HostPart() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) return "host";
    std::string name = host;
    for (char& c : name)
        if (c == '/' || c == '-') c = '_';
    return name.substr(0, 64);
}

std::string ReadSmallFile(const std::string& path) {
    std::string bytes, why;
    return ReadFileBounded(path, 1 << 16, bytes, why) ? bytes : "";
}

}  // namespace

RecoveryCopy::RecoveryCopy(std::string folder) {
    if (folder.empty()) return;
    const std::string stem = JoinPath(folder, "recovery-" + HostPart() + "-" + std::to_string(::getpid()));
    copyPath_ = stem + ".pcg";
    projectPath_ = stem + ".project";
}

void RecoveryCopy::Write(const EditorDocument& document, bool always) {
    const std::string bytes = EncodeProject(document.instructionQueue);
    const std::string project = document.hasCurrentProject ? document.currentProjectPath : "";
    if (!always && bytes == written_ && project == ReadSmallFile(projectPath_)) return;
    std::string why;
    ::mkdir(copyPath_.substr(0, copyPath_.find_last_of('/')).c_str(), 0700);
    if (ReplaceFile(projectPath_, project, ReplaceOptions{false, true}, why) &&
        ReplaceFile(copyPath_, bytes, ReplaceOptions{false, true}, why))
        written_ = bytes;
}

void RecoveryCopy::Remove() {
    if (written_.empty()) return;
    std::remove(copyPath_.c_str());
    std::remove(projectPath_.c_str());
    written_.clear();
}

void RecoveryCopy::Keep(const EditorDocument& document, bool unsaved) {
    if (copyPath_.empty()) return;
    if (!unsaved) {
        Remove();
        return;
    }
    const std::time_t now = std::time(nullptr);
    if (now == lastWrite_) return;  // at most once a second
    lastWrite_ = now;
    Write(document);
}

void RecoveryCopy::Finish(const EditorDocument& document) {
    if (copyPath_.empty()) return;
    if (HasUnsavedChanges(document))
        Write(document, true);
    else
        Remove();
}

std::optional<RecoveryOffer> RecoveryCopy::FindLeftOver(const std::string& folder) {
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) return std::nullopt;
    const std::string prefix = "recovery-" + HostPart() + "-";
    std::optional<RecoveryOffer> newest;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.rfind(prefix, 0) != 0 || name.size() < 5 || name.compare(name.size() - 4, 4, ".pcg") != 0) continue;
        const long pid = std::atol(name.substr(prefix.size()).c_str());
        if (pid <= 0 || (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)) continue;  // its editor still runs
        RecoveryOffer offer;
        offer.copyPath = JoinPath(folder, name);
        offer.pathFile = offer.copyPath.substr(0, offer.copyPath.size() - 4) + ".project";
        offer.projectPath = ReadSmallFile(offer.pathFile);
        struct stat info;
        if (::stat(offer.copyPath.c_str(), &info) != 0) continue;
        offer.when = info.st_mtime;
        if (!newest || offer.when > newest->when) newest = offer;
    }
    ::closedir(directory);
    return newest;
}

void DrawRecoveryBar(EditorDocument& document, EditorUi& ui) {
    if (!ui.recoveryOffer) return;
    const RecoveryOffer& offer = *ui.recoveryOffer;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const float height = ImGui::GetFrameHeightWithSpacing() + 8.0f;
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x, viewport->WorkPos.y + viewport->WorkSize.y - 2 * height),
                            ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(viewport->WorkSize.x, height), ImGuiCond_Always);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
    bool restore = false, discard = false;
    if (ImGui::Begin("##Recovery bar", nullptr, flags)) {
        char when[64] = "earlier";
        const std::time_t seconds = std::time_t(offer.when);
        if (const std::tm* local = std::localtime(&seconds)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", local);
        // The buttons first, where the eye and the pointer find them.
        restore = ImGui::Button("Restore");
        ImGui::SameLine();
        discard = ImGui::Button("Discard");
        ImGui::SameLine();
        ImGui::AlignTextToFramePadding();
        ImGui::Text("Unsaved work from %s (%s) was kept.", when,
                    offer.projectPath.empty() ? "untitled" : LastPathComponent(offer.projectPath).c_str());
    }
    ImGui::End();
    if (restore) {
        std::deque<int32_t> noSeeds;
        InstructionList queue;
        if (ReadProjectFile(offer.copyPath, noSeeds, queue)) {
            document.instructionQueue = std::move(queue);
            document.hasCurrentProject = !offer.projectPath.empty();
            document.currentProjectPath = offer.projectPath;
            document.selectedIndex = document.draggedIndex = -1;
            document.queueDirty = true;  // unsaved: its file, if any, still holds the older version
            Report(ui, "Restored the unsaved work", false);
        } else {
            Report(ui, "Could not restore the unsaved work", true);
        }
    }
    if (restore || discard) {
        std::remove(offer.copyPath.c_str());
        std::remove(offer.pathFile.c_str());
        if (discard) Report(ui, "Discarded the unsaved work", false);
        ui.recoveryOffer.reset();
    }
}
