// Synthesize Texture: patch quilting from a donor region.
//
// [SECTION] Parameters   layout and the reads, in their fixed order
// [SECTION] Donor        the donor region as edge-clamped reads of the donor layer
// [SECTION] Search       candidate scoring on per-instruction term planes, ranking
// [SECTION] Patches      one patch: strips, donor position, edge cuts, paste
// [SECTION] Apply        the patch scan, then the selection pass
//
// The donor region may reach far outside the raster; its pixels there are
// edge-clamped copies. Candidate positions whose patches read the same pixels
// (all of a patch left of, right of, below or above the raster) have the same
// error and give the same result, so they share one class: errors are scored
// once per class, on planes no larger than the raster plus two patches per
// side. Every candidate still enters the heap, in scan order, so equal errors
// rank exactly as the plain search ranks them, as long as the heap stays
// within the heap limits (by default, on the 100 x 100 raster: donor regions up to
// about 330 pixels square at patch size 3, 970 at size 10, 2048 at any size).
// Past those the heap is kept sparse, storing only the candidates whose error
// is at most the k-th smallest, which is still exact while they are few (they
// are many when a block of identical patches beyond the raster is among the
// best). When they are too many, the candidates are ranked by class: the k-th
// smallest error counting every candidate, exact, but equal errors of
// different classes ranked in scan order rather than in heap order (the same
// for k = 1, where the heap's root is the first minimum pushed).
//
// Work is bounded whatever the parameters: a search needs strips, so the step
// is below the raster side and the patch at most twice that; classes per axis
// are at most raster side + patch - 1. The worst case (patch 198, overlap 99,
// transfer on, a donor region of 400 pixels or more) scores about 1.7e10
// distances, a few seconds.
#include "functions/synthesize_texture.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "functions/filter_support.h"
#include "functions/synthesis_search.h"
#include "functions/search_crew.h"
#include "instructions/parameter_rng.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

// ---------------------------------------------------------------------------
// [SECTION] Parameters
// ---------------------------------------------------------------------------

const ParamLayout& SynthesizeTextureRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Donor_Layer", kIndex},
        {"Space", kSpace},
        {"Donor_Select_Point1X", kPosition},
        {"Donor_Select_Point1_Y", kPosition},
        {"Space", kSpace},
        {"Donor_Select_Point2_X", kPosition},
        {"Donor_Select_Point2_Y", kPosition},
        {"Separator", kSeparator},
        {"Quilt_Overlap", kOverlap},
        {"Quilt_Size", kPatchSize},
        {"Cut_Edge", kToggle},
        {"Transfer_Texture", kToggle},
    };
    return layout;
}

namespace {

// The parameters as one application reads them.
struct SynthesisSettings {
    uint32_t donorLayer;
    int32_t p1x, p1y, p2x, p2y;
    int32_t overlap;
    uint32_t size;
    bool cutEdge, transfer;
};

// Each read of a randomised parameter draws from parameterRng(): the order is
// fixed. The donor's corners, the overlap and the patch size are lengths.
SynthesisSettings ReadSettings(const AbstractRasterFunction& function, const RenderScale& scale) {
    SynthesisSettings s;
    s.donorLayer = uint32_t(function.GetValue("Donor_Layer").AsUInt64());
    s.p1y = scale.Coordinate(function.GetValue("Donor_Select_Point1_Y").AsInt32());
    s.p1x = scale.Coordinate(function.GetValue("Donor_Select_Point1X").AsInt32());
    s.p2y = scale.Coordinate(function.GetValue("Donor_Select_Point2_Y").AsInt32());
    s.p2x = scale.Coordinate(function.GetValue("Donor_Select_Point2_X").AsInt32());
    s.overlap = scale.Coordinate(function.GetValue("Quilt_Overlap").AsInt32());
    s.size = scale.Length(function.GetValue("Quilt_Size").AsUInt32());
    s.cutEdge = function.GetValue("Cut_Edge").AsUInt8() != 0;
    s.transfer = function.GetValue("Transfer_Texture").AsUInt8() != 0;
    return s;
}

int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// ---------------------------------------------------------------------------
// [SECTION] Donor
// ---------------------------------------------------------------------------

// Donor pixel (x, y) is the donor layer's pixel (x0 + x, y0 + y), clamped to
// the raster like GetPixelAt.
struct Donor {
    uint32_t layerWidth = 0, layerHeight = 0;
    // The committed pixels of the donor layer: the layer itself, which no
    // write of the instruction reaches, or a copy of them in `copy`.
    const Color* layer = nullptr;
    std::vector<Color> copy;
    Donor() = default;
    Donor(const Donor&) = delete;
    Donor(Donor&&) = default;
    int64_t x0 = 0, y0 = 0;
    uint32_t width = 0, height = 0;

    Color LayerAt(int64_t lx, int64_t ly) const {
        const int64_t cx = Clamp64(lx, 0, int64_t(layerWidth) - 1);
        const int64_t cy = Clamp64(ly, 0, int64_t(layerHeight) - 1);
        return layer[size_t(cy) * layerWidth + size_t(cx)];
    }
    Color At(int64_t x, int64_t y) const { return LayerAt(x0 + x, y0 + y); }
};

// The donor layer's committed pixels; the current layer index is restored
// and the working canvas still holds the current layer. The Donor refers to
// the raster's layer and lives no longer than the instruction.
Donor ExtractDonor(SelectableRaster& raster, const SynthesisSettings& s) {
    Donor donor;
    donor.layerWidth = raster.Width();
    donor.layerHeight = raster.Height();
    donor.width = uint32_t(std::llabs(int64_t(s.p2x) - s.p1x));
    donor.height = uint32_t(std::llabs(int64_t(s.p2y) - s.p1y));
    donor.x0 = std::min(s.p1x, s.p2x);
    donor.y0 = std::min(s.p1y, s.p2y);
    const uint32_t current = raster.CurrentLayerIndex();
    raster.SelectLayer(s.donorLayer);
    donor.layer = CommittedPixels(raster, donor.copy);  // a move keeps the copy's buffer; a copy is not allowed
    raster.SelectLayer(current);
    return donor;
}

// ---------------------------------------------------------------------------
// [SECTION] Search
// ---------------------------------------------------------------------------

// Candidates along one axis: positions 0 .. count - 1, whose patch starts at
// layer coordinate origin + position. Clamping that start to
// [-(S - 1), layerSize - 1] maps positions with identical patches to one class;
// classes are consecutive, class c starting at layer coordinate first + c.
struct AxisClasses {
    int64_t origin = 0;
    uint64_t count = 0;
    int64_t lo = 0, hi = 0;  // clamp range of patch starts
    int64_t first = 0;       // layer start of class 0
    uint32_t classes = 0;

    AxisClasses(int64_t originIn, uint64_t countIn, uint32_t patch, uint32_t layerSize)
        : origin(originIn), count(countIn), lo(1 - int64_t(patch)), hi(int64_t(layerSize) - 1) {
        first = Clamp64(origin, lo, hi);
        const int64_t last = Clamp64(origin + int64_t(count) - 1, lo, hi);
        classes = uint32_t(last - first + 1);
    }
    uint32_t ClassOf(uint64_t position) const {
        return uint32_t(Clamp64(origin + int64_t(position), lo, hi) - first);
    }
    // The first position of a class, and how many positions it holds.
    uint64_t FirstPosition(uint32_t c) const { return c == 0 ? 0 : uint64_t(first + c - origin); }
    uint64_t Multiplicity(uint32_t c) const {
        const uint64_t end = c + 1 < classes ? FirstPosition(c + 1) : count;
        return end - FirstPosition(c);
    }
};

// A class ranked by error, then by scan order.
struct Ranked {
    double error;
    uint32_t cx, cy;
};

// The k smallest (k <= 5) of the classes offered, by error and then by the
// order offered (a later class never passes an earlier one of equal error).
// Offering the classes in scan order gives the k smallest in scan order; so
// does offering, block by block in scan order, each block's k smallest.
struct KSmallest {
    static constexpr uint32_t kMax = 5;
    Ranked items[kMax];
    uint32_t size = kMax;
    uint32_t held = 0;

    explicit KSmallest(uint32_t k = kMax) : size(k) {}
    bool Full() const { return held == size; }
    void Offer(const Ranked& r) {
        if (held == size && !(r.error < items[held - 1].error)) return;
        uint32_t at = held < size ? held++ : held - 1;
        for (; at > 0 && r.error < items[at - 1].error; --at) items[at] = items[at - 1];
        items[at] = r;
    }
};

// Per-instruction search state: the donor's distance terms over every pixel a
// candidate class can read, one plane per term, rows padded for the kernel.
class CandidateSearch {
public:
    CandidateSearch(const Donor& donor, uint32_t patch, uint64_t searches, const SynthesisHeapLimits& limits,
                    const SynthesisSplit& split)
        : patch_(patch),
          xs_(donor.x0, uint64_t(donor.width) - patch, patch, donor.layerWidth),
          ys_(donor.y0, uint64_t(donor.height) - patch, patch, donor.layerHeight),
          split_(split) {
        stride_ = xs_.classes + patch - 1 + kScoreBlock;
        const uint32_t rows = ys_.classes + patch - 1;
        const size_t cells = size_t(stride_) * rows;
        h36_.resize(cells);
        s10_.resize(cells);
        l10_.resize(cells);
        for (uint32_t r = 0; r < rows; ++r) {
            for (uint32_t c = 0; c < stride_; ++c) {
                const HslTerms t = MakeHslTerms(donor.LayerAt(xs_.first + c, ys_.first + r));
                const size_t at = size_t(r) * stride_ + c;
                h36_[at] = t.h36;
                s10_[at] = t.s10;
                l10_[at] = t.l10;
            }
        }
        errors_.resize(size_t(xs_.classes) * ys_.classes);
        const uint64_t candidates = xs_.count * ys_.count;
        const uint64_t perSearch = searches == 0 ? 1 : searches;
        useHeap_ = candidates <= limits.candidates && candidates <= limits.pushes / perSearch;
        finiteLimit_ = limits.finitePushes / perSearch;
        blockRows_ = std::min(split.blockRows > 0 ? split.blockRows : (ys_.classes + 15) / 16, ys_.classes);
        blocks_ = (ys_.classes + blockRows_ - 1) / blockRows_;
        blockSmallest_.resize(blocks_);
        threads_ = std::clamp<uint32_t>(split.threads, 1, kMaxThreads);
    }

    // Plane offset of a patch pixel (i, j) relative to the candidate's first pixel.
    int32_t Offset(uint32_t i, uint32_t j) const { return int32_t(j * stride_ + i); }
    // The terms of the donor pixel (dx + i, dy + j) for a candidate position
    // (dx, dy): its class reads the same pixels.
    HslTerms TermsAt(uint64_t dx, uint64_t dy, uint32_t i, uint32_t j) const {
        const size_t at = (size_t(ys_.ClassOf(dy)) + j) * stride_ + xs_.ClassOf(dx) + i;
        return {h36_[at], s10_[at], l10_[at]};
    }

    // Draws the rank, scores every class against the terms and returns the
    // chosen donor position. (Scoring draws nothing, so drawing the rank
    // first changes no draw; knowing it, scoring can stop sooner.)
    void Choose(const std::vector<ColourTerm>& colour, const std::vector<LightTerm>& light, uint64_t& dx,
                uint64_t& dy) {
        const uint32_t k = 1 + DrawUniformInt(5);
        // Blocks are taken from the one holding the last choice's row on:
        // neighbouring patches often match along the same donor rows, so the
        // bound tightens early and more blocks stop short.
        const std::function<void(uint32_t)> score = [&](uint32_t i) {
            ScoreBlock((i + firstBlock_) % blocks_, k, colour, light);
        };
        const uint64_t work = uint64_t(xs_.classes) * ys_.classes * (colour.size() + light.size());
        bound_.store(std::numeric_limits<double>::infinity(), std::memory_order_relaxed);
        if (threads_ > 1 && work >= split_.minWork) {
            if (!crew_) crew_ = std::make_unique<SearchCrew>(threads_ - 1);
            crew_->Run(blocks_, score);
        } else {
            for (uint32_t block = 0; block < blocks_; ++block) score(block);
        }
        smallest_ = KSmallest(k);
        for (const KSmallest& block : blockSmallest_)
            for (uint32_t i = 0; i < block.held; ++i) smallest_.Offer(block.items[i]);
        // The sparse heap gives the dense heap's answer: when only a few
        // errors are at most the k-th smallest, it pushes those alone.
        if (useHeap_) {
            if (!ChooseBySparseHeap(k, std::min<uint64_t>(kFewFinite, finiteLimit_), dx, dy)) ChooseByHeap(k, dx, dy);
        } else if (!ChooseBySparseHeap(k, finiteLimit_, dx, dy)) {
            ChooseByClass(k, dx, dy);
        }
        firstBlock_ = ys_.ClassOf(dy) / blockRows_;
    }

private:
    double ErrorOf(uint32_t cx, uint32_t cy) const { return errors_[size_t(cy) * xs_.classes + cx]; }

    // The errors of one block's rows of classes, and its k smallest.
    //
    // Errors above the k-th smallest of any k classes scored so far (in any
    // block) are left as infinity: the k smallest classes, and every error at
    // most the k-th smallest, come out exact all the same, and those are all
    // that ranking reads. So which errors are left depends on the order blocks
    // are scored in, but the answer does not.
    void ScoreBlock(uint32_t block, uint32_t k, const std::vector<ColourTerm>& colour,
                    const std::vector<LightTerm>& light) {
        const uint32_t first = block * blockRows_;
        const uint32_t end = std::min(ys_.classes, first + blockRows_);
        KSmallest smallest(k);
        bool full = false;  // then only errors below `bound` enter
        double bound = 0.0;
        for (uint32_t row = first; row < end; ++row) {
            const size_t base = size_t(row) * stride_;
            double* errors = errors_.data() + size_t(row) * xs_.classes;
            const double shared = bound_.load(std::memory_order_relaxed);
            ScoreCandidates(h36_.data() + base, s10_.data() + base, l10_.data() + base, xs_.classes,
                            colour.data(), colour.size(), light.data(), light.size(), errors,
                            full && bound < shared ? bound : shared);
            for (uint32_t cx = 0; cx < xs_.classes; ++cx) {
                if (full && !(errors[cx] < bound)) continue;
                smallest.Offer({errors[cx], cx, row});
                full = smallest.Full();
                bound = smallest.items[smallest.held - 1].error;
            }
            for (double seen = shared; full && bound < seen;)
                if (bound_.compare_exchange_weak(seen, bound, std::memory_order_relaxed)) break;
        }
        blockSmallest_[block] = smallest;
    }

    // Every candidate pushed in scan order; k - 1 pops, or all but one when
    // there are fewer than k. Pops return errors in ascending order, so the
    // answer's error is the k-th smallest, t. Errors above t are pushed as
    // infinity: such an element never passes one of error <= t in a sift, and
    // where a pop's hole runs between two of them, the element that fills it
    // rises past all of them, so which of them goes where never moves an
    // element of error <= t. The answer is unchanged, and the pushes of the
    // many large errors are single compares.
    void ChooseByHeap(uint32_t k, uint64_t& dx, uint64_t& dy) {
        const double threshold = KthSmallest(k).error;
        const double infinity = std::numeric_limits<double>::infinity();
        heap_.Reserve(size_t(xs_.count * ys_.count));
        std::vector<uint32_t>& classOfX = classOfX_;
        if (classOfX.empty()) {
            classOfX.resize(size_t(xs_.count));
            for (uint64_t x = 0; x < xs_.count; ++x) classOfX[size_t(x)] = xs_.ClassOf(x);
        }
        for (uint64_t y = 0; y < ys_.count; ++y) {
            const double* row = errors_.data() + size_t(ys_.ClassOf(y)) * xs_.classes;
            for (uint64_t x = 0; x < xs_.count; ++x) {
                const double e = row[classOfX[size_t(x)]];
                heap_.Push({e > threshold ? infinity : e, uint32_t(x), uint32_t(y)});
            }
        }
        for (uint32_t pop = 1; pop < k && heap_.Size() > 1; ++pop) heap_.Pop();
        dx = heap_.Top().x;
        dy = heap_.Top().y;
    }

    // The same heap over every candidate, with only the errors <= the k-th
    // smallest stored (see ChooseByHeap); false, choosing nothing, when there
    // are more of those than finiteLimit.
    bool ChooseBySparseHeap(uint32_t k, uint64_t finiteLimit, uint64_t& dx, uint64_t& dy) {
        const double threshold = KthSmallest(k).error;
        // Classes holding errors <= threshold in scan order (row class, then
        // column class), and how many candidates they hold.
        std::vector<std::pair<uint32_t, uint32_t>>& finiteClasses = finiteClasses_;
        finiteClasses.clear();
        uint64_t finite = 0;
        for (uint32_t cy = 0; cy < ys_.classes; ++cy) {
            for (uint32_t cx = 0; cx < xs_.classes; ++cx) {
                if (!(ErrorOf(cx, cy) <= threshold)) continue;
                const uint64_t columns = xs_.Multiplicity(cx), rows = ys_.Multiplicity(cy);
                if (columns > finiteLimit || rows > finiteLimit / columns) return false;
                finite += columns * rows;
                if (finite > finiteLimit) return false;
                finiteClasses.push_back({cy, cx});
            }
        }
        sparse_.Reset(size_t(finite));
        for (size_t first = 0, end; first < finiteClasses.size(); first = end) {
            const uint32_t cy = finiteClasses[first].first;
            for (end = first; end < finiteClasses.size() && finiteClasses[end].first == cy;) ++end;
            const uint64_t y0 = ys_.FirstPosition(cy), y1 = y0 + ys_.Multiplicity(cy);
            for (uint64_t y = y0; y < y1; ++y) {
                for (size_t at = first; at < end; ++at) {
                    const uint32_t cx = finiteClasses[at].second;
                    const double e = ErrorOf(cx, cy);
                    const uint64_t x0 = xs_.FirstPosition(cx), x1 = x0 + xs_.Multiplicity(cx);
                    for (uint64_t x = x0; x < x1; ++x) {
                        sparse_.PushInfinite(y * xs_.count + x - sparse_.Size());
                        sparse_.Push({e, uint32_t(x), uint32_t(y)});
                    }
                }
            }
        }
        sparse_.PushInfinite(xs_.count * ys_.count - sparse_.Size());
        for (uint32_t pop = 1; pop < k && sparse_.Size() > 1; ++pop) sparse_.Pop();
        dx = sparse_.Top().x;
        dy = sparse_.Top().y;
        return true;
    }

    // The k-th smallest error counting every candidate (the largest when
    // there are fewer than k); among classes with that error, the one met
    // first in scan order.
    void ChooseByClass(uint32_t k, uint64_t& dx, uint64_t& dy) {
        const Ranked pick = KthSmallest(k);
        dx = xs_.FirstPosition(pick.cx);
        dy = ys_.FirstPosition(pick.cy);
    }

    // Each class holds at least one candidate, so the k smallest classes (by
    // error, then scan order) contain the k-th smallest candidate.
    Ranked KthSmallest(uint32_t k) const {
        const Ranked* smallest = smallest_.items;
        const uint32_t held = std::min(k, smallest_.held);
        uint64_t seen = 0;
        uint32_t pick = 0;
        for (; pick + 1 < held; ++pick) {
            seen += xs_.Multiplicity(smallest[pick].cx) * ys_.Multiplicity(smallest[pick].cy);
            if (seen >= k) break;
        }
        while (pick > 0 && smallest[pick - 1].error == smallest[pick].error) --pick;
        return smallest[pick];
    }

    uint32_t patch_;
    AxisClasses xs_, ys_;
    SynthesisSplit split_;
    uint32_t threads_ = 1;
    uint32_t blockRows_ = 1, blocks_ = 1;
    uint32_t firstBlock_ = 0;  // the block scored first
    std::vector<std::pair<uint32_t, uint32_t>> finiteClasses_;  // scratch of ChooseBySparseHeap
    std::vector<KSmallest> blockSmallest_;
    KSmallest smallest_;       // of the whole search
    std::atomic<double> bound_{0.0};  // the smallest k-th smallest of any block so far
    std::unique_ptr<SearchCrew> crew_;  // started at the first search worth sharing
    uint32_t stride_ = 0;
    std::vector<float> h36_, s10_, l10_;
    std::vector<double> errors_;
    std::vector<uint32_t> classOfX_;
    CandidateHeap heap_;
    SparseCandidateHeap sparse_;
    bool useHeap_ = true;
    uint64_t finiteLimit_ = 0;
    static constexpr uint64_t kFewFinite = 64;
    static constexpr uint32_t kMaxThreads = 16;
};

// Per-line minimum-error edge: for each line, the index in 0 .. overlap - 1
// of the smallest distance, the larger index on equal distances; 0 when the
// strip is empty. distance(line, index) gives the distance.
template <class Distance>
std::vector<uint32_t> EdgeCut(uint32_t lines, uint32_t overlap, Distance distance) {
    std::vector<uint32_t> cut(lines, 0);
    for (uint32_t line = 0; line < lines; ++line) {
        float best = 0.0f;
        for (uint32_t index = 0; index < overlap; ++index) {
            const float d = distance(line, index);
            if (index == 0 || d <= best) {
                best = d;
                cut[line] = index;
            }
        }
    }
    return cut;
}

// ---------------------------------------------------------------------------
// [SECTION] Patches
// ---------------------------------------------------------------------------

// Square patches of side `patch`, one every `step` pixels from the raster's
// origin, each overlapping its left and lower neighbours by `strip` pixels.
struct PatchGrid {
    uint32_t patch = 0;
    uint32_t strip = 0;
    int64_t step = 1;
    uint64_t columns = 0, rows = 0;
};

// False when there is nothing to lay: an empty donor region or a patch size of 0.
bool PlanPatches(const SynthesisSettings& s, const Donor& donor, uint32_t width, uint32_t height,
                 PatchGrid& grid) {
    uint32_t patch = s.size;
    if (patch > donor.width || patch > donor.height) patch = std::min(donor.width, donor.height);
    if (patch == 0) return false;
    // A negative overlap (only from a file) spaces the patches apart and
    // gives empty strips.
    const int64_t overlap = std::min<int64_t>(patch / 2, s.overlap);
    grid.patch = patch;
    grid.strip = overlap > 0 ? uint32_t(overlap) : 0;
    grid.step = std::max<int64_t>(int64_t(patch) - overlap, 1);
    grid.columns = (uint64_t(width) + uint64_t(grid.step) - 1) / uint64_t(grid.step);
    grid.rows = (uint64_t(height) + uint64_t(grid.step) - 1) / uint64_t(grid.step);
    return true;
}

// Lays one patch after another on the working canvas, in scan order.
class PatchLayer {
public:
    PatchLayer(SelectableRaster& raster, const Donor& donor, const PatchGrid& grid, const SynthesisSettings& s,
               const SynthesisHeapLimits& limits, const SynthesisSplit& split)
        : raster_(raster), donor_(donor), grid_(grid), settings_(s), limits_(limits), split_(split) {}

    void Lay(int64_t px, int64_t py) {
        // Strips exist only after the first patch of a row or column, which
        // needs step < raster side, so patch <= 2 * side here.
        const bool hasColumn = px > 0;
        const bool hasRow = py > 0;
        ReadStrips(px, py, hasColumn, hasRow);
        uint64_t dx = 0, dy = 0;
        ChooseDonorPosition(px, py, hasColumn, hasRow, dx, dy);
        const uint32_t patch = grid_.patch, strip = grid_.strip;
        // The donor's terms from the search planes once there are any.
        const auto donorTerms = [&](uint32_t i, uint32_t j) {
            return search_ ? search_->TermsAt(dx, dy, i, j) : MakeHslTerms(donor_.At(int64_t(dx) + i, int64_t(dy) + j));
        };
        std::vector<uint32_t> columnCut, rowCut;
        if (settings_.cutEdge && hasColumn)
            columnCut = EdgeCut(patch, strip, [&](uint32_t j, uint32_t i) {
                return ColourDistance(donorTerms(i, j), columnStrip_[size_t(j) * strip + i]);
            });
        if (settings_.cutEdge && hasRow)
            rowCut = EdgeCut(patch, strip, [&](uint32_t i, uint32_t j) {
                return ColourDistance(donorTerms(i, j), rowStrip_[size_t(j) * patch + i]);
            });
        Paste(px, py, dx, dy, columnCut, rowCut);
    }

private:
    // The texture already laid where this patch overlaps its neighbours.
    void ReadStrips(int64_t px, int64_t py, bool hasColumn, bool hasRow) {
        const uint32_t patch = grid_.patch, strip = grid_.strip;
        if (hasColumn) {
            columnStrip_.resize(size_t(strip) * patch);
            for (uint32_t j = 0; j < patch; ++j)
                for (uint32_t i = 0; i < strip; ++i)
                    columnStrip_[size_t(j) * strip + i] =
                        MakeHslTerms(raster_.GetPixelAt(int32_t(px + i), int32_t(py + j), true));
        }
        if (hasRow) {
            rowStrip_.resize(size_t(patch) * strip);
            for (uint32_t j = 0; j < strip; ++j)
                for (uint32_t i = 0; i < patch; ++i)
                    rowStrip_[size_t(j) * patch + i] =
                        MakeHslTerms(raster_.GetPixelAt(int32_t(px + i), int32_t(py + j), true));
        }
    }

    // The first patch is placed uniformly at random; every later one by the
    // candidate search, unless the donor leaves it only the origin.
    void ChooseDonorPosition(int64_t px, int64_t py, bool hasColumn, bool hasRow, uint64_t& dx, uint64_t& dy) {
        const uint32_t patch = grid_.patch, strip = grid_.strip;
        if (px == 0 && py == 0) {
            dx = DrawUniformInt(uint32_t(uint64_t(donor_.width) - patch + 1));
            dy = DrawUniformInt(uint32_t(uint64_t(donor_.height) - patch + 1));
            return;
        }
        if (patch >= donor_.width || patch >= donor_.height) return;
        if (!search_)
            search_ = std::make_unique<CandidateSearch>(donor_, patch, grid_.columns * grid_.rows - 1, limits_, split_);
        colourTerms_.clear();
        lightTerms_.clear();
        if (hasColumn)
            for (uint32_t j = 0; j < patch; ++j)
                for (uint32_t i = 0; i < strip; ++i) {
                    const HslTerms& t = columnStrip_[size_t(j) * strip + i];
                    colourTerms_.push_back({search_->Offset(i, j), t.h36, t.s10, t.l10});
                }
        if (hasRow)
            for (uint32_t j = 0; j < strip; ++j)
                for (uint32_t i = 0; i < patch; ++i) {
                    const HslTerms& t = rowStrip_[size_t(j) * patch + i];
                    colourTerms_.push_back({search_->Offset(i, j), t.h36, t.s10, t.l10});
                }
        if (settings_.transfer)
            for (uint32_t j = 0; j < patch; ++j)
                for (uint32_t i = 0; i < patch; ++i) {
                    const Color target = raster_.GetPixelAt(int32_t(px + i), int32_t(py + j), false);
                    lightTerms_.push_back({search_->Offset(i, j), MakeHslTerms(target).l10});
                }
        search_->Choose(colourTerms_, lightTerms_, dx, dy);
    }

    // Without blending; only the part inside the raster lands, and pixels
    // before a line's cut keep the texture already laid.
    void Paste(int64_t px, int64_t py, uint64_t dx, uint64_t dy, const std::vector<uint32_t>& columnCut,
               const std::vector<uint32_t>& rowCut) {
        const uint32_t visibleW = uint32_t(std::min<int64_t>(grid_.patch, int64_t(raster_.Width()) - px));
        const uint32_t visibleH = uint32_t(std::min<int64_t>(grid_.patch, int64_t(raster_.Height()) - py));
        for (uint32_t j = 0; j < visibleH; ++j) {
            for (uint32_t i = 0; i < visibleW; ++i) {
                if (!columnCut.empty() && i < columnCut[j]) continue;
                if (!rowCut.empty() && j < rowCut[i]) continue;
                raster_.SetPixelAt(int32_t(px + i), int32_t(py + j), donor_.At(int64_t(dx) + i, int64_t(dy) + j));
            }
        }
    }

    SelectableRaster& raster_;
    const Donor& donor_;
    const PatchGrid& grid_;
    const SynthesisSettings& settings_;
    const SynthesisHeapLimits& limits_;
    const SynthesisSplit& split_;
    std::unique_ptr<CandidateSearch> search_;  // built at the first search
    std::vector<HslTerms> columnStrip_, rowStrip_;
    std::vector<ColourTerm> colourTerms_;
    std::vector<LightTerm> lightTerms_;
};

}  // namespace

// ---------------------------------------------------------------------------
// [SECTION] Apply
// ---------------------------------------------------------------------------

void SynthesizeTexture(SelectableRaster& raster, const AbstractRasterFunction& function,
                       const SynthesisHeapLimits& limits, const SynthesisSplit& split) {
    const SynthesisSettings settings = ReadSettings(function, RenderScale(raster));
    SynthesisSplit threaded = split;
    if (threaded.threads == 0) threaded.threads = raster.Threads();
    const Donor donor = ExtractDonor(raster, settings);
    PatchGrid grid;
    if (!PlanPatches(settings, donor, raster.Width(), raster.Height(), grid)) return;

    PatchLayer layer(raster, donor, grid, settings, limits, threaded);
    for (int64_t py = 0; py < int64_t(raster.Height()); py += grid.step)
        for (int64_t px = 0; px < int64_t(raster.Width()); px += grid.step) layer.Lay(px, py);

    // The whole raster was tiled; only the selected pixels take the result
    // (every pixel already holds it when every pixel is selected).
    if (raster.AllSelected()) return;
    raster.BeginPass();
    for (const uint32_t index : raster.SelectedIndices())
        raster.SetPixel(int32_t(index), raster.GetPixel(int32_t(index)));
}

void SynthesizeTextureRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    SynthesizeTexture(raster, function, SynthesisHeapLimits{});
}
