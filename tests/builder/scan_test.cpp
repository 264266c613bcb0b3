// Edge cases of the scanning helpers that the page tests do not reach; the
// page tests cover how the writer combines them and restores every cut.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "builder/scan.h"

TEST(Scan, TheTerminatorIsNeverInASet)
{
    EXPECT_TRUE(IsCharInSet(lineBreakSet, '\n'));
    EXPECT_FALSE(IsCharInSet(lineBreakSet, 0));
    EXPECT_FALSE(IsCharInSet("", 0));
    EXPECT_FALSE(IsCharInSet("", 'a'));
    EXPECT_TRUE(IsCharInSet("\xe9", '\xe9'));

    char text[] = "ab";
    char* cursor = text + 2;
    SkipCharsInSet(cursor, "ab");
    SkipToCharInSet(cursor, slashSet);
    SkipToCharInSet(cursor, lineBreakSet);
    EXPECT_EQ(cursor, text + 2);
    cursor = text;
    SkipToCharInSet(cursor, "");
    EXPECT_EQ(cursor, text + 2);
}

TEST(Scan, CutLine)
{
    char empty[] = "";
    char* cursor = empty;
    char* lineEnd = empty;
    char cut = 'x';
    EXPECT_EQ(CutLine(cursor, lineEnd, cut), empty);
    EXPECT_EQ(lineEnd, nullptr);
    EXPECT_EQ(cut, 'x');

    // Only the CR of a CR LF is cut; the LF is left for the skip.
    char text[] = "ab\r\n\n\rc";
    cursor = text;
    EXPECT_STREQ(CutLine(cursor, lineEnd, cut), "ab");
    EXPECT_EQ(lineEnd, text + 2);
    EXPECT_EQ(cursor, text + 2);
    EXPECT_EQ(cut, '\r');
    *lineEnd = cut;
    SkipCharsInSet(cursor, lineBreakSet);
    EXPECT_STREQ(CutLine(cursor, lineEnd, cut), "c");
    EXPECT_EQ(lineEnd, nullptr);
    EXPECT_EQ(memcmp(text, "ab\r\n\n\rc", sizeof text), 0);
}

TEST(Scan, CutAtSlashCutsOnlyTheFirst)
{
    char text[] = "a/b/c";
    char* cursor = text;
    bool found = false;
    char* slash = nullptr;
    EXPECT_TRUE(CutAtSlash(cursor, found, slash));
    EXPECT_EQ(slash, text + 1);
    EXPECT_EQ(cursor, text + 1);
    EXPECT_STREQ(text + 2, "b/c");

    char none[] = "abc";
    cursor = none;
    EXPECT_FALSE(CutAtSlash(cursor, found, slash));
    EXPECT_FALSE(found);
    EXPECT_EQ(slash, nullptr);
    EXPECT_EQ(cursor, none + 3);
}

// The searches step through short runs themselves and hand longer ones to
// the library, and a line's search first passes runs of sixteen characters
// without a line break: each finds its character, or the terminator, at any
// distance.
TEST(Scan, CutsFindTheirCharacterAtAnyDistance)
{
    for (size_t at = 0; at < 100; ++at) {
        for (const char* end : {"\n", "\r", "/", "&", ""}) {
            std::string line = std::string(at, 'a') + end + (*end != 0 ? "b/&\rc" : "");
            SCOPED_TRACE(line);
            // Where each search must stop: its first character, else the terminator.
            auto first = [line](const char* set) {
                size_t found = line.find_first_of(set);
                return static_cast<ptrdiff_t>(found != std::string::npos ? found : line.size());
            };
            char* start = &line[0];
            char* cursor = start;
            char* lineEnd = nullptr;
            char cut = 0;
            CutLine(cursor, lineEnd, cut);
            EXPECT_EQ(cursor - start, first("\r\n"));
            if (lineEnd != nullptr)
                *lineEnd = cut;

            cursor = start;
            bool found = false;
            char* slash = nullptr;
            CutAtSlash(cursor, found, slash);
            EXPECT_EQ(cursor - start, first("/"));
            if (found)
                *slash = '/';

            char* ampersand = nullptr;
            char key = 0;
            CutAtAccessKey(cursor, start, key, ampersand);
            EXPECT_EQ(ampersand != nullptr ? ampersand - start : static_cast<ptrdiff_t>(line.size()), first("&"));
        }
    }
}

TEST(Scan, CutAtAccessKey)
{
    struct {
        const char* label;
        const char* lead;
        char key;
        const char* tail;
        int ampersandAt;  // -1: none
    } const cases[] = {
        {"&Width", "", 'W', "idth", 0},
        {"a&&b", "a", '&', "b", 1},
        {"a&", "a", 0, "", 1},
        {"abc", "abc", 0, "", -1},
        {"x&y&z", "x", 'y', "&z", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        char text[16];
        ASSERT_TRUE(CopyText(text, sizeof text, c.label));
        char* cursor = nullptr;
        char key = 'x';
        char* ampersand = text;
        CutAtAccessKey(cursor, text, key, ampersand);
        EXPECT_STREQ(text, c.lead);
        EXPECT_EQ(key, c.key);
        EXPECT_STREQ(cursor, c.tail);
        EXPECT_EQ(ampersand, c.ampersandAt < 0 ? nullptr : text + c.ampersandAt);
    }
}

TEST(Scan, CopyAndAppendAreAllOrNothing)
{
    char buffer[6];
    memset(buffer, 'z', sizeof buffer);
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "abcde"));
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "abcdef"));
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_FALSE(CopyText(buffer, 0, ""));

    ASSERT_TRUE(CopyText(buffer, sizeof buffer, "ab"));
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "cd"));
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "ef"));
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "e"));
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "f"));
    EXPECT_STREQ(buffer, "abcde");

    // A destination without a terminator inside its size takes nothing.
    char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(AppendText(full, sizeof full, ""));
    EXPECT_EQ(std::string(full, 4), "abcd");
}
