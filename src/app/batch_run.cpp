#include "app/batch_run.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "functions/render_memory.h"
#include "instructions/generate.h"
#include "project/file_io.h"
#include "project/image_file.h"
#include "project/project_file.h"
#include "raster/console.h"
#include "raster/png_encoder.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

namespace {

std::atomic<int> stopSignal{0};

void OnStopSignal(int signal) { stopSignal.store(signal); }

// SIGINT and SIGTERM end the render at the next instruction.
void CatchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int RunBatch(const std::string& projectPath, std::deque<int32_t> seeds, const BatchOptions& options) {
    InstructionList queue;
    // The loader has printed why; an existing image is left as it was.
    if (!ReadProjectFile(projectPath, seeds, queue)) return -1;
    const uint64_t limit = options.memoryLimit != 0 ? options.memoryLimit : DefaultMemoryLimit();
    const uint64_t needed = RenderMemoryBytes(queue, options.size);
    const std::string side = std::to_string(options.size);
    if (needed > limit) {
        PrintErrorLine("tavelin: a " + side + " x " + side + " render of " + projectPath + " needs about " +
                       ByteSizeText(needed) + ", more than the limit of " + ByteSizeText(limit) +
                       " (--memory-limit)");
        return -1;
    }

    CatchStopSignals();
    SelectableRaster raster = RenderScale::Raster(options.size);
    raster.SetThreads(std::max(1u, std::thread::hardware_concurrency()));
    ProgressLine progress(!options.quiet, std::chrono::seconds(1));
    auto text = [&](size_t done, size_t total) {
        return "tavelin: " + side + " x " + side + ", " + std::to_string(done) + "/" + std::to_string(total) +
               " instructions, " + DurationText(progress.Seconds());
    };
    size_t ran = 0;
    const bool finished = Generate(raster, queue, [&](size_t done, size_t total) {
        progress.Update(text(ran = done, total));
        return stopSignal.load() == 0;
    });
    progress.Finish(text(ran, queue.size()), false);
    if (!finished || stopSignal.load() != 0) {
        PrintErrorLine("tavelin: stopped; nothing was written");
        return 128 + stopSignal.load();
    }

    const std::string line = "Writing file to: " + options.path;
    options.toStandardOutput ? PrintErrorLine(line) : PrintInfoLine(line);
    const RgbaRows image = raster.CompositeRows();
    const bool written = options.toStandardOutput ? WriteAll(STDOUT_FILENO, EncodePng(image))
                                                  : WritePngFile(image, options.path);
    if (!written) {
        PrintErrorLine("Unable to write file: " + options.path);
        return -1;
    }
    return 0;
}
