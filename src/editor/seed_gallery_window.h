#pragma once
// The "Seed Gallery" window: the queue rendered for its first Seed at the
// current value and the next fifteen, on the gallery renderer's own thread,
// shown as thumbnails; a click takes that seed (an undoable edit).
// User-interface thread only; Draw runs inside an ImGui frame.
#include <array>
#include <cstdint>

#include "editor/editor_document.h"
#include "editor/seed_gallery.h"

class SeedGalleryWindow {
public:
    // Whether the window is shown (the "View" menu's tick).
    bool open = false;

    // With a GL context current: thumbnails become textures. Without it
    // (tests) they are rendered but not uploaded.
    void EnableTextures() { textures_ = true; }
    // Ends the renderer's thread and frees the textures (GL context still current).
    void Stop();
    // The window, when open.
    void Draw(EditorDocument& document);

private:
    struct Slot {
        uint64_t version = 0;
        uint64_t seed = 0;
        bool ready = false;
        unsigned texture = 0;
    };
    void Refresh(const EditorDocument& document);
    void CollectThumbnails();
    void Upload(Slot& slot, const RgbaImage& image);
    void DrawThumbnails(EditorDocument& document);

    bool textures_ = false;
    SeedGalleryRenderer renderer_;
    // What the renderer was last asked for; compared with the live queue.
    InstructionList requested_;
    bool requestedOnce_ = false;
    bool hasSeed_ = false;
    std::array<Slot, kSeedGallerySize> slots_;
};

// Sets the first Seed of the queue to `seed` (in the Seed field's own type),
// as clicking a thumbnail does; nothing when the queue has no Seed.
void TakeGallerySeed(EditorDocument& document, uint64_t seed);
