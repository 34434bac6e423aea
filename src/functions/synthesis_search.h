#pragma once
// The pieces of Synthesize Texture's patch choice: the colour distances, the
// candidate min-heap with its fixed order for equal errors, and the scoring
// kernel that gives every candidate position its error.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "raster/color.h"
#include "raster/hsl.h"

// A pixel's distance terms, each computed from the pixel alone exactly as the
// distance formula does (H / 36, 10 * S, 10 * L in single precision), so
// caching them changes no result.
struct HslTerms {
    float h36 = 0.0f;
    float s10 = 0.0f;
    float l10 = 0.0f;
};

inline HslTerms MakeHslTerms(Color c) {
    const HslColor hsl = RgbToHsl(c);
    return {hsl.h / 36.0f, 10.0f * hsl.s, 10.0f * hsl.l};
}

// distance = (0.5 * (dS)^2 + (dH)^2) + 1.2 * (dL)^2, single precision, hue not wrapped.
inline float ColourDistance(const HslTerms& a, const HslTerms& b) {
    const float dh = a.h36 - b.h36;
    const float ds = a.s10 - b.s10;
    const float dl = a.l10 - b.l10;
    const float hue = dh * dh;
    const float sat = ds * ds;
    const float light = dl * dl;
    return (0.5f * sat + hue) + 1.2f * light;
}

// (10 La - 10 Lb)^2, single precision.
inline float LightnessDistance(float aL10, float bL10) {
    const float dl = aL10 - bL10;
    return dl * dl;
}

// One possible donor position for a patch: (x, y) is the donor position of
// the patch's first pixel.
struct PatchCandidate {
    double error = 0.0;
    uint32_t x = 0;
    uint32_t y = 0;
};

// Array-based min-heap on error with a fixed order for equal errors:
//   push: sift up while the parent's error is strictly larger;
//   pop:  the hole left at the root descends to a leaf, always into the child
//         with the smaller error (the right child when both are equal), then
//         the former last element is placed there and sifted up.
class CandidateHeap {
public:
    void Clear() { size_ = 0; }
    // Empties the heap and makes room for n candidates; Push never grows it.
    void Reserve(size_t n) {
        if (n > capacity_) {
            items_.reset(new PatchCandidate[n]);
            capacity_ = n;
        }
        size_ = 0;
    }
    size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    const PatchCandidate& Top() const { return items_[0]; }
    void Push(const PatchCandidate& c) {
        assert(size_ < capacity_ && "Reserve room before pushing");
        size_t hole = size_++;
        while (hole > 0) {
            const size_t parent = (hole - 1) / 2;
            if (!(items_[parent].error > c.error)) break;
            items_[hole] = items_[parent];
            hole = parent;
        }
        items_[hole] = c;
    }
    void Pop();

private:
    std::unique_ptr<PatchCandidate[]> items_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// The same heap over a huge number of slots, storing only the elements of
// finite error: every other slot holds an element of infinite error, which
// costs nothing to push. Pops still follow the fixed order above (between two
// infinite children the hole goes right).
class SparseCandidateHeap {
public:
    SparseCandidateHeap() { Reset(0); }
    // Empties the heap and makes room for about `expected` finite elements.
    void Reset(size_t expected);
    uint64_t Size() const { return size_; }
    // Appends count elements of infinite error.
    void PushInfinite(uint64_t count) { size_ += count; }
    void Push(const PatchCandidate& c);  // c.error finite
    void Pop();
    // The root (position 0, 0 when its error is infinite).
    PatchCandidate Top() const {
        const Entry* root = Find(0);
        return root ? root->candidate : PatchCandidate{std::numeric_limits<double>::infinity(), 0, 0};
    }

private:
    // The finite elements by slot: open addressing with linear probing,
    // never more than half full, erased entries closed up behind them.
    struct Entry {
        uint64_t slot = kNone;
        PatchCandidate candidate;
    };
    static constexpr uint64_t kNone = ~uint64_t(0);
    size_t Home(uint64_t slot) const { return size_t((slot * 0x9E3779B97F4A7C15ull) >> shift_); }
    const Entry* Find(uint64_t slot) const;
    void Put(uint64_t slot, const PatchCandidate& c);
    void Erase(uint64_t slot);
    void Grow();
    double ErrorAt(uint64_t slot) const;
    // Moves the element at `from` (nothing when infinite) to `to`.
    void Move(uint64_t from, uint64_t to);

    std::vector<Entry> table_;
    size_t mask_ = 0;
    uint32_t shift_ = 64;
    size_t stored_ = 0;
    uint64_t size_ = 0;
};

// The pixel a candidate is compared with, at a fixed offset from the
// candidate's first donor pixel in the term planes, with its own terms.
struct ColourTerm {
    int32_t offset;
    float h36, s10, l10;
};
struct LightTerm {
    int32_t offset;
    float l10;
};

// Padding the caller must leave readable after the last candidate of a row
// of the term planes (the kernel scores candidates in blocks of this size).
constexpr uint32_t kScoreBlock = 16;

// errors[c] for candidates c = 0 .. count - 1, candidate c's first donor
// pixel being plane index c: each error is the double-precision sum, in this
// order, of ColourDistance over the colour terms and then LightnessDistance
// over the lightness terms. Vectorised across candidates, so every candidate
// keeps its own summation order; bit-identical to the plain loop.
// Every distance is >= 0, so a partial sum never exceeds the whole: a block
// of candidates whose partial sums all exceed `bound` stops there, and their
// errors are given as infinity (only errors <= bound are exact).
void ScoreCandidates(const float* h36, const float* s10, const float* l10, uint32_t count,
                     const ColourTerm* colour, size_t colourCount, const LightTerm* light,
                     size_t lightCount, double* errors,
                     double bound = std::numeric_limits<double>::infinity());
