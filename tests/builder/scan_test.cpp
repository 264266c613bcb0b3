#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "builder/scan.h"

TEST(Scan, SetMembership)
{
    EXPECT_TRUE(IsCharInSet(lineBreakSet, '\r'));
    EXPECT_TRUE(IsCharInSet(lineBreakSet, '\n'));
    EXPECT_FALSE(IsCharInSet(lineBreakSet, ' '));
    EXPECT_TRUE(IsCharInSet(slashSet, '/'));
    EXPECT_TRUE(IsCharInSet(ampersandSet, '&'));
    // The terminator is never a member, not even of a set it ends.
    EXPECT_FALSE(IsCharInSet(lineBreakSet, 0));
    EXPECT_FALSE(IsCharInSet("", 0));
    EXPECT_FALSE(IsCharInSet("", 'a'));
    EXPECT_TRUE(IsCharInSet("\xe9", '\xe9'));
}

TEST(Scan, SkippingStopsAtTheTerminator)
{
    char text[] = "\r\n\r\nab/c";
    char* cursor = text;
    SkipCharsInSet(cursor, lineBreakSet);
    EXPECT_EQ(cursor, text + 4);
    SkipToCharInSet(cursor, slashSet);
    EXPECT_EQ(cursor, text + 6);
    SkipToCharInSet(cursor, ampersandSet);
    EXPECT_EQ(cursor, text + 8);
    SkipToCharInSet(cursor, ampersandSet);
    SkipCharsInSet(cursor, "abc/");
    EXPECT_EQ(cursor, text + 8);

    char allBreaks[] = "\n\r\n";
    cursor = allBreaks;
    SkipCharsInSet(cursor, lineBreakSet);
    EXPECT_EQ(cursor, allBreaks + 3);
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
    EXPECT_EQ(cursor, empty);

    char leading[] = "\rab";
    cursor = leading;
    EXPECT_EQ(CutLine(cursor, lineEnd, cut), leading);
    EXPECT_EQ(lineEnd, leading);
    EXPECT_EQ(cut, '\r');
    EXPECT_STREQ(leading, "");

    // Only the CR of a CR LF is cut; the LF is left for the skip.
    char crlf[] = "ab\r\ncd";
    cursor = crlf;
    char* line = CutLine(cursor, lineEnd, cut);
    EXPECT_STREQ(line, "ab");
    EXPECT_EQ(lineEnd, crlf + 2);
    EXPECT_EQ(cursor, crlf + 2);
    EXPECT_EQ(crlf[3], '\n');

    char lf[] = "ab\ncd";
    cursor = lf;
    CutLine(cursor, lineEnd, cut);
    EXPECT_EQ(cut, '\n');

    char last[] = "cd";
    cursor = last;
    EXPECT_STREQ(CutLine(cursor, lineEnd, cut), "cd");
    EXPECT_EQ(lineEnd, nullptr);
    EXPECT_EQ(cursor, last + 2);
}

TEST(Scan, CutAtSlash)
{
    char text[] = "a/b/c";
    char* cursor = text;
    bool found = false;
    char* slash = nullptr;
    EXPECT_TRUE(CutAtSlash(cursor, found, slash));
    EXPECT_TRUE(found);
    EXPECT_EQ(slash, text + 1);
    EXPECT_EQ(cursor, text + 1);
    EXPECT_STREQ(text, "a");
    EXPECT_STREQ(text + 2, "b/c");

    char none[] = "abc";
    cursor = none;
    EXPECT_FALSE(CutAtSlash(cursor, found, slash));
    EXPECT_FALSE(found);
    EXPECT_EQ(slash, nullptr);
    EXPECT_EQ(cursor, none + 3);
}

struct KeyCase {
    const char* label;
    const char* lead;
    char key;
    const char* tail;
    int ampersandAt;  // -1: none
};

TEST(Scan, CutAtAccessKey)
{
    const KeyCase cases[] = {
        {"&Width", "", 'W', "idth", 0},
        {"a&&b", "a", '&', "b", 1},
        {"a&", "a", 0, "", 1},
        {"abc", "abc", 0, "", -1},
        {"", "", 0, "", -1},
        {"&", "", 0, "", 0},
        {"x&y&z", "x", 'y', "&z", 1},
    };
    for (const KeyCase& c : cases) {
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
        if (ampersand != nullptr)
            *ampersand = '&';
        EXPECT_STREQ(text, c.label);
    }
}

// The calling pattern of the page writer: every reported cut written back
// gives the text as it was.
TEST(Scan, WritingBackTheCutsRestoresTheText)
{
    const char original[] = "&Width/m/3/x\r\n\r\nb&&c//\n?&Go";
    char text[sizeof original];
    memcpy(text, original, sizeof original);
    char* cursor = text;
    int rows = 0;
    while (*cursor != 0 && *cursor != '?') {
        char* lineEnd;
        char cut = 0;
        char* line = CutLine(cursor, lineEnd, cut);
        char* part = line;
        bool hasSlash, hasSecond = false;
        char *first, *second = nullptr, *ampersand;
        char key;
        CutAtSlash(part, hasSlash, first);
        char* tail = nullptr;
        CutAtAccessKey(tail, line, key, ampersand);
        if (hasSlash) {
            part = first + 1;
            CutAtSlash(part, hasSecond, second);
        }
        ++rows;
        if (lineEnd != nullptr)
            *lineEnd = cut;
        if (ampersand != nullptr)
            *ampersand = '&';
        if (hasSlash)
            *first = '/';
        if (hasSecond)
            *second = '/';
        SkipCharsInSet(cursor, lineBreakSet);
    }
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(cursor, text + strlen(original) - 4);
    EXPECT_EQ(memcmp(text, original, sizeof original), 0);
}

TEST(Scan, CopyTextIsAllOrNothing)
{
    char buffer[6];
    memset(buffer, 'z', sizeof buffer);
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "abcde"));
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "abcdef"));
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_FALSE(CopyText(buffer, 0, ""));
    EXPECT_TRUE(CopyText(buffer, 1, ""));
    EXPECT_STREQ(buffer, "");
}

TEST(Scan, AppendTextIsAllOrNothing)
{
    char buffer[6] = "ab";
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "cd"));
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "ef"));
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "e"));
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, ""));
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "f"));

    // A destination without a terminator inside its size takes nothing.
    char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(AppendText(full, sizeof full, ""));
    EXPECT_EQ(std::string(full, 4), "abcd");
}
