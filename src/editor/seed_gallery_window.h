#pragma once
// The "Seed Gallery" window: the queue rendered for its first Seed at the
// current value and the next fifteen, on the gallery renderer's own thread,
// shown as thumbnails; a click takes that seed (an undoable edit) without
// moving the grid, and the current seed is outlined. Previous and Next page
// through the seeds 16 at a time.
// User-interface thread only; Draw runs inside an ImGui frame.
#include <array>
#include <cstdint>
#include <optional>

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
    // The first seed of the page shown.
    uint64_t PageStart() const { return pageStart_; }

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
    void DrawPager();
    bool IsOnPage(uint64_t seed) const;
    // The current (first) Seed of the queue, when it has one.
    static std::optional<uint64_t> CurrentSeed(const EditorDocument& document);

    bool textures_ = false;
    SeedGalleryRenderer renderer_;
    // What the renderer was last asked for; compared with the live queue.
    InstructionList requested_;
    bool requestedOnce_ = false;
    bool hasSeed_ = false;
    std::array<Slot, kSeedGallerySize> slots_;
    // The page: its first seed, set from the queue's seed when the window
    // opens or when that seed is changed elsewhere to one off the page.
    uint64_t pageStart_ = 0;
    bool pageSet_ = false;
    std::optional<uint64_t> lastSeed_;
};

// Sets the first Seed of the queue to `seed` (in the Seed field's own type),
// as clicking a thumbnail does; nothing when the queue has no Seed.
void TakeGallerySeed(EditorDocument& document, uint64_t seed);
