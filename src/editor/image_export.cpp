#include "editor/image_export.h"

#include <cerrno>
#include <cstring>

#include "functions/render_memory.h"
#include "instructions/generate.h"
#include "project/file_io.h"
#include "raster/png_encoder.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

bool ImageExport::Start(const InstructionList& queue, uint32_t size, const std::string& path, std::string& why) {
    if (running_.load()) {
        why = "an export is still running";
        return false;
    }
    const uint64_t needed = RenderMemoryBytes(queue, size), limit = DefaultMemoryLimit();
    if (needed > limit) {
        why = "a " + std::to_string(size) + " x " + std::to_string(size) + " render needs about " +
              ByteSizeText(needed) + ", more than " + ByteSizeText(limit);
        return false;
    }
    if (thread_.joinable()) thread_.join();
    size_ = size;
    done_.store(0);
    total_.store(uint32_t(std::max<size_t>(queue.size(), 1)));
    cancel_.store(false);
    running_.store(true);
    try {
        thread_ = std::thread(&ImageExport::Run, this, CloneInstructions(queue), size, path);
    } catch (const std::system_error& error) {
        running_.store(false);
        why = error.what();
        return false;
    }
    return true;
}

float ImageExport::Progress() const { return float(done_.load()) / float(total_.load()); }

void ImageExport::Run(InstructionList queue, uint32_t size, std::string path) {
    SelectableRaster raster = RenderScale::Raster(size);
    const bool finished = Generate(raster, queue, [this](size_t done, size_t) {
        done_.store(uint32_t(done));
        return !cancel_.load();
    });
    std::string message;
    bool failed = false;
    if (!finished || cancel_.load()) {
        message = "Export cancelled";
    } else {
        std::string why;
        if (ReplaceFile(path, EncodePng(raster.CompositeImage()), ReplaceOptions{}, why)) {
            message = "Exported " + LastPathComponent(path);
        } else {
            message = "Could not export " + LastPathComponent(path) + ": " + why;
            failed = true;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hasOutcome_ = true;
        failed_ = failed;
        outcome_ = message;
    }
    running_.store(false);
}

bool ImageExport::TakeOutcome(std::string& message, bool& failed) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hasOutcome_) return false;
    hasOutcome_ = false;
    message = outcome_;
    failed = failed_;
    return true;
}

void ImageExport::Stop() {
    Cancel();
    if (thread_.joinable()) thread_.join();
}
