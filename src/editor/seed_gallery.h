#pragma once
// The seed gallery's renderer, without any graphics: the current queue
// rendered once per seed of a small family, each thumbnail exactly what a
// headless run prints for that seed given as its one command-line seed.
//
// Rendering runs on a thread of its own, with its own raster and (the
// generator being per thread) its own parameterRng(): it never takes the
// editor's locks, never waits for or delays the preview's worker, and the
// user-interface thread only ever waits for it to swap a finished thumbnail
// in or out.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "instructions/abstract_raster_function.h"
#include "raster/rgba_image.h"

constexpr int kSeedGallerySize = 16;
constexpr uint64_t kLargestFieldSeed = 2147483647;  // the Details panel's Seed field limit

// The position of the first instruction holding a parameter named `Seed`
// (a Set Seed, Dilate Morph or Erode Morph), in queue order: the one a
// headless run's first command-line seed replaces. -1 when there is none.
int FindFirstSeedInstruction(const InstructionList& queue);

// The family shown for a current seed value: it and the next 15. Values stay
// within 0..2147483647 (what the Details panel's Seed field holds), wrapping
// to 0 after the top; a larger stored value (only a file can hold one)
// counts on in 64 bits.
std::array<uint64_t, kSeedGallerySize> GallerySeeds(uint64_t current);

// A copy of the queue whose first `Seed` takes `seed` as a loaded file's
// does from the command line: the value's bytes change, its type and
// randomisation stay.
InstructionList WithFirstSeed(const InstructionList& queue, uint64_t seed);

// As the headless run: a new 100 x 100 raster, cleared selection, Generate on
// the calling thread; the composite image.
RgbaImage RenderThumbnail(const InstructionList& queue);

class SeedGalleryRenderer {
public:
    struct Thumbnail {
        uint64_t seed = 0;
        uint64_t version = 0;  // grows with every thumbnail finished; 0 = none yet
        RgbaImage image;  // 100 x 100
    };

    SeedGalleryRenderer() = default;
    ~SeedGalleryRenderer() { Stop(); }
    SeedGalleryRenderer(const SeedGalleryRenderer&) = delete;
    SeedGalleryRenderer& operator=(const SeedGalleryRenderer&) = delete;

    // UI thread: renders the family of `queue` (cloned here) from `first`,
    // or else its first Seed's stored value, superseding a request still in progress, whose
    // remaining thumbnails are abandoned. Starts the thread on first use.
    // False, and nothing rendered, when the queue has no Seed.
    bool Request(const InstructionList& queue, std::optional<uint64_t> first = std::nullopt);

    // UI thread: copies slot's thumbnail into `out` when it is newer than
    // `version` (then raised to it). Thumbnails of an older request stay
    // until the newer one replaces them.
    bool TakeNewer(int slot, uint64_t& version, Thumbnail& out) const;

    // The seeds of the latest request, and how many of its thumbnails are done.
    std::array<uint64_t, kSeedGallerySize> RequestedSeeds() const;
    int FinishedOfLatest() const;

    // Ends the thread after the thumbnail it is rendering; later requests
    // start it again.
    void Stop();

private:
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    bool stop_ = false;
    bool pending_ = false;
    InstructionList pendingQueue_;
    std::array<uint64_t, kSeedGallerySize> requestedSeeds_{};
    uint64_t requestId_ = 0;
    int finishedOfLatest_ = 0;
    uint64_t nextVersion_ = 0;
    std::array<Thumbnail, kSeedGallerySize> slots_;
};
