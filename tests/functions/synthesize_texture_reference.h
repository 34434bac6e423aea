#pragma once
// The plain, slow Synthesize Texture, step by step as the instruction is
// defined: a donor image cut out of the donor layer, strips and transfer
// target as images, every colour converted to HSL anew for every comparison,
// every candidate scored in full and pushed into a min-heap. The product's
// version must match it pixel for pixel and draw by draw.
//
// It materialises the whole donor region, so keep regions small.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "instructions/abstract_raster_function.h"
#include "instructions/parameter_rng.h"
#include "raster/hsl.h"
#include "raster/pixel_image.h"
#include "raster/selectable_raster.h"

namespace reference {

// U(n): rejection on the generator's 32-bit outputs.
inline uint32_t UniformDraw(uint32_t n) {
    if (n == 1) return 0;
    for (;;) {
        const uint32_t r = uint32_t(parameterRng()());
        if (r / n < 4294967295u / n || 4294967295u % n == n - 1) return r % n;
    }
}

inline float ColourDistance(Color a, Color b) {
    const HslColor x = RgbToHsl(a);
    const HslColor y = RgbToHsl(b);
    float hue = x.h / 36.0f - y.h / 36.0f;
    hue = hue * hue;
    float sat = 10.0f * x.s - 10.0f * y.s;
    sat = sat * sat;
    float light = 10.0f * x.l - 10.0f * y.l;
    light = light * light;
    return (0.5f * sat + hue) + 1.2f * light;
}

inline float LightnessDistance(Color a, Color b) {
    float light = 10.0f * RgbToHsl(a).l - 10.0f * RgbToHsl(b).l;
    return light * light;
}

struct Candidate {
    double error;
    uint32_t x, y;
};

// Min-heap on error: push sifts up while the parent is strictly larger; pop
// moves the hole to a leaf through the smaller child (right on equal), then
// sifts the former last element up from there.
struct Heap {
    std::vector<Candidate> a;
    void Push(Candidate c) {
        a.push_back(c);
        size_t i = a.size() - 1;
        while (i > 0 && a[(i - 1) / 2].error > c.error) {
            a[i] = a[(i - 1) / 2];
            i = (i - 1) / 2;
        }
        a[i] = c;
    }
    void Pop() {
        const Candidate last = a.back();
        a.pop_back();
        if (a.empty()) return;
        size_t i = 0;
        while (2 * i + 1 < a.size()) {
            size_t c = 2 * i + 1;
            if (c + 1 < a.size() && a[c + 1].error <= a[c].error) c = c + 1;
            a[i] = a[c];
            i = c;
        }
        while (i > 0 && a[(i - 1) / 2].error > last.error) {
            a[i] = a[(i - 1) / 2];
            i = (i - 1) / 2;
        }
        a[i] = last;
    }
};

inline void Apply(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const uint64_t donorLayer = f.GetValue("Donor_Layer").AsUInt64();
    const int32_t p1y = f.GetValue("Donor_Select_Point1_Y").AsInt32();
    const int32_t p1x = f.GetValue("Donor_Select_Point1X").AsInt32();
    const int32_t p2y = f.GetValue("Donor_Select_Point2_Y").AsInt32();
    const int32_t p2x = f.GetValue("Donor_Select_Point2_X").AsInt32();
    const int32_t overlapValue = f.GetValue("Quilt_Overlap").AsInt32();
    const uint32_t sizeValue = f.GetValue("Quilt_Size").AsUInt32();
    const bool cutEdge = f.GetValue("Cut_Edge").AsUInt8() != 0;
    const bool transfer = f.GetValue("Transfer_Texture").AsUInt8() != 0;

    const uint32_t DW = uint32_t(std::llabs(int64_t(p2x) - p1x));
    const uint32_t DH = uint32_t(std::llabs(int64_t(p2y) - p1y));
    const int32_t x0 = std::min(p1x, p2x);
    const int32_t y0 = std::min(p1y, p2y);

    const uint32_t remembered = raster.CurrentLayerIndex();
    raster.SelectLayer(uint32_t(donorLayer));
    PixelImage donor(DW, DH);
    for (int64_t y = y0; y < int64_t(y0) + DH; ++y)
        for (int64_t x = x0; x < int64_t(x0) + DW; ++x)
            donor.Set(x - x0, y - y0, raster.GetPixelAt(int32_t(x), int32_t(y), false));
    raster.SelectLayer(remembered);

    uint32_t S = sizeValue;
    if (S > DW || S > DH) S = std::min(DH, DW);
    if (S == 0) return;
    const int64_t O = std::min<int64_t>(S / 2, overlapValue);
    const uint32_t OW = O > 0 ? uint32_t(O) : 0;  // a negative overlap gives empty strips
    int64_t T = int64_t(S) - O;
    if (T < 1) T = 1;

    const int64_t W = raster.Width(), H = raster.Height();
    for (int64_t PY = 0; PY < H; PY += T) {
        for (int64_t PX = 0; PX < W; PX += T) {
            std::optional<PixelImage> column, row, target;
            if (PX > 0) {
                column.emplace(OW, S);
                for (uint32_t j = 0; j < S; ++j)
                    for (uint32_t i = 0; i < OW; ++i)
                        column->Set(i, j, raster.GetPixelAt(int32_t(PX + i), int32_t(PY + j), true));
            }
            if (PY > 0) {
                row.emplace(S, OW);
                for (uint32_t j = 0; j < OW; ++j)
                    for (uint32_t i = 0; i < S; ++i)
                        row->Set(i, j, raster.GetPixelAt(int32_t(PX + i), int32_t(PY + j), true));
            }
            if (transfer) {
                target.emplace(S, S);
                for (uint32_t j = 0; j < S; ++j)
                    for (uint32_t i = 0; i < S; ++i)
                        target->Set(i, j, raster.GetPixelAt(int32_t(PX + i), int32_t(PY + j), false));
            }

            uint32_t DX = 0, DY = 0;
            if (PX == 0 && PY == 0) {
                DX = UniformDraw(DW - S + 1);
                DY = UniformDraw(DH - S + 1);
            } else if (!(S >= DW || S >= DH)) {
                Heap heap;
                for (uint32_t y = 0; y + 1 <= DH - S; ++y) {
                    for (uint32_t x = 0; x + 1 <= DW - S; ++x) {
                        double error = 0.0;
                        if (column)
                            for (uint32_t j = 0; j < column->Height(); ++j)
                                for (uint32_t i = 0; i < column->Width(); ++i)
                                    error += ColourDistance(donor.Get(x + i, y + j), column->Get(i, j));
                        if (row)
                            for (uint32_t j = 0; j < row->Height(); ++j)
                                for (uint32_t i = 0; i < row->Width(); ++i)
                                    error += ColourDistance(donor.Get(x + i, y + j), row->Get(i, j));
                        if (target)
                            for (uint32_t j = 0; j < S; ++j)
                                for (uint32_t i = 0; i < S; ++i)
                                    error += LightnessDistance(donor.Get(x + i, y + j), target->Get(i, j));
                        heap.Push({error, x, y});
                    }
                }
                const uint32_t k = 1 + UniformDraw(5);
                for (uint32_t n = 1; n < k && heap.a.size() > 1; ++n) heap.Pop();
                DX = heap.a[0].x;
                DY = heap.a[0].y;
            }

            std::vector<uint32_t> columnCut, rowCut;
            if (column) {
                columnCut.assign(S, 0);
                for (uint32_t j = 0; j < S; ++j) {
                    float best = 0.0f;
                    for (uint32_t i = 0; i < OW; ++i) {
                        const float d = ColourDistance(donor.Get(DX + i, DY + j), column->Get(i, j));
                        if (i == 0 || d <= best) {
                            best = d;
                            columnCut[j] = i;
                        }
                    }
                }
            }
            if (row) {
                rowCut.assign(S, 0);
                for (uint32_t i = 0; i < S; ++i) {
                    float best = 0.0f;
                    for (uint32_t j = 0; j < OW; ++j) {
                        const float d = ColourDistance(donor.Get(DX + i, DY + j), row->Get(i, j));
                        if (j == 0 || d <= best) {
                            best = d;
                            rowCut[i] = j;
                        }
                    }
                }
            }

            for (uint32_t j = 0; j < S; ++j) {
                for (uint32_t i = 0; i < S; ++i) {
                    if (cutEdge && column && i < columnCut[j]) continue;
                    if (cutEdge && row && j < rowCut[i]) continue;
                    if (PX + i >= W || PY + j >= H) continue;
                    raster.SetPixelAt(int32_t(PX + i), int32_t(PY + j), donor.Get(DX + i, DY + j));
                }
            }
        }
    }

    raster.BeginPass();
    const std::vector<uint32_t> selected = raster.SelectedIndices();
    for (const uint32_t index : selected) raster.SetPixel(int32_t(index), raster.GetPixel(int32_t(index)));
}

}  // namespace reference
