// What the terminal shows: sizes, durations, names from the computer, columns and progress.

#include "ProgressBoard.h"
#include "TextFormat.h"

#include <gtest/gtest.h>

using namespace pd::cli;

TEST(TextFormat, SizesUseDecimalUnitsAndRoundAcrossUnitBoundaries) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"},
        {999, "999 B"},
        {1000, "1.0 kB"},
        {1049, "1.0 kB"},
        {2'400'000, "2.4 MB"},
        {9'960'000, "10 MB"},  // rounds to ten: no "10.0"
        {24'400'000, "24 MB"},
        {999'960, "1.0 MB"},  // not "1000 kB"
        {2'500'000'000, "2.5 GB"},
        {18'446'744'073'709'551'615ull, "18447 PB"},  // the largest size still prints
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(formatSize(bytes), text) << bytes;
    }
    EXPECT_EQ(formatDuration(std::chrono::seconds(7)), "0:07");
    EXPECT_EQ(formatDuration(std::chrono::seconds(754)), "12:34");
    EXPECT_EQ(formatDuration(std::chrono::seconds(3723)), "1:02:03");
}

TEST(TextFormat, NamesKeepPrintableTextAndShowControlsAsEscapes) {
    const std::pair<std::string, std::string> cases[] = {
        {"report.docx", "report.docx"},
        {"a\nb", "a\\nb"},
        {"tab\there", "tab\\there"},
        {"\x1b[31mred", "\\e[31mred"},
        {"bell\x07", "bell\\x07"},
        {"del\x7f", "del\\x7f"},
        {"caf\xc3\xa9", "caf\xc3\xa9"},                                    // é stays
        {"\xe6\x96\x87\xe4\xbb\xb6.txt", "\xe6\x96\x87\xe4\xbb\xb6.txt"},  // CJK stays
        {"bad\xff", "bad\\xff"},                                           // not UTF-8
        {"\xc0\xaf", "\\xc0\\xaf"},                                        // overlong '/'
        {"a\xc2\x85z", "a\\u0085z"},                                       // C1 control
        {"evil\xe2\x80\xaetxt.exe", "evil\\u202etxt.exe"},                 // right-to-left override
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(visibleText(in), out);
    }
}

TEST(TextFormat, WidthCountsTerminalColumns) {
    EXPECT_EQ(displayWidth("abc"), 3u);
    EXPECT_EQ(displayWidth("\xe6\x96\x87\xe4\xbb\xb6"), 4u);  // two wide characters
    EXPECT_EQ(displayWidth("e\xcc\x81"), 1u);                 // e + combining acute
    EXPECT_EQ(fitToWidth("ab", 4), "ab  ");
    EXPECT_EQ(fitToWidth("abcdef", 4), "abc…");
    // A wide character that does not fit is left out whole, and the line stays 4 columns.
    const std::string cut = fitToWidth("a\xe6\x96\x87\xe4\xbb\xb6", 4);
    EXPECT_EQ(cut, "a\xe6\x96\x87…");
    EXPECT_EQ(displayWidth(cut), 4u);
    EXPECT_EQ(displayWidth(fitToWidth("\xe6\x96\x87\xe4\xbb\xb6\xe6\x96\x87", 4)), 4u);
}

TEST(TextFormat, TableAlignsByDisplayWidthAndDropsEmptyColumns) {
    Table table({Table::Align::Left, Table::Align::Right, Table::Align::Left, Table::Align::Left});
    table.addRow({"file", "3 B", "", "a.txt"});
    table.addRow({"folder", "", "", "\xe6\x96\x87\xe4\xbb\xb6"});
    table.addRow({"file", "2.4 MB", "", "z"});
    std::string text;
    table.renderInto(text);
    EXPECT_EQ(text,
              "file       3 B  a.txt\n"
              "folder          \xe6\x96\x87\xe4\xbb\xb6\n"
              "file    2.4 MB  z\n");

    Table wide({Table::Align::Left, Table::Align::Left});
    wide.addRow({"\xe6\x96\x87", "x"});
    wide.addRow({"ab", "y"});
    wide.addRow({"abc", "z"});
    text.clear();
    wide.renderInto(text);
    EXPECT_EQ(text, "\xe6\x96\x87   x\nab   y\nabc  z\n");

    Table ragged({Table::Align::Left, Table::Align::Left, Table::Align::Left});
    ragged.addRow({"desktop", "Desktop", ""});
    ragged.addRow({"drive", "D:", "Data"});
    text.clear();
    ragged.renderInto(text);
    EXPECT_EQ(text, "desktop  Desktop\ndrive    D:       Data\n");  // no trailing blanks
}

// Whole lines: the figures start in the same column whatever the name's width, a finished file
// shows its full size and no time left, and an unknown size shows bytes alone.
TEST(ProgressLine, ShowsBytesSpeedAndTimeLeftAndReachesFullOnlyWhenWhole) {
    EXPECT_EQ(progressLine("song.mp3", 10, 1'250'000, 2'500'000, 500'000, false),
              "song.mp3   [##########..........]  50%      1.2 MB / 2.5 MB    500 kB/s  ETA 0:03");
    EXPECT_EQ(progressLine("x", 4, 2'499'999, 2'500'000, 0, false),
              "x    [###################.]  99%      2.5 MB / 2.5 MB");
    EXPECT_EQ(progressLine("x", 4, 1'000, 2'500'000, 0, true),
              "x    [####################] 100%      2.5 MB / 2.5 MB  done");
    EXPECT_EQ(progressLine("x", 4, 3'000, 0, 0, false), "x       3.0 kB");
    EXPECT_EQ(progressLine("\xe6\x96\x87\xe4\xbb\xb6", 8, 0, 10, 0, false),
              "\xe6\x96\x87\xe4\xbb\xb6     [....................]   0%           0 B / 10 B");
}
