#include "editor/seed_gallery.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <utility>

#include "instructions/generate.h"
#include "raster/selectable_raster.h"

namespace {

constexpr uint32_t kThumbnailSize = 100;

}  // namespace

int FindFirstSeedInstruction(const InstructionList& queue) {
    for (size_t i = 0; i < queue.size(); ++i)
        if (queue[i]->HasParameter("Seed")) return int(i);
    return -1;
}

std::array<uint64_t, kSeedGallerySize> GallerySeeds(uint64_t current) {
    std::array<uint64_t, kSeedGallerySize> seeds{};
    for (int k = 0; k < kSeedGallerySize; ++k) {
        const uint64_t next = current + uint64_t(k);
        seeds[size_t(k)] = current <= kLargestFieldSeed ? next % (kLargestFieldSeed + 1) : next;
    }
    return seeds;
}

InstructionList WithFirstSeed(const InstructionList& queue, uint64_t seed) {
    InstructionList copy = CloneInstructions(queue);
    const int at = FindFirstSeedInstruction(copy);
    if (at < 0) return copy;
    ParamRecord record = copy[size_t(at)]->GetRecord("Seed");
    if (record.value.IsEmpty())
        record.value = ParamValue(seed);
    else
        record.value.SetPayload(seed);
    copy[size_t(at)]->SetRecord("Seed", record);
    return copy;
}

RgbaImage RenderThumbnail(const InstructionList& queue) {
    SelectableRaster raster(kThumbnailSize, kThumbnailSize);
    raster.ClearSelection();
    Generate(raster, queue);
    return raster.CompositeImage();
}

bool SeedGalleryRenderer::Request(const InstructionList& queue, std::optional<uint64_t> first) {
    const int at = FindFirstSeedInstruction(queue);
    if (at < 0) return false;
    const auto seeds = GallerySeeds(first ? *first : queue[size_t(at)]->GetRawValue("Seed").AsUInt64());
    InstructionList copy = CloneInstructions(queue);  // cloned outside the lock
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pendingQueue_ = std::move(copy);  // a request not yet taken is dropped here
        requestedSeeds_ = seeds;
        ++requestId_;
        finishedOfLatest_ = 0;
        pending_ = true;
        if (!thread_.joinable()) {
            stop_ = false;
            thread_ = std::thread([this] { Run(); });
        }
    }
    wake_.notify_one();
    return true;
}

bool SeedGalleryRenderer::TakeNewer(int slot, uint64_t& version, Thumbnail& out) const {
    if (slot < 0 || slot >= kSeedGallerySize) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    const Thumbnail& thumbnail = slots_[size_t(slot)];
    if (thumbnail.version <= version) return false;
    out = thumbnail;
    version = thumbnail.version;
    return true;
}

std::array<uint64_t, kSeedGallerySize> SeedGalleryRenderer::RequestedSeeds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requestedSeeds_;
}

int SeedGalleryRenderer::FinishedOfLatest() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return finishedOfLatest_;
}

void SeedGalleryRenderer::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = false;
    pendingQueue_.clear();
}

void SeedGalleryRenderer::Run() {
    // Below the preview's worker: the gallery uses what the machine has left.
    ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 10);
    for (;;) {
        InstructionList queue;
        std::array<uint64_t, kSeedGallerySize> seeds{};
        uint64_t id = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || pending_; });
            if (stop_) return;
            queue = std::move(pendingQueue_);
            pendingQueue_.clear();
            seeds = requestedSeeds_;
            id = requestId_;
            pending_ = false;
        }
        for (int k = 0; k < kSeedGallerySize; ++k) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stop_ || pending_) break;  // superseded: start on the newer request
            }
            RgbaImage image = RenderThumbnail(WithFirstSeed(queue, seeds[size_t(k)]));
            std::lock_guard<std::mutex> lock(mutex_);
            if (id != requestId_) break;
            Thumbnail& slot = slots_[size_t(k)];
            slot.seed = seeds[size_t(k)];
            slot.version = ++nextVersion_;
            slot.image = std::move(image);
            finishedOfLatest_ = k + 1;
        }
    }
}
