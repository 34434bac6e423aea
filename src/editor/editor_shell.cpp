// The interactive editor's shell:
//   [SECTION] The shell's state
//   [SECTION] Frame update
//   [SECTION] Window handlers (resize, move) with their immediate redraw
//   [SECTION] Start-up
//   [SECTION] Shutdown
//   [SECTION] Entry: start-up, frame loop, shutdown
#include "editor/editor_shell.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <thread>
#include <vector>

#include "backends/imgui_impl_glfw.h"
#include "backends/imgui_impl_opengl3.h"
#include "editor/editor_document.h"
#include "editor/editor_ui.h"
#include "editor/file_commands.h"
#include "editor/generation_handoff.h"
#include "editor/main_window.h"
#include "editor/preview_renderer.h"
#include "editor/recent_files.h"
#include "editor/recovery.h"
#include "functions/default_queues.h"
#include "imgui.h"
#include "instructions/generate.h"
#include "project/file_io.h"
#include "project/image_file.h"
#include "raster/console.h"

// From GLFW's native interface; declared here because the X11 headers behind
// glfw3native.h define macros (None, Bool) that clash with our own names.
extern "C" unsigned long glfwGetX11Window(GLFWwindow* window);

namespace {

//-----------------------------------------------------------------------------
// [SECTION] The shell's state
//-----------------------------------------------------------------------------

constexpr const char* kWindowTitle = "Orvane Procedural Texture Editor";
constexpr int kViewportFrames = 10;

class EditorShell {
public:
    EditorShell(const std::string& exeDirectory, const std::string& projectPath)
        : exeDirectory_(exeDirectory), projectPath_(projectPath) {}
    int Run();

private:
    bool StartUp();
    void FrameUpdate();
    void DrawFrame();
    void Redraw();
    void ApplyPreviewViewport();
    void OnResize(int width, int height);
    void ShutDownUserInterface();
    void ShutDown();
    void PrintStats() const;
    void UpdateTitle(bool unsaved);
    void OnKey(int key, int scancode, int action, int mods);
    void HandOverKeys();

    static EditorShell& Of(GLFWwindow* window) {
        return *static_cast<EditorShell*>(glfwGetWindowUserPointer(window));
    }

    std::string exeDirectory_;
    std::string projectPath_;  // opened at start-up when not empty
    EditorDocument document_;
    EditorUi ui_;
    // The one raster; the hand-off guards it with rasterMutex once the worker runs.
    SelectableRaster raster_;
    // appRunning, workerBusy, requestMutex, rasterMutex and pendingSnapshot.
    GenerationHandoff handoff_{raster_};
    PreviewRenderer preview_;
    GLFWwindow* window_ = nullptr;
    int32_t windowWidth_ = 1000;
    int32_t windowHeight_ = 800;
    int32_t viewportCountdown_ = 0;  // frames left that re-apply the preview viewport
    uint32_t previewSize_ = 100;     // the preview resolution the worker was given
    bool previewEnabled_ = false;
    std::thread worker_;
    RecoveryCopy recovery_;
    std::string title_;  // the title last given to the window
    // Key events from the key callback (key, scancode, action, mods), handed
    // to the user interface frame by frame so that no press goes unseen.
    std::vector<std::array<int, 4>> pendingKeys_;
    // Debug counters, printed at shutdown when ORVANE_EDITOR_STATS is set. The
    // frame rate is counted from the end of the first frame, which also builds
    // the user interface's fonts and shaders.
    uint64_t framesDrawn_ = 0;
    std::chrono::steady_clock::time_point firstFrameEnd_;
};

// The upper-right quarter of the work area (OpenGL's origin is the lower left).
void EditorShell::ApplyPreviewViewport() {
    const GLint x = GLint(ui_.workWidth * 0.5f);
    const GLint y = GLint(ui_.workHeight * 0.5f);
    glViewport(x, y, x, y);
}

//-----------------------------------------------------------------------------
// [SECTION] Frame update
//-----------------------------------------------------------------------------

// Once per frame, before anything is drawn.
void EditorShell::FrameUpdate() {
    HandOverKeys();
    // A new preview resolution is a new generation at that size.
    if (ui_.previewSize != previewSize_) {
        previewSize_ = ui_.previewSize;
        handoff_.SetRasterSize(previewSize_);
        document_.queueDirty = true;
    }
    handoff_.PostSnapshot(document_.instructionQueue, document_.queueDirty);

    if (glfwGetMouseButton(window_, GLFW_MOUSE_BUTTON_LEFT) == GLFW_RELEASE) document_.draggedIndex = -1;

    // Polled, not edge-triggered: written again on every frame while held
    // (a tap counts once; see the key latch).
    if (ImGui::GetIO().KeysDown[GLFW_KEY_SPACE]) {
        const std::string path = exeDirectory_ + "/pcgOutput.png";
        handoff_.WithRaster([&](const SelectableRaster& raster) { WritePngFile(raster.CompositeImage(), path); });
    }

    handoff_.UploadIfChanged(&PreviewRenderer::UploadTexture);
    NoteGenerationBusy(ui_, handoff_.workerBusy.load());

    ApplyRemovalRequests(document_);  // last posted first; sets queueDirty when there were any
    const bool unsaved = HasUnsavedChanges(document_);
    recovery_.Keep(document_, unsaved);
    UpdateTitle(unsaved);
}

// "Orvane Procedural Texture Editor - tiles.pcg", with " *" while there are
// unsaved changes.
void EditorShell::UpdateTitle(bool unsaved) {
    std::string title = std::string(kWindowTitle) + " - " +
                        (document_.hasCurrentProject ? LastPathComponent(document_.currentProjectPath) : "untitled");
    if (unsaved) title += " *";
    if (title == title_) return;
    title_ = title;
    glfwSetWindowTitle(window_, title_.c_str());
}

// Key events wait in arrival order for the next frame.
void EditorShell::OnKey(int key, int scancode, int action, int mods) {
    pendingKeys_.push_back({key, scancode, action, mods});
}

// Before a frame: hands the waiting key events to the user interface in
// order, stopping before the first release that follows a press of this
// batch, so the frame sees every key and modifier as they were when the last
// press came: a shortcut pressed and released between two frames still
// counts. The rest waits for the next frame.
void EditorShell::HandOverKeys() {
    bool pressed = false;
    size_t taken = 0;
    for (; taken < pendingKeys_.size(); ++taken) {
        const std::array<int, 4>& e = pendingKeys_[taken];
        if (e[2] == GLFW_RELEASE && pressed) break;
        pressed = pressed || e[2] == GLFW_PRESS;
        ImGui_ImplGlfw_KeyCallback(window_, e[0], e[1], e[2], e[3]);
    }
    pendingKeys_.erase(pendingKeys_.begin(), pendingKeys_.begin() + long(taken));
}

void EditorShell::DrawFrame() {
    glClear(GL_COLOR_BUFFER_BIT);
    if (previewEnabled_) preview_.Draw(ui_.previewLook, ui_.tilePreview);
    DrawEditorFrame(document_, ui_);
}

//-----------------------------------------------------------------------------
// [SECTION] Window handlers
//-----------------------------------------------------------------------------

// Keeps the content alive while the frame loop is blocked in glfwPollEvents
// (a border being dragged): no frame update, just a draw.
void EditorShell::Redraw() {
    DrawFrame();
    glfwSwapBuffers(window_);
}

void EditorShell::OnResize(int width, int height) {
    ApplyPreviewViewport();  // from the work size of the last frame
    windowWidth_ = std::max(width, 1);
    windowHeight_ = std::max(height, 1);
    preview_.BuildProjection(float(windowWidth_) / float(windowHeight_));
    Redraw();
    // The viewport above lags one resize behind the work size; let the frame
    // loop re-apply it once the new work size has been recorded.
    viewportCountdown_ = kViewportFrames;
}

//-----------------------------------------------------------------------------
// [SECTION] Start-up
//-----------------------------------------------------------------------------

void EditorShell::ShutDownUserInterface() {
    try {
        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplGlfw_Shutdown();
        ImGui::DestroyContext();
    } catch (const std::exception& error) {
        PrintErrorLine("Failed to shutdown ImGui");
        PrintErrorLine(error.what());
    }
}

bool EditorShell::StartUp() {
    raster_ = SelectableRaster(100, 100);
    raster_.ClearSelection();
    // The preview's worker may use every core for a large preview.
    raster_.SetThreads(std::max(1u, std::thread::hardware_concurrency()));
    document_.instructionQueue = MakeDefaultQueue();
    MarkSaved(document_);

    if (!glfwInit()) {
        PrintErrorLine("GLFW failed to initialize, shutting down.");
        return false;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_AUTO_ICONIFY, GLFW_FALSE);
    glfwWindowHint(GLFW_FLOATING, GLFW_FALSE);

    window_ = glfwCreateWindow(windowWidth_, windowHeight_, kWindowTitle, nullptr, nullptr);
    if (window_ == nullptr) {
        glfwTerminate();
        return false;
    }
    glfwSetWindowUserPointer(window_, this);
    glfwMakeContextCurrent(window_);
    glfwSwapInterval(0);
    glfwSetWindowSizeCallback(window_, [](GLFWwindow* w, int width, int height) { Of(w).OnResize(width, height); });
    glfwSetWindowPosCallback(window_, [](GLFWwindow* w, int, int) { Of(w).Redraw(); });

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        PrintErrorLine("GLEW failed to initialize, shutting down...");
        return false;
    }
    glViewport(windowWidth_ / 2, windowHeight_ / 2, windowWidth_ / 2, windowHeight_ / 2);

    preview_.BuildProgram();
    preview_.BuildProjection(float(windowWidth_) / float(windowHeight_));
    preview_.CreateQuad();

    ImGui::CreateContext(nullptr);
    ImGui_ImplGlfw_InitForOpenGL(window_, true);
    // Ours in front of the back-end's key callback (which it still receives).
    glfwSetKeyCallback(window_, [](GLFWwindow* w, int key, int scancode, int action, int mods) {
        Of(w).OnKey(key, scancode, action, mods);
    });
    ImGui_ImplOpenGL3_Init(nullptr);
    ImGui::StyleColorsDark();
    // The recent projects live in the user's state directory (an unreadable
    // or corrupt list is ignored); the file dialogs attach to the window.
    document_.recentProjects = RecentProjects(DefaultRecentProjectsPath());
    document_.recentProjects.Load();
    // Unsaved work is kept beside the recent projects; a copy left by an
    // editor that did not close cleanly is offered back.
    const std::string stateFile = DefaultRecentProjectsPath();
    const std::string stateFolder = stateFile.empty() ? "" : stateFile.substr(0, stateFile.find_last_of('/'));
    recovery_ = RecoveryCopy(stateFolder);
    if (!stateFolder.empty()) ui_.recoveryOffer = RecoveryCopy::FindLeftOver(stateFolder);
    ui_.dialogOwner = glfwGetX11Window(window_);
    ui_.gallery.EnableTextures();
    // A project named on the command line opens as File > Open would open it.
    if (!projectPath_.empty()) OpenRecentProjectCommand(document_, ui_, projectPath_);

    previewEnabled_ = true;
    viewportCountdown_ = kViewportFrames;

    Generate(raster_, document_.instructionQueue);  // no worker yet: no lock needed

    try {
        worker_ = std::thread([this] { handoff_.WorkerLoop(); });
    } catch (const std::exception& error) {
        PrintErrorLine(std::string("Failed to start the generation worker: ") + error.what());
        ShutDownUserInterface();
        return false;
    }
    document_.queueDirty = true;  // the first frame hands a snapshot to the worker
    return true;
}

//-----------------------------------------------------------------------------
// [SECTION] Shutdown
//-----------------------------------------------------------------------------

void EditorShell::PrintStats() const {
    if (std::getenv("ORVANE_EDITOR_STATS") == nullptr) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - firstFrameEnd_).count();
    const uint64_t steadyFrames = framesDrawn_ > 0 ? framesDrawn_ - 1 : 0;
    const GenerationHandoff::Stats& stats = handoff_.GetStats();
    char line[512];
    std::snprintf(line, sizeof line,
                  "Editor stats: %llu frames after the first in %.3f s (%.1f fps); %llu snapshots, %llu superseded, "
                  "%llu generations, %llu uploads; snapshot-to-upload latency mean %.3f ms, max %.3f ms over %llu",
                  (unsigned long long)steadyFrames, seconds, seconds > 0 ? double(steadyFrames) / seconds : 0.0,
                  (unsigned long long)stats.snapshotsPosted, (unsigned long long)stats.snapshotsSuperseded,
                  (unsigned long long)handoff_.Generations(), (unsigned long long)stats.uploads,
                  stats.latencySamples ? stats.totalLatencyMs / double(stats.latencySamples) : 0.0,
                  stats.maxLatencyMs, (unsigned long long)stats.latencySamples);
    PrintErrorLine(line);
}

void EditorShell::ShutDown() {
    recovery_.Finish(document_);
    try {
        worker_.join();
    } catch (const std::exception& error) {
        PrintErrorLine("Failed to stop the generation worker");
        PrintErrorLine(error.what());
    }
    ui_.gallery.Stop();
    ui_.exporter.Stop();
    ShutDownUserInterface();
    try {
        glfwTerminate();
    } catch (const std::exception& error) {
        PrintErrorLine("Failed to shutdown GLFW");
        PrintErrorLine(error.what());
    }
    PrintStats();
}

//-----------------------------------------------------------------------------
// [SECTION] Entry
//-----------------------------------------------------------------------------

int EditorShell::Run() {
    if (!StartUp()) {
        glfwTerminate();
        return -1;
    }
    while (handoff_.appRunning.load()) {
        FrameUpdate();
        glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
        DrawFrame();
        if (viewportCountdown_ > 0) {
            --viewportCountdown_;
            ApplyPreviewViewport();
        }
        glfwSwapBuffers(window_);
        glfwPollEvents();
        if (glfwWindowShouldClose(window_) || ui_.quitRequested) handoff_.appRunning.store(false);
        if (++framesDrawn_ == 1) firstFrameEnd_ = std::chrono::steady_clock::now();
    }
    ShutDown();
    return 0;
}

}  // namespace

int RunEditorShell(const std::string& exeDirectory, const std::string& projectPath) {
    // Heap-allocated: the shell holds the raster's canvases and the user interface.
    auto shell = std::make_unique<EditorShell>(exeDirectory, projectPath);
    return shell->Run();
}
