// The package's string routines, table-driven: URLs, separators, list
// search and splitting, replacement, paths and the minimum.
#include <gtest/gtest.h>

#include <climits>

#include "folvex/runtime/FolvexRoutines.h"

namespace {

using List = std::vector<std::string>;

TEST(FolvexText, UrlsAndSeparators) {
    const struct { const char* text; bool url; } urls[] = {
        {"mailto:someone@example.com", true}, {"FTP://host/doc.pdf", true},
        {"Https://host/doc.pdf", true},      {"http:", true},
        {"C:\\Docs\\doc.pdf", false},         {"file:///C:/Docs/doc.pdf", false},
        {"doc.pdf", false},                   {"", false},
        {"httpx://host", false},              {"news:http://host", false},
    };
    for (const auto& c : urls) EXPECT_EQ(folvex::IsUrl(c.text), c.url) << c.text;

    const struct { const char* text; char sep; const char* half; } halves[] = {
        {"AcroPDF.PDF.1", '.', "AcroPDF"}, {"PDF", '.', "PDF"}, {".PDF", '.', ""}, {"", '.', ""},
    };
    for (const auto& c : halves) EXPECT_EQ(folvex::FirstHalf(c.text, c.sep), c.half) << c.text;

    const struct { const char* text; List items; int index; } tabs[] = {
        {"acropdf", {"PDF", "AcroPDF"}, 1}, {"Reader", {"PDF", "AcroPDF"}, -1},
        {"pdf", {}, -1},                    {"b", {"B", "b"}, 0},
        {"\xE9", {"\xC9"}, -1},  // only ASCII letters change case
    };
    for (const auto& c : tabs) EXPECT_EQ(folvex::TabIndex(c.text, c.items), c.index) << c.text;
}

TEST(FolvexText, SegmentStringToListKeepsInnerEmptyPieces) {
    const struct { const char* text; List lines; } cases[] = {
        {"a,,b", {"a", "", "b"}}, {"a,", {"a"}}, {",a", {"", "a"}}, {",", {""}},
        {"", {}},                 {"AcroPDF=8.1.2,Plugin=8.1.2", {"AcroPDF=8.1.2", "Plugin=8.1.2"}},
    };
    for (const auto& c : cases) {
        fw::TStringList list;
        list.Add("stale");
        folvex::SegmentStringToList(c.text, ',', list);
        EXPECT_EQ(list.Items(), c.lines) << c.text;
    }
}

TEST(FolvexText, ReplacingAndPaths) {
    const struct { const char* search; const char* by; const char* text; const char* out; } repl[] = {
        {"\r\n", "", "Not found.\r\n", "Not found."}, {"", "x", "abc", "abc"},
        {"aa", "b", "aaa", "ba"},  // left to right, no overlap
        {"a", "aa", "aXa", "aaXaa"},  // the replacement is not searched again
        {"A", "x", "aA", "ax"},                        {"abc", "", "ab", "ab"},
    };
    for (const auto& c : repl) EXPECT_EQ(folvex::Replace(c.search, c.by, c.text), c.out) << c.text;

    const struct { const char* chars; const char* by; const char* text; const char* out; } chars[] = {
        {" &?/%.:", "_______", "My App 1.0", "My_App_1_0"},
        {"aa", "xy", "a", "x"},     // the first position counts
        {"ab", "x", "abc", "xbc"},  // no counterpart: unchanged, nothing read beyond
    };
    for (const auto& c : chars)
        EXPECT_EQ(folvex::ReplaceChars(c.chars, c.by, c.text), c.out) << c.text;

    const struct { const char* path; const char* slashed; } slashes[] = {
        {"C:\\Docs", "C:\\Docs\\"}, {"C:\\Docs\\", "C:\\Docs\\"}, {"", ""}, {"C:", "C:\\"},
    };
    for (const auto& c : slashes) EXPECT_EQ(folvex::WithEndSlash(c.path), c.slashed) << c.path;

    const struct { const char* path; const char* prefix; } prefixes[] = {
        {"C:\\Docs\\report.final.pdf", "report"}, {"C:\\v1.2\\readme", "readme"},
        {"D:notes.txt", "notes"},                  {"report", "report"},
        {"C:\\Docs\\", ""},
    };
    for (const auto& c : prefixes) EXPECT_EQ(folvex::ExtractFilePrefix(c.path), c.prefix) << c.path;

    EXPECT_EQ(folvex::Inf(5, 3), 3);
    EXPECT_EQ(folvex::Inf(3, 5), 3);
    EXPECT_EQ(folvex::Inf(INT_MIN, INT_MAX), INT_MIN);
}

}  // namespace
