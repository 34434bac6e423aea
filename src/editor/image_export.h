#pragma once
// File > Export PNG...: the texture rendered at any size on a thread of its
// own, with its own raster and generator, so that neither the frame loop nor
// the live preview ever waits for it. The user-interface thread starts it,
// follows its progress, may cancel it and takes its outcome once.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "instructions/abstract_raster_function.h"

class ImageExport {
public:
    ImageExport() = default;
    ~ImageExport() { Stop(); }
    ImageExport(const ImageExport&) = delete;
    ImageExport& operator=(const ImageExport&) = delete;

    // Renders clones of `queue` at size x size and writes the picture to path
    // whole (a temporary renamed into place). False, starting nothing, with
    // the reason in `why`, while an export runs or when the render would
    // need more memory than half the machine's.
    bool Start(const InstructionList& queue, uint32_t size, const std::string& path, std::string& why);
    bool Running() const { return running_.load(); }
    uint32_t Size() const { return size_; }
    // Instructions done of the queue, 0 .. 1.
    float Progress() const;
    // Stops the render at its next instruction; nothing is written.
    void Cancel() { cancel_.store(true); }
    // The outcome of a finished export, once: "Exported <path>", "Could not
    // export <path>: <why>" or "Export cancelled". False when there is none.
    bool TakeOutcome(std::string& message, bool& failed);
    // Cancels and waits for the thread.
    void Stop();

private:
    void Run(InstructionList queue, uint32_t size, std::string path);

    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancel_{false};
    std::atomic<uint32_t> done_{0}, total_{1};
    uint32_t size_ = 0;
    std::mutex mutex_;  // guards the outcome
    bool hasOutcome_ = false, failed_ = false;
    std::string outcome_;
};
