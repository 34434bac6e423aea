// The fast PNG encoder against stb_image_write's own writer, byte for byte,
// over a fixed-seed sweep of pictures that exercise every filter, long and
// short matches, the 32 KiB window and the stored-block fallback.
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <deque>
#include <filesystem>
#include <random>

#include "family/png_encoder.h"
#include "project/project_file.h"
#include "raster/generate.h"
#include "raster/selectable_raster.h"

namespace {

void Append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size_t(size));
}

std::string Reference(const std::vector<unsigned char>& rgba, int w, int h, int level) {
    const int saved = stbi_write_png_compression_level;
    stbi_write_png_compression_level = level;
    std::string bytes;
    stbi_write_png_to_func(Append, &bytes, w, h, 4, rgba.data(), w * 4);
    stbi_write_png_compression_level = saved;
    return bytes;
}

// Picture kinds: 0 uniform, 1 noise, 2 low-entropy noise, 3 stripes,
// 4 repeated blocks at random distances, 5 gradient with alpha, 6 mixed rows.
std::vector<unsigned char> Picture(int kind, int w, int h, std::mt19937& rng) {
    std::vector<unsigned char> p(size_t(w) * size_t(h) * 4);
    const unsigned char base = uint8_t(rng());
    for (size_t i = 0; i < p.size(); ++i) {
        const size_t x = (i / 4) % size_t(w), y = i / 4 / size_t(w);
        switch (kind) {
            case 0: p[i] = uint8_t(base + i % 4 * 60); break;
            case 1: p[i] = uint8_t(rng()); break;
            case 2: p[i] = uint8_t(rng() % 3 + base); break;
            case 3: p[i] = uint8_t(((x / 3 + y / 5) % 2) * 200 + i % 4); break;
            case 4:
                if (i >= 64 && rng() % 5 != 0) {
                    const size_t back = 1 + rng() % std::min<size_t>(i, 40000);
                    p[i] = p[i - back];
                } else {
                    p[i] = uint8_t(rng());
                }
                break;
            case 5: p[i] = uint8_t(i % 4 == 3 ? y * 255 / size_t(h) : x * 7 + y * 3 + i % 4); break;
            default: p[i] = y % 3 == 0 ? uint8_t(rng()) : uint8_t(x % 17 * (i % 4 + 1)); break;
        }
    }
    return p;
}

}  // namespace

TEST(PngEncoder, MatchesTheWriterOnASweepOfPictures) {
    std::mt19937 rng(20261206);
    const int sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {100, 100}, {181, 97}, {300, 120}};
    for (int kind = 0; kind < 7; ++kind) {
        for (const auto& size : sizes) {
            for (int level : {8, 5, 2, 12}) {
                const std::vector<unsigned char> p = Picture(kind, size[0], size[1], rng);
                ASSERT_EQ(EncodeRgbaPng(p.data(), size[0], size[1], level), Reference(p, size[0], size[1], level))
                    << "kind " << kind << ", " << size[0] << " x " << size[1] << ", level " << level;
            }
        }
    }
}

TEST(PngEncoder, MatchesTheWriterOnTheExampleProjects) {
    const std::filesystem::path folder = std::filesystem::path(ORVANE_SOURCE_DIR) / "examples";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no examples";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".pcg") continue;
        for (int32_t seed : {1, 2, 3}) {
            std::deque<int32_t> seeds{seed};
            InstructionList queue;
            ASSERT_TRUE(ReadProjectFile(entry.path().string(), seeds, queue)) << entry.path();
            SelectableRaster raster(100, 100);
            raster.ClearSelection();
            Generate(raster, queue);
            const std::vector<unsigned char> p = CompositeImageTopDown(raster);
            EXPECT_EQ(EncodeRgbaPng(p.data(), 100, 100), Reference(p, 100, 100, 8)) << entry.path() << " " << seed;
        }
    }
}
