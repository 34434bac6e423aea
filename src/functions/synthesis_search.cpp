#include "functions/synthesis_search.h"

#include <algorithm>
#include <cstring>
#include <limits>

void CandidateHeap::Pop() {
    if (size_ == 0) return;
    const PatchCandidate last = items_[--size_];
    const size_t n = size_;
    if (n == 0) return;
    size_t hole = 0;
    for (;;) {
        const size_t left = 2 * hole + 1;
        if (left >= n) break;
        const size_t right = left + 1;
        const size_t child = (right < n && !(items_[left].error < items_[right].error)) ? right : left;
        items_[hole] = items_[child];
        hole = child;
    }
    while (hole > 0) {
        const size_t parent = (hole - 1) / 2;
        if (!(items_[parent].error > last.error)) break;
        items_[hole] = items_[parent];
        hole = parent;
    }
    items_[hole] = last;
}

void SparseCandidateHeap::Reset(size_t expected) {
    size_t capacity = 16;
    while (capacity < 2 * expected + 2) capacity *= 2;
    if (table_.size() == capacity)
        std::fill(table_.begin(), table_.end(), Entry{});
    else
        table_.assign(capacity, Entry{});
    mask_ = capacity - 1;
    shift_ = uint32_t(64 - __builtin_ctzll(capacity));
    stored_ = 0;
    size_ = 0;
}

const SparseCandidateHeap::Entry* SparseCandidateHeap::Find(uint64_t slot) const {
    for (size_t i = Home(slot);; i = (i + 1) & mask_) {
        const Entry& e = table_[i];
        if (e.slot == slot) return &e;
        if (e.slot == kNone) return nullptr;
    }
}

void SparseCandidateHeap::Put(uint64_t slot, const PatchCandidate& c) {
    size_t i = Home(slot);
    for (; table_[i].slot != kNone; i = (i + 1) & mask_) {
        if (table_[i].slot == slot) {
            table_[i].candidate = c;
            return;
        }
    }
    table_[i] = {slot, c};
    if (++stored_ * 2 > table_.size()) Grow();
}

void SparseCandidateHeap::Erase(uint64_t slot) {
    size_t i = Home(slot);
    for (; table_[i].slot != slot; i = (i + 1) & mask_)
        if (table_[i].slot == kNone) return;
    // Later entries of the run whose home is not in (i, j] move back into
    // the gap, so that every entry stays reachable from its home.
    for (size_t j = i;;) {
        j = (j + 1) & mask_;
        if (table_[j].slot == kNone) break;
        const size_t home = Home(table_[j].slot);
        const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (stays) continue;
        table_[i] = table_[j];
        i = j;
    }
    table_[i].slot = kNone;
    --stored_;
}

void SparseCandidateHeap::Grow() {
    std::vector<Entry> old(table_.size() * 2);
    old.swap(table_);
    mask_ = table_.size() - 1;
    --shift_;
    stored_ = 0;
    for (const Entry& e : old)
        if (e.slot != kNone) Put(e.slot, e.candidate);
}

double SparseCandidateHeap::ErrorAt(uint64_t slot) const {
    const Entry* e = Find(slot);
    return e ? e->candidate.error : std::numeric_limits<double>::infinity();
}

void SparseCandidateHeap::Move(uint64_t from, uint64_t to) {
    const Entry* e = Find(from);
    if (!e) {
        Erase(to);
        return;
    }
    const PatchCandidate moved = e->candidate;
    Erase(from);
    Put(to, moved);
}

void SparseCandidateHeap::Push(const PatchCandidate& c) {
    uint64_t hole = size_++;
    while (hole > 0) {
        const uint64_t parent = (hole - 1) / 2;
        if (!(ErrorAt(parent) > c.error)) break;
        Move(parent, hole);
        hole = parent;
    }
    Put(hole, c);
}

void SparseCandidateHeap::Pop() {
    if (size_ == 0) return;
    const uint64_t n = --size_;
    const Entry* lastEntry = Find(n);
    const bool lastFinite = lastEntry != nullptr;
    PatchCandidate last;
    if (lastFinite) {
        last = lastEntry->candidate;
        Erase(n);
    }
    Erase(0);
    if (n == 0) return;
    uint64_t hole = 0;
    for (;;) {
        const uint64_t left = 2 * hole + 1;
        if (left >= n || left < hole) break;
        const uint64_t right = left + 1;
        const uint64_t child = (right < n && !(ErrorAt(left) < ErrorAt(right))) ? right : left;
        Move(child, hole);
        hole = child;
    }
    if (!lastFinite) return;  // an infinite element fills the hole where it is
    while (hole > 0) {
        const uint64_t parent = (hole - 1) / 2;
        if (!(ErrorAt(parent) > last.error)) break;
        Move(parent, hole);
        hole = parent;
    }
    Put(hole, last);
}

namespace {

// Eight single-precision lanes (unaligned loads) and four double lanes; the
// compiler maps them onto whatever registers the target has. Contraction is
// off for the whole build, so a * b + c stays a rounded product and a sum.
typedef float Floats8 __attribute__((vector_size(32)));
typedef float Floats8Unaligned __attribute__((vector_size(32), aligned(4)));
typedef float Floats4 __attribute__((vector_size(16)));
typedef double Doubles4 __attribute__((vector_size(32)));
typedef double Doubles8 __attribute__((vector_size(64)));
typedef long long Longs4 __attribute__((vector_size(32)));

// Terms summed between two looks at the bound.
constexpr size_t kBoundCheck = 10;

}  // namespace

// Expressions rather than functions, so that no function passes a vector
// (which would change the call ABI between the clones).
#define LOAD8(p) (*reinterpret_cast<const Floats8Unaligned*>(p))
// All eight lanes widened at once, then split: the compiler widens halves of
// a vector one pair at a time, but a whole vector four at a time.
#define WIDEN(v) __builtin_convertvector(v, Doubles8)
#define LOW4(w) __builtin_shufflevector(w, w, 0, 1, 2, 3)
#define HIGH4(w) __builtin_shufflevector(w, w, 4, 5, 6, 7)
// above = every real lane of a0 .. a3 > limit: lanes past the count are
// left out (their sums are never read), so that a short block stops as soon
// as its real candidates may.
#define ALL_ABOVE(above)                                                                           \
    do {                                                                                           \
        const Longs4 m = ((a0 > limit) | past0) & ((a1 > limit) | past1) & ((a2 > limit) | past2) & \
                         ((a3 > limit) | past3);                                                   \
        above = (m[0] & m[1] & m[2] & m[3]) != 0;                                                  \
    } while (0)

namespace {

// The candidates first .. first + n - 1 (n <= 16), as ScoreCandidates scores
// them: sixteen lanes, or eight when n <= 8 (the second eight would all lie
// past the count). Each lane's sum takes its terms in the same order either
// way.
template <bool kSixteen>
__attribute__((always_inline)) inline void ScoreBlock(const float* h36, const float* s10, const float* l10,
                                                      uint32_t first, uint32_t n, const ColourTerm* colour,
                                                      size_t colourCount, const LightTerm* light, size_t lightCount,
                                                      double* errors, double bound) {
    const Floats8 half = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    const Floats8 onePointTwo = {1.2f, 1.2f, 1.2f, 1.2f, 1.2f, 1.2f, 1.2f, 1.2f};
    const Doubles4 limit = {bound, bound, bound, bound};
    const Longs4 lane = {0, 1, 2, 3};
    const long long real = n;
    const Longs4 past0 = lane >= real, past1 = lane + 4 >= real, past2 = lane + 8 >= real, past3 = lane + 12 >= real;
    // Candidates first + 0..3, 4..7, 8..11, 12..15.
    Doubles4 a0 = {0, 0, 0, 0}, a1 = a0, a2 = a0, a3 = a0;
    bool above = false;  // every partial sum > bound
    // Colour terms, then lightness terms, a chunk at a time.
    for (size_t t0 = 0; t0 < colourCount && !above; t0 += kBoundCheck) {
        const size_t t1 = colourCount - t0 < kBoundCheck ? colourCount : t0 + kBoundCheck;
        for (size_t t = t0; t < t1; ++t) {
            const ColourTerm& term = colour[t];
            const size_t at = size_t(int64_t(first) + term.offset);
            const Floats8 dh0 = LOAD8(h36 + at) - term.h36;
            const Floats8 ds0 = LOAD8(s10 + at) - term.s10;
            const Floats8 dl0 = LOAD8(l10 + at) - term.l10;
            const Doubles8 d0 = WIDEN((half * (ds0 * ds0) + dh0 * dh0) + onePointTwo * (dl0 * dl0));
            a0 += LOW4(d0);
            a1 += HIGH4(d0);
            if constexpr (kSixteen) {
                const Floats8 dh1 = LOAD8(h36 + at + 8) - term.h36;
                const Floats8 ds1 = LOAD8(s10 + at + 8) - term.s10;
                const Floats8 dl1 = LOAD8(l10 + at + 8) - term.l10;
                const Doubles8 d1 = WIDEN((half * (ds1 * ds1) + dh1 * dh1) + onePointTwo * (dl1 * dl1));
                a2 += LOW4(d1);
                a3 += HIGH4(d1);
            }
        }
        ALL_ABOVE(above);
    }
    for (size_t t0 = 0; t0 < lightCount && !above; t0 += kBoundCheck) {
        const size_t t1 = lightCount - t0 < kBoundCheck ? lightCount : t0 + kBoundCheck;
        for (size_t t = t0; t < t1; ++t) {
            const LightTerm& term = light[t];
            const size_t at = size_t(int64_t(first) + term.offset);
            const Floats8 dl0 = LOAD8(l10 + at) - term.l10;
            const Doubles8 d0 = WIDEN(dl0 * dl0);
            a0 += LOW4(d0);
            a1 += HIGH4(d0);
            if constexpr (kSixteen) {
                const Floats8 dl1 = LOAD8(l10 + at + 8) - term.l10;
                const Doubles8 d1 = WIDEN(dl1 * dl1);
                a2 += LOW4(d1);
                a3 += HIGH4(d1);
            }
        }
        ALL_ABOVE(above);
    }
    if (above) {
        for (uint32_t c = 0; c < n; ++c) errors[first + c] = std::numeric_limits<double>::infinity();
        return;
    }
    double block[kScoreBlock];
    std::memcpy(block, &a0, sizeof a0);
    std::memcpy(block + 4, &a1, sizeof a1);
    std::memcpy(block + 8, &a2, sizeof a2);
    std::memcpy(block + 12, &a3, sizeof a3);
    std::memcpy(errors + first, block, n * sizeof(double));
}

}  // namespace

// An AVX2 clone beside the baseline one, picked at load time; AVX2 alone
// brings no fused multiply-add.
__attribute__((target_clones("avx2", "default")))
void ScoreCandidates(const float* h36, const float* s10, const float* l10, uint32_t count,
                     const ColourTerm* colour, size_t colourCount, const LightTerm* light,
                     size_t lightCount, double* errors, double bound) {
    for (uint32_t first = 0; first < count; first += kScoreBlock) {
        const uint32_t n = count - first < kScoreBlock ? count - first : kScoreBlock;
        if (n > 8)
            ScoreBlock<true>(h36, s10, l10, first, n, colour, colourCount, light, lightCount, errors, bound);
        else
            ScoreBlock<false>(h36, s10, l10, first, n, colour, colourCount, light, lightCount, errors, bound);
    }
}

#undef LOAD8
#undef WIDEN
#undef ALL_ABOVE
#undef LOW4
#undef HIGH4
