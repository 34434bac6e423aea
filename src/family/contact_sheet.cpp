#include "family/contact_sheet.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPadding = 6;
const uint8_t kBackground[4] = {40, 40, 44, 255};
const uint8_t kInk[4] = {236, 236, 236, 255};

}  // namespace

ContactSheet::ContactSheet(std::vector<std::string> labels, int memberWidth, int memberHeight)
    : labels_(std::move(labels)), memberWidth_(memberWidth), memberHeight_(memberHeight) {
    for (std::string& label : labels_)
        if (label.size() > kMaxLabel) label = label.substr(0, kMaxLabel - 2) + "..";
    size_t longest = 0;
    for (const std::string& label : labels_) longest = std::max(longest, label.size());
    const std::string widest(longest, '0');
    // Large glyphs while the longest label fits under its member, small ones beyond.
    scale_ = TextWidth(widest, 2) <= memberWidth_ ? 2 : 1;
    cellWidth_ = std::max(memberWidth_, TextWidth(widest, scale_)) + 2 * kPadding;
    cellHeight_ = memberHeight_ + kGlyphHeight * scale_ + 3 * kPadding;
    const size_t n = labels_.size();
    columns_ = std::max(1, int(std::ceil(std::sqrt(double(n)))));
    rows_ = std::max(1, int((n + size_t(columns_) - 1) / size_t(columns_)));  // an empty run still gives a picture
}

void ContactSheet::Prepare() {
    image_ = RgbaImage(uint32_t(Width()), uint32_t(Height()));
    for (size_t i = 0; i < image_.pixels.size(); i += 4)
        std::copy(kBackground, kBackground + 4, image_.pixels.begin() + long(i));
    for (size_t cell = 0; cell < labels_.size(); ++cell) {
        const int left = int(cell % size_t(columns_)) * cellWidth_;
        const int top = int(cell / size_t(columns_)) * cellHeight_;
        const int textX = left + (cellWidth_ - TextWidth(labels_[cell], scale_)) / 2;
        DrawText(image_, textX, top + 2 * kPadding + memberHeight_, labels_[cell], scale_, kInk);
    }
}

void ContactSheet::Place(size_t cell, const RgbaImage& member) {
    const int left = int(cell % size_t(columns_)) * cellWidth_ + (cellWidth_ - memberWidth_) / 2;
    const int top = int(cell / size_t(columns_)) * cellHeight_ + kPadding;
    for (int y = 0; y < memberHeight_; ++y) {
        for (int x = 0; x < memberWidth_; ++x) {
            const uint8_t* s = member.At(uint32_t(x), uint32_t(y));
            uint8_t* d = image_.At(uint32_t(left + x), uint32_t(top + y));
            const unsigned a = s[3];
            if (a == 255) {
                std::copy(s, s + 4, d);
                continue;
            }
            const unsigned check = ((x / 8 + y / 8) % 2) ? 204 : 255;
            for (int k = 0; k < 3; ++k) d[k] = uint8_t((s[k] * a + check * (255 - a) + 127) / 255);
            d[3] = 255;
        }
    }
}
