// The interactive editor's shell:
//   [SECTION] Application-wide state
//   [SECTION] Frame update
//   [SECTION] Window handlers (resize, move) with their immediate redraw
//   [SECTION] Start-up
//   [SECTION] Shutdown
//   [SECTION] Entry: start-up, frame loop, shutdown
#include "app/editor/editor_shell.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <thread>

#include "app/editor/generation_handoff.h"
#include "app/editor/preview_renderer.h"
#include "backends/imgui_impl_glfw.h"
#include "backends/imgui_impl_opengl3.h"
#include "editor_ui/editor_extras.h"
#include "editor_ui/editor_window.h"
#include "imgui.h"
#include "instructions/instruction_queue.h"
#include "project/app_paths.h"
#include "raster/generate.h"

//-----------------------------------------------------------------------------
// [SECTION] Application-wide state
//-----------------------------------------------------------------------------

namespace {

// The application's one raster; the hand-off guards it with rasterMutex once
// the worker runs.
SelectableRaster editorRaster;
// appRunning, workerBusy, requestMutex, rasterMutex and pendingSnapshot.
GenerationHandoff generationHandoff(editorRaster);
PreviewRenderer preview;

GLFWwindow* window = nullptr;
int32_t windowWidth = 1000;
int32_t windowHeight = 800;
int32_t viewportCountdown = 0;  // frames left that re-apply the preview viewport
bool previewEnabled = false;
std::thread workerThread;

constexpr const char* kWindowTitle = "Orvane Procedural Texture Editor";
constexpr int kViewportFrames = 10;

// Debug counters, printed at shutdown when ORVANE_EDITOR_STATS is set. The
// frame rate is counted from the end of the first frame, which also builds
// the user interface's fonts and shaders.
uint64_t framesDrawn = 0;
std::chrono::steady_clock::time_point firstFrameEnd;

// The upper-right quarter of the work area (OpenGL's origin is the lower left).
void ApplyPreviewViewport() {
    const GLint x = GLint(uiWorkWidth * 0.5f);
    const GLint y = GLint(uiWorkHeight * 0.5f);
    glViewport(x, y, x, y);
}

//-----------------------------------------------------------------------------
// [SECTION] Frame update
//-----------------------------------------------------------------------------

void ExportImage() {
    generationHandoff.WithRaster(
        [](const SelectableRaster& raster) { WritePng(raster, exeDirectory + "/pcgOutput.png"); });
}

// Once per frame, before anything is drawn.
void FrameUpdate() {
    generationHandoff.PostSnapshot(instructionQueue, queueDirty);

    if (glfwGetMouseButton(window, GLFW_MOUSE_BUTTON_LEFT) == GLFW_RELEASE) draggedIndex = -1;

    // Polled, not edge-triggered: written again on every frame while held.
    if (glfwGetKey(window, GLFW_KEY_SPACE) == GLFW_PRESS) ExportImage();

    generationHandoff.UploadIfChanged(&PreviewRenderer::UploadTexture);
    NoteGenerationBusy(generationHandoff.workerBusy.load());

    ApplyRemovalRequests();  // last posted first; sets queueDirty when there were any
}

//-----------------------------------------------------------------------------
// [SECTION] Window handlers
//-----------------------------------------------------------------------------

// Keeps the content alive while the frame loop is blocked in glfwPollEvents
// (a border being dragged): no frame update, just a draw.
void Redraw() {
    glClear(GL_COLOR_BUFFER_BIT);
    if (previewEnabled) preview.Draw();
    DrawEditorFrame();
    glfwSwapBuffers(window);
}

void OnWindowResize(GLFWwindow*, int width, int height) {
    ApplyPreviewViewport();  // from the work size of the last frame
    windowWidth = std::max(width, 1);
    windowHeight = std::max(height, 1);
    preview.BuildProjection(float(windowWidth) / float(windowHeight));
    Redraw();
    // The viewport above lags one resize behind the work size; let the frame
    // loop re-apply it once the new work size has been recorded.
    viewportCountdown = kViewportFrames;
}

void OnWindowMove(GLFWwindow*, int, int) { Redraw(); }

//-----------------------------------------------------------------------------
// [SECTION] Start-up
//-----------------------------------------------------------------------------

void ShutDownUserInterface() {
    try {
        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplGlfw_Shutdown();
        ImGui::DestroyContext();
    } catch (const std::exception& error) {
        std::cerr << "Failed to shutdown ImGui" << std::endl << error.what() << std::endl;
    }
}

bool StartUp() {
    editorRaster = SelectableRaster(100, 100);
    editorRaster.ClearSelection();
    instructionQueue = MakeDefaultQueue();

    if (!glfwInit()) {
        std::cerr << "GLFW failed to initialize, shutting down." << std::endl;
        return false;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_AUTO_ICONIFY, GLFW_FALSE);
    glfwWindowHint(GLFW_FLOATING, GLFW_FALSE);

    window = glfwCreateWindow(windowWidth, windowHeight, kWindowTitle, nullptr, nullptr);
    if (window == nullptr) {
        glfwTerminate();
        return false;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(0);
    glfwSetWindowSizeCallback(window, OnWindowResize);
    glfwSetWindowPosCallback(window, OnWindowMove);

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::cerr << "GLEW failed to initialize, shutting down..." << std::endl;
        return false;
    }
    glViewport(windowWidth / 2, windowHeight / 2, windowWidth / 2, windowHeight / 2);

    preview.BuildProgram();
    preview.BuildProjection(float(windowWidth) / float(windowHeight));
    preview.CreateQuad();

    ImGui::CreateContext(nullptr);
    ImGui_ImplGlfw_InitForOpenGL(window, true);
    ImGui_ImplOpenGL3_Init(nullptr);
    ImGui::StyleColorsDark();
    StartEditorExtras();

    previewEnabled = true;
    viewportCountdown = kViewportFrames;

    Generate(editorRaster, instructionQueue);  // no worker yet: no lock needed

    try {
        workerThread = std::thread([] { generationHandoff.WorkerLoop(); });
    } catch (const std::exception& error) {
        std::cerr << "Failed to start the generation worker: " << error.what() << std::endl;
        ShutDownUserInterface();
        return false;
    }
    queueDirty = true;  // the first frame hands a snapshot to the worker
    return true;
}

//-----------------------------------------------------------------------------
// [SECTION] Shutdown
//-----------------------------------------------------------------------------

void PrintStats() {
    if (std::getenv("ORVANE_EDITOR_STATS") == nullptr) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - firstFrameEnd).count();
    const uint64_t steadyFrames = framesDrawn > 0 ? framesDrawn - 1 : 0;
    const GenerationHandoff::Stats& stats = generationHandoff.GetStats();
    std::fprintf(stderr,
                 "Editor stats: %llu frames after the first in %.3f s (%.1f fps); %llu snapshots, %llu superseded, "
                 "%llu generations, %llu uploads; snapshot-to-upload latency mean %.3f ms, max %.3f ms "
                 "over %llu\n",
                 (unsigned long long)steadyFrames, seconds, seconds > 0 ? double(steadyFrames) / seconds : 0.0,
                 (unsigned long long)stats.snapshotsPosted, (unsigned long long)stats.snapshotsSuperseded,
                 (unsigned long long)generationHandoff.Generations(), (unsigned long long)stats.uploads,
                 stats.latencySamples ? stats.totalLatencyMs / double(stats.latencySamples) : 0.0,
                 stats.maxLatencyMs, (unsigned long long)stats.latencySamples);
}

void ShutDown() {
    try {
        workerThread.join();
    } catch (const std::exception& error) {
        std::cerr << "Failed to shutdown ImGui" << std::endl << error.what() << std::endl;
    }
    StopEditorExtras();
    ShutDownUserInterface();
    try {
        glfwTerminate();
    } catch (const std::exception& error) {
        std::cerr << "Failed to shutdown GLFW" << std::endl << error.what() << std::endl;
    }
    PrintStats();
}

}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Entry
//-----------------------------------------------------------------------------

int RunEditorShell() {
    if (!StartUp()) {
        glfwTerminate();
        return -1;
    }
    while (generationHandoff.appRunning.load()) {
        FrameUpdate();
        glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        if (previewEnabled) preview.Draw();
        DrawEditorFrame();
        if (viewportCountdown > 0) {
            --viewportCountdown;
            ApplyPreviewViewport();
        }
        glfwSwapBuffers(window);
        glfwPollEvents();
        if (glfwWindowShouldClose(window)) generationHandoff.appRunning.store(false);
        if (++framesDrawn == 1) firstFrameEnd = std::chrono::steady_clock::now();
    }
    ShutDown();
    return 0;
}

extern "C" int OrvaneEditorEntry() { return RunEditorShell(); }
