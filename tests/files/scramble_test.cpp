#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/scramble.h"

namespace {

std::string Unscrambled(const unsigned char* stored, int length)
{
    char out[32] = {};
    UnscrambleText(stored, out, length);
    return std::string(out, static_cast<size_t>(length));
}

TEST(Scramble, EveryStoredTextGivesItsPlainText)
{
    using namespace std::string_literals;
    EXPECT_EQ(Unscrambled(scrambledSeparators, separatorsLength), "\\/\0"s);
    EXPECT_EQ(Unscrambled(scrambledOpenMode, openModeLength), "wb\0"s);
    EXPECT_EQ(Unscrambled(scrambledLinkLeadingText, linkLeadingTextLength), "[InternetShortcut]\r\nURL=\0"s);
    EXPECT_EQ(Unscrambled(scrambledProgramTitle, programTitleLength), "Tallisk 1.0");
    EXPECT_EQ(Unscrambled(scrambledLinkLabel, linkLabelLength), "Tallisk home page:");
    EXPECT_EQ(Unscrambled(scrambledWebAddress, webAddressLength), "https://tallisk.example.org");
    EXPECT_EQ(Unscrambled(scrambledAboutSecondLine, aboutSecondLineLength), "(c) Tallisk\0"s);
}

TEST(Scramble, KeyHasNoZeroAndWritesOnlyTheGivenLength)
{
    for (unsigned char k : ScrambleKey)
        EXPECT_NE(k, 0);

    char out[40];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(UnscrambleText(scrambledProgramTitle, out, 0), out);
    EXPECT_EQ(UnscrambleText(scrambledProgramTitle, out, -3), out);
    EXPECT_EQ(out[0], 'x');

    EXPECT_EQ(UnscrambleText(scrambledWebAddress, out, webAddressLength), out);
    EXPECT_EQ(out[webAddressLength], 'x');
    // Twice gives the same bytes: nothing is kept between calls.
    EXPECT_EQ(Unscrambled(scrambledWebAddress, webAddressLength), std::string(out, webAddressLength));
}

const char* After(char* path)
{
    return AfterLastSeparator(path);
}

TEST(Scramble, AfterLastSeparatorFindsTheBareName)
{
    char full[] = "Z:\\tmp\\app\\Tallisk.exe";
    EXPECT_STREQ(After(full), "Tallisk.exe");

    char bare[] = "Tallisk.exe";
    EXPECT_EQ(After(bare), bare);

    char folder[] = "C:\\dir\\";
    EXPECT_EQ(After(folder), folder + strlen(folder));

    char empty[] = "";
    EXPECT_EQ(After(empty), empty);

    char rootOnly[] = "\\";
    EXPECT_EQ(After(rootOnly), rootOnly + 1);

    // The separator found last wins, whichever of the two it is.
    char slashLast[] = "a\\b/c";
    EXPECT_STREQ(After(slashLast), "c");
    char backslashLast[] = "a/b\\cd";
    EXPECT_STREQ(After(backslashLast), "cd");
}

}  // namespace
