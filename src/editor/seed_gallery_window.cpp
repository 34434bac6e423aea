#include "editor/seed_gallery_window.h"

#include <GL/gl.h>

#include <algorithm>

#include "imgui.h"
#include "imgui_internal.h"

namespace {

constexpr float kThumbnailSide = 72.0f;
constexpr int kGalleryColumns = 4;

}  // namespace

void TakeGallerySeed(EditorDocument& document, uint64_t seed) {
    const int at = FindFirstSeedInstruction(document.instructionQueue);
    if (at < 0) return;
    document.instructionQueue[size_t(at)]->SetValue("Seed", ParamValue(seed));
    document.queueDirty = true;  // an undoable edit like any other, recorded once settled
}

void SeedGalleryWindow::Stop() {
    renderer_.Stop();
    for (Slot& slot : slots_) {
        if (slot.texture != 0 && textures_) glDeleteTextures(1, &slot.texture);
        slot = Slot();
    }
    textures_ = false;
    requested_.clear();
    requestedOnce_ = false;
    pageSet_ = false;
}

std::optional<uint64_t> SeedGalleryWindow::CurrentSeed(const EditorDocument& document) {
    const int at = FindFirstSeedInstruction(document.instructionQueue);
    if (at < 0) return std::nullopt;
    return document.instructionQueue[size_t(at)]->GetRawValue("Seed").AsUInt64();
}

// Asks for a new family whenever the queue differs from the one last asked
// for (a drag asks every frame; the renderer drops superseded work).
void SeedGalleryWindow::Refresh(const EditorDocument& document) {
    const InstructionList& queue = document.instructionQueue;
    const std::optional<uint64_t> seed = CurrentSeed(document);
    if (seed && (!pageSet_ || (seed != lastSeed_ && !IsOnPage(*seed)))) {
        pageStart_ = *seed;
        pageSet_ = true;
        requestedOnce_ = false;
    }
    lastSeed_ = seed;
    if (requestedOnce_ && CompareQueues(requested_, queue) == QueueChange::None) return;
    requested_ = CloneInstructions(queue);
    requestedOnce_ = true;
    hasSeed_ = renderer_.Request(queue, pageStart_);
}

bool SeedGalleryWindow::IsOnPage(uint64_t seed) const {
    for (uint64_t s : GallerySeeds(pageStart_))
        if (s == seed) return true;
    return false;
}

// Previous / Next: the page before or after, the grid re-rendered from there.
void SeedGalleryWindow::DrawPager() {
    const bool atStart = pageStart_ == 0;
    if (atStart) ImGui::BeginDisabled();
    if (ImGui::Button("< Previous")) {
        pageStart_ = pageStart_ >= kSeedGallerySize ? pageStart_ - kSeedGallerySize : 0;
        requestedOnce_ = false;
    }
    if (atStart) ImGui::EndDisabled();
    ImGui::SameLine();
    if (ImGui::Button("Next >")) {
        pageStart_ = GallerySeeds(pageStart_)[kSeedGallerySize - 1] + 1;
        if (pageStart_ == kLargestFieldSeed + 1) pageStart_ = 0;
        requestedOnce_ = false;
    }
}

// Uploads a thumbnail into the slot's own texture, leaving the texture
// binding as it was (the preview binds its own before each use).
void SeedGalleryWindow::Upload(Slot& slot, const RgbaImage& image) {
    if (!textures_ || image.pixels.empty()) return;
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    if (slot.texture == 0) glGenTextures(1, &slot.texture);
    glBindTexture(GL_TEXTURE_2D, slot.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(image.width), GLsizei(image.height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.pixels.data());
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
}

void SeedGalleryWindow::CollectThumbnails() {
    SeedGalleryRenderer::Thumbnail thumbnail;
    for (int k = 0; k < kSeedGallerySize; ++k) {
        Slot& slot = slots_[size_t(k)];
        if (!renderer_.TakeNewer(k, slot.version, thumbnail)) continue;
        slot.seed = thumbnail.seed;
        slot.ready = true;
        Upload(slot, thumbnail.image);
    }
}

void SeedGalleryWindow::DrawThumbnails(EditorDocument& document) {
    constexpr ImU32 kOutline = 0xFF40C0FF;
    const std::optional<uint64_t> current = CurrentSeed(document);
    DrawPager();
    const auto requested = renderer_.RequestedSeeds();
    const int finished = renderer_.FinishedOfLatest();
    ImGui::Text("Seeds %llu to %llu%s", (unsigned long long)requested[0],
                (unsigned long long)requested[kSeedGallerySize - 1],
                finished < kSeedGallerySize ? " (rendering)" : "");
    for (int k = 0; k < kSeedGallerySize; ++k) {
        const Slot& slot = slots_[size_t(k)];
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
        if (slot.ready && current == slot.seed)
            ImGui::GetWindowDrawList()->AddRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax(), kOutline, 0.0f, 0,
                                                2.0f);
        if (clicked && slot.ready) TakeGallerySeed(document, slot.seed);
        ImGui::PopID();
        if ((k + 1) % kGalleryColumns != 0) ImGui::SameLine();
    }
}

void SeedGalleryWindow::Draw(EditorDocument& document) {
    if (!open) {
        pageSet_ = false;  // opened again: the page starts at the current seed
        return;
    }
    Refresh(document);
    CollectThumbnails();
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    // Beside the queue (the left half of the work area), not over it.
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f + 10.0f,
                                   viewport->WorkPos.y + 10.0f),
                            ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(kGalleryColumns * (kThumbnailSide + 16.0f) + 24.0f,
                                    std::min(540.0f, viewport->WorkSize.y - 20.0f)),
                             ImGuiCond_FirstUseEver);
    const bool visible = ImGui::Begin("Seed Gallery", &open);
    // The panels come to the front when pressed; the gallery floats above
    // them, though never above an open menu or combo list.
    if (!ImGui::IsPopupOpen(nullptr, ImGuiPopupFlags_AnyPopupId))
        ImGui::BringWindowToDisplayFront(ImGui::GetCurrentWindow());
    if (visible) {
        if (!hasSeed_)
            ImGui::TextWrapped("The queue has no Seed parameter: add a Set Seed, Dilate Morph or Erode Morph "
                               "instruction to see a family of textures.");
        else
            DrawThumbnails(document);
    }
    ImGui::End();
}
