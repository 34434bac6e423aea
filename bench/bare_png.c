/* The yardstick of a whole headless run: the least a C program can do to
 * write a 100 x 100 picture as PNG, with stb's writer compiled in the way a
 * minimal program would. bench/limits/process.cpp times it as a process.
 *   bench_bare_png OUTPUT.png */
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

int main(int argc, char** argv) {
    enum { kSide = 100 };
    static unsigned char pixels[kSide * kSide * 4];
    /* Two flat shapes on white, as simple a texture as a project draws. */
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            unsigned char* p = pixels + (y * kSide + x) * 4;
            const int left = x < 50, disc = (x - 60) * (x - 60) + (y - 45) * (y - 45) < 600;
            p[0] = left ? 220 : disc ? 40 : 255;
            p[1] = left ? 40 : disc ? 90 : 255;
            p[2] = left ? 30 : disc ? 200 : 255;
            p[3] = 255;
        }
    return stbi_write_png(argc > 1 ? argv[1] : "bare.png", kSide, kSide, 4, pixels, kSide * 4) ? 0 : 1;
}
