// The fast PNG encoder against stb_image_write's own writer, byte for byte,
// over a fixed-seed sweep of pictures that exercise every row filter, long and
// short matches, the 32 KiB window and the stored-block fallback, and over
// every example project.
#include <stb/stb_image_write.h>

#include <deque>
#include <filesystem>
#include <random>

#include "project/project_file.h"
#include "raster/png_encoder.h"
#include "support/test_support.h"

namespace {

std::string Reference(const RgbaImage& image, int level) {
    std::string bytes;
    auto append = [](void* to, void* data, int size) { static_cast<std::string*>(to)->append(static_cast<char*>(data), size_t(size)); };
    stbi_write_png_compression_level = level;  // a setting of the writer's, for this program only
    stbi_write_png_to_func(append, &bytes, int(image.width), int(image.height), 4, image.pixels.data(), int(image.width * 4));
    return bytes;
}

TEST(PngEncoderTest, MatchesTheWriterOnASweepOfPicturesAndTheExampleProjects) {
    std::mt19937 rng(20261206);
    for (const auto& [w, h] : {std::pair{1u, 1u}, {2u, 3u}, {7u, 5u}, {100u, 100u}, {181u, 97u}, {300u, 120u}}) {
        // Kinds: 0 uniform, 1 noise, 2 low-entropy noise, 3 stripes, 4 repeats at random
        // distances, 5 gradient with alpha, 6 noise rows between patterned ones.
        for (const int level : {8, 5, 2, 12}) for (int kind = 0; kind < 7; ++kind) {
            RgbaImage image(w, h);
            std::vector<uint8_t>& p = image.pixels;
            const uint8_t base = uint8_t(rng());
            for (size_t i = 0, x = 0, y = 0, c = 0; i < p.size(); ++i, x = i / 4 % w, y = i / 4 / w, c = i % 4) {
                const uint8_t noise = uint8_t(rng());
                const uint8_t values[] = {uint8_t(base + c * 60), noise, uint8_t(base + noise % 3), uint8_t((x / 3 + y / 5) % 2 * 200 + c),
                                          i >= 64 && noise % 5 ? p[i - 1 - rng() % std::min<size_t>(i, 40000)] : noise,
                                          uint8_t(c == 3 ? y * 255 / h : x * 7 + y * 3 + c), y % 3 ? uint8_t(x % 17 * (c + 1)) : noise};
                p[i] = values[kind];
            }
            ASSERT_EQ(EncodePng(image, level), Reference(image, level)) << "kind " << kind << ", " << w << " x " << h << ", level " << level;
        }
    }
    size_t projects = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ORVANE_SOURCE_DIR) + "/examples")) {
        for (int32_t seed = 1; seed <= 2 && entry.path().extension() == ".pcg"; ++seed, ++projects) {
            std::deque<int32_t> seeds{seed};
            InstructionList queue;
            ASSERT_TRUE(ReadProjectFile(entry.path().string(), seeds, queue)) << entry.path();
            const RgbaImage image = Render(queue)->CompositeImage();
            EXPECT_EQ(EncodePng(image), Reference(image, 8)) << entry.path() << " seed " << seed;
        }
    }
    EXPECT_GE(projects, 20u);
}

}  // namespace
