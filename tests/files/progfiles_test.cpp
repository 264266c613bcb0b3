// The program folder and the files written next to the program, under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "files/progfiles.h"
#include "tests/window/harness.h"

namespace {

TEST(ProgramFiles, ProgramFolderIsTheFolderOfTheRunningFile)
{
    char module[300] = {};
    GetModuleFileNameA(NULL, module, sizeof module);
    std::string folder = ProgramFile("");
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(std::string(module), folder + "progfiles_test.exe");

    // Whatever the current directory is.
    char before[300] = {};
    GetCurrentDirectoryA(sizeof before, before);
    SetCurrentDirectoryA("C:\\");
    EXPECT_EQ(ProgramFile(""), folder);
    SetCurrentDirectoryA(before);
}

TEST(ProgramFiles, WriteBufferToFileReportsOnlyWholeWrites)
{
    std::string path = ProgramFile("") + "buffer-test.bin";
    const char data[] = "abc\0def";
    EXPECT_EQ(WriteBufferToFile(path.c_str(), sizeof data, data), 1);
    EXPECT_EQ(ReadWholeFile(path), std::string(data, sizeof data));
    DeleteFileA(path.c_str());

    // A full disk takes a small write into the stream's buffer and refuses
    // it only at the flush; a large one fails at once.
    std::string big(10000, 'b');
    EXPECT_EQ(WriteBufferToFile("Z:\\dev\\full", 10, big.data()), 0);
    EXPECT_EQ(WriteBufferToFile("Z:\\dev\\full", static_cast<int>(big.size()), big.data()), 0);
    EXPECT_EQ(WriteBufferToFile((ProgramFile("") + "no-such-folder\\x.bin").c_str(), 3, "abc"), 0);
}

TEST(ProgramFiles, OpenLinkFileWritesAnInternetShortcutAndOpensIt)
{
    std::string folder = ProgramFile("");
    std::string log = folder + "link-opened.log";
    RecordOpenedFilesIn(log);
    DeleteFileA(log.c_str());

    std::string link = folder + "link-test.url";
    ASSERT_EQ(OpenLinkFile("https://tallisk.example.org", "link-test.url"), 1);
    EXPECT_EQ(
        ReadWholeFile(link), std::string("[InternetShortcut]\r\nURL=https://tallisk.example.org\0", 52));
    EXPECT_TRUE(WaitForOpened(link)) << ReadWholeFile(log);

    // A name that does not fit the path buffer writes nothing.
    EXPECT_EQ(OpenLinkFile("https://tallisk.example.org", std::string(299, 'n').c_str()), 0);
    EXPECT_EQ(OpenLinkFile("x", "no-such-folder\\about.url"), 0);
    DeleteFileA(link.c_str());
    DeleteFileA(log.c_str());
}

}  // namespace
