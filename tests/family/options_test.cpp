// Command-line parsing, output names and the contact sheet layout.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "family/bitmap_font.h"
#include "family/contact_sheet.h"
#include "family/options.h"
#include "family/output_names.h"

namespace {

struct Parsed {
    ParseOutcome outcome;
    int status;
    FamilyOptions options;
};

Parsed ParseArgs(std::vector<const char*> args) {
    args.insert(args.begin(), "tavelin-family");
    Parsed p{};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    p.outcome = ParseFamilyArguments(int(args.size()), args.data(), p.options, p.status);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return p;
}

}  // namespace

TEST(FamilyArguments, AcceptsLongShortAndInlineForms) {
    Parsed p = ParseArgs({"--seeds", "-5--1", "brick.pcg", "-o", "out", "-j2", "--pattern=<seed>.png",
                          "--contact-sheet", "sheet.png", "--shard", "2/3", "--skip-existing", "-q"});
    ASSERT_EQ(p.outcome, ParseOutcome::kRun);
    EXPECT_EQ(p.options.project, "brick.pcg");
    EXPECT_EQ(p.options.seeds, "-5--1");
    EXPECT_EQ(p.options.outDir, "out");
    EXPECT_EQ(p.options.jobs, 2u);
    EXPECT_EQ(p.options.pattern, "<seed>.png");
    EXPECT_EQ(p.options.contactSheet, "sheet.png");
    EXPECT_EQ(p.options.shardIndex, 2u);
    EXPECT_EQ(p.options.shardCount, 3u);
    EXPECT_TRUE(p.options.skipExisting);
    EXPECT_TRUE(p.options.quiet);

    p = ParseArgs({"--out=o", "-s1-9", "--", "-odd.pcg"});
    ASSERT_EQ(p.outcome, ParseOutcome::kRun);
    EXPECT_EQ(p.options.project, "-odd.pcg");
    EXPECT_EQ(p.options.seeds, "1-9");
    EXPECT_EQ(p.options.pattern, "<project>-<seed>.png");
    EXPECT_EQ(p.options.jobs, 0u);
    EXPECT_EQ(p.options.shardCount, 1u);

    for (const char* flag : {"--help", "-h", "--version", "-V"}) {
        p = ParseArgs({flag});
        EXPECT_EQ(p.outcome, ParseOutcome::kExit);
        EXPECT_EQ(p.status, 0) << flag;
    }
}

TEST(FamilyArguments, RefusesBadCommandLinesWithTheUsageStatus) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"p.pcg", "--out", "o"},
        {"p.pcg", "--seeds", "1"},
        {"p.pcg", "--seeds", "1", "--out"},
        {"p.pcg", "q.pcg", "--seeds", "1", "--out", "o"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--frobnicate"},
        {"p.pcg", "--seeds", "1", "--out", "o", "-x"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--quiet=yes"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--jobs", "0"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--jobs", "two"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--jobs", "-1"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--shard", "0/3"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--shard", "4/3"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--shard", "1"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--shard", "a/b"},
        {"p.pcg", "--seeds", "1", "--out", "o", "--shard", "1/3x"},
    };
    for (const auto& args : bad) {
        const Parsed p = ParseArgs(args);
        std::string shown;
        for (const char* a : args) shown += std::string(a) + " ";
        EXPECT_EQ(p.outcome, ParseOutcome::kExit) << shown;
        EXPECT_EQ(p.status, kExitUsage) << shown;
    }
    EXPECT_EQ(ExecutableName("/usr/bin/tavelin-family"), "tavelin-family");
    EXPECT_EQ(ExecutableName("bin/x/"), "x");
}

TEST(MemberNames, PatternsStayInTheFolderAndNameEveryMemberApart) {
    EXPECT_EQ(ProjectStem("art/brick.pcg"), "brick");
    EXPECT_EQ(ProjectStem("brick.v2.pcg"), "brick.v2");
    EXPECT_EQ(MemberFileName("<project>-<seed>.png", "brick", "7_9", 4), "brick-7_9.png");
    EXPECT_EQ(MemberFileName("<index>_<seed>_<project>.png", "b", "-3", 12), "12_-3_b.png");

    for (const char* good : {"<project>-<seed>.png", "<seed>", "x<index>.png", "<seed><seed>.png"})
        EXPECT_EQ(CheckPattern(good), "") << good;
    for (const char* bad : {"", "sub/<seed>.png", "../<seed>.png", "<project>.png", "fixed.png", "<seeds>.png",
                            "<seed>-<tile>.png", "a>b<seed>.png", ".", ".."})
        EXPECT_NE(CheckPattern(bad), "") << bad;
}

TEST(ContactSheetLayout, PlacesEveryMemberInItsCellWithItsLabel) {
    ContactSheet sheet({"1", "2", "3", "-2147483648_7"}, 10, 8);
    ASSERT_FALSE(sheet.TooLarge());
    sheet.Prepare();
    const RgbaImage& image = sheet.Image();
    ASSERT_EQ(size_t(image.width), sheet.Width());
    // Four members on a 2 x 2 grid; a cell is wider than a member to hold the longest label.
    const int cellWidth = int(sheet.Width()) / 2, cellHeight = int(sheet.Height()) / 2;
    EXPECT_GT(cellWidth, TextWidth("-2147483648_7", 1));

    std::vector<unsigned char> member(10 * 8 * 4);
    for (size_t cell = 0; cell < 4; ++cell) {
        for (size_t i = 0; i < member.size(); i += 4) {
            member[i] = uint8_t(cell * 50 + i % 7);
            member[i + 1] = uint8_t(i / 4);
            member[i + 2] = 9;
            member[i + 3] = 255;
        }
        sheet.Place(cell, member.data());
        // Find the member's top-left pixel inside its cell and compare the block.
        const int left = int(cell % 2) * cellWidth + (cellWidth - 10) / 2;
        const int top = int(cell / 2) * cellHeight + 6;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x)
                for (int k = 0; k < 4; ++k)
                    ASSERT_EQ(image.pixels[(size_t(top + y) * image.width + size_t(left + x)) * 4 + k],
                              member[(size_t(y) * 10 + size_t(x)) * 4 + k])
                        << "cell " << cell << " x " << x << " y " << y;
    }
    // Labels are drawn in the strip below each member: light ink on the dark background.
    auto inkInRows = [&](int cell, int y0, int y1) {
        int ink = 0;
        const int left = (cell % 2) * cellWidth, top = (cell / 2) * cellHeight;
        for (int y = top + y0; y < top + y1; ++y)
            for (int x = left; x < left + cellWidth; ++x) ink += image.pixels[(size_t(y) * image.width + x) * 4] > 200;
        return ink;
    };
    EXPECT_GT(inkInRows(3, 8 + 6, cellHeight), inkInRows(0, 8 + 6, cellHeight));
    EXPECT_GT(inkInRows(0, 8 + 6, cellHeight), 0);
}

TEST(BitmapFont, DrawsDistinctGlyphsAndABoxForUnknownCharacters) {
    std::set<std::vector<uint8_t>> shapes;
    for (char c : std::string("0123456789-_")) shapes.insert(std::vector<uint8_t>(GlyphRows(c), GlyphRows(c) + 7));
    EXPECT_EQ(shapes.size(), 12u);
    EXPECT_EQ(GlyphRows('~'), GlyphRows('\x01'));
    RgbaImage image(20, 10);
    const uint8_t red[4] = {255, 0, 0, 255};
    DrawText(image, 1, 1, "1", 1, red);
    // The digit one: a vertical stem in its middle column, a foot three wide.
    EXPECT_EQ(image.At(3, 4)[0], 255);
    EXPECT_EQ(image.At(1, 4)[0], 0);
    EXPECT_EQ(image.At(2, 7)[0], 255);
    EXPECT_EQ(image.At(4, 7)[0], 255);
    DrawText(image, 15, 0, "888", 2, red);  // clipped at the edge, no write outside
    EXPECT_EQ(TextWidth("12", 2), 22);
}
