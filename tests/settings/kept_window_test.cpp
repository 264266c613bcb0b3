// "kept" next to the test program: the editors' texts written a moment after
// the last change, at close and at the end of the session, and given back at
// the next start, with the real main dialog.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "builder/filecommands.h"
#include "builder/scan.h"
#include "files/keptformat.h"
#include "tests/window/harness.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

namespace {

const int editors[] = {IDC_NAME, IDC_FUNCTION, IDC_VARIABLES};

class Kept : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PrepareProgram());
        Clean();
        dialog = CreateMainWindow();
    }
    void TearDown() override
    {
        DestroyMainWindow(dialog);
        Clean();
    }
    void Clean()
    {
        for (const char* name : {"kept", "kept.damaged", "kept.damaged2", "conf", "kept-page.htm"})
            RemovePath(ProgramFile(name));
    }
    // Typed as a person would: a change the editor reports.
    void Type(int id, const std::string& text)
    {
        SendDlgItemMessageA(dialog, id, EM_REPLACESEL, TRUE, (LPARAM)text.c_str());
        PumpMessages();
    }
    std::string Editor(int id) { return WindowText(GetDlgItem(dialog, id)); }
    // Handles messages for the given time, as the program's loop would.
    void Wait(DWORD milliseconds)
    {
        for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(20))
            PumpMessages();
    }
    void Restart()
    {
        DestroyMainWindow(dialog);
        dialog = RestartMainWindow();
    }
    // The file as the program would read it: every text, or the failure.
    std::string KeptFile()
    {
        FILE* file = fopen(ProgramFile("kept").c_str(), "rb");
        if (!file)
            return "<missing>";
        KeptTexts texts;
        KeptResult result = ReadKeptTexts(file, &texts);
        fclose(file);
        if (result != keptOk)
            return "<damaged>";
        std::string joined = std::string(texts.text[0], texts.length[0]) + "|"
            + std::string(texts.text[1], texts.length[1]) + "|" + std::string(texts.text[2], texts.length[2]);
        FreeKeptTexts(&texts);
        return joined;
    }
    HWND dialog = NULL;
};

TEST_F(Kept, ClosedAndStartedAgainTheEditorsAndThePageAreTheSame)
{
    // Every byte a window text can hold, with the editors' own line breaks.
    std::string bytes;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n')
            bytes += char(c);
    Type(IDC_NAME, "Area");
    Type(IDC_FUNCTION, "Area#=W#*H#;\r\n" + bytes);
    Type(IDC_VARIABLES, "W\r\nH");
    std::string typed[3];
    for (int i = 0; i < 3; ++i)
        typed[i] = Editor(editors[i]);
    EXPECT_EQ("<missing>", KeptFile());  // not a write per key

    // The page made from them, as Alt+C writes it to the current file.
    ASSERT_TRUE(CopyText(currentFolder, sizeof currentFolder, ProgramFile("").c_str()));
    ASSERT_TRUE(CopyText(currentFileName, sizeof currentFileName, "kept-page.htm"));
    char path[260];
    ASSERT_TRUE(ComposeCurrentPath(path));
    SendMessageA(dialog, WM_COMMAND, IDM_CREATE_LAUNCH, 0);
    PumpMessages();
    std::string page = ReadWholeFile(ProgramFile("kept-page.htm"));
    ASSERT_NE("<missing>", page);
    std::string caption = WindowText(dialog);

    CloseMainWindow(dialog);
    EXPECT_EQ(typed[0] + "|" + typed[1] + "|" + typed[2], KeptFile());
    RemovePath(ProgramFile("kept-page.htm"));
    dialog = RestartMainWindow();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(caption, WindowText(dialog));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(typed[i], Editor(editors[i]));
    SendMessageA(dialog, WM_COMMAND, IDM_CREATE_LAUNCH, 0);
    PumpMessages();
    EXPECT_EQ(page, ReadWholeFile(ProgramFile("kept-page.htm")));
}

TEST_F(Kept, WrittenAfterTheDelaySoAnEndedProcessLosesNothing)
{
    Type(IDC_NAME, "Volume");
    Wait(keepDelay / 2);
    Type(IDC_VARIABLES, "r");  // starts the delay again
    Wait(keepDelay * 3 / 4);
    EXPECT_EQ("<missing>", KeptFile());
    Wait(keepDelay / 2 + 500);
    EXPECT_EQ("Volume||r", KeptFile());
    EXPECT_EQ(0, keeping.dirty);
    // Ended without its window being closed: nothing more is written.
    Restart();
    EXPECT_EQ("Volume", Editor(IDC_NAME));
    EXPECT_EQ("r", Editor(IDC_VARIABLES));

    // Loading changes nothing that needs writing, and neither does time.
    RemovePath(ProgramFile("kept"));
    Wait(keepDelay + 500);
    CloseMainWindow(dialog);
    EXPECT_EQ("<missing>", KeptFile());
    EXPECT_TRUE(shown.empty());
}

TEST_F(Kept, NewEmptiesTheEditorsAndTheFile)
{
    Type(IDC_FUNCTION, "x#=1;");
    CloseMainWindow(dialog);
    dialog = RestartMainWindow();
    EXPECT_EQ("x#=1;", Editor(IDC_FUNCTION));
    // Kept texts that no page holds: New asks first, and No goes on.
    answerShown = [](HWND box) { return PostMessageA(box, WM_COMMAND, IDNO, 0) != 0; };
    SendMessageA(dialog, WM_COMMAND, IDM_NEW, 0);
    Wait(keepDelay + 500);
    EXPECT_EQ(1u, shown.size());
    EXPECT_EQ("||", KeptFile());
}

TEST_F(Kept, EndOfTheSessionWritesTextsAndSettings)
{
    Type(IDC_NAME, "Session");
    SendMessageA(dialog, WM_QUERYENDSESSION, 0, 0);
    EXPECT_EQ("<missing>", KeptFile());
    SendMessageA(dialog, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ("Session||", KeptFile());
    EXPECT_NE("<missing>", ReadWholeFile(ProgramFile("conf")));
}

TEST_F(Kept, DamagedFileIsMovedAsideWithOneMessage)
{
    Type(IDC_NAME, "Good");
    CloseMainWindow(dialog);
    std::string good = ReadWholeFile(ProgramFile("kept"));
    const std::string damaged[] = {good.substr(0, good.size() - 1), "not a kept file"};
    const char* aside[] = {"kept.damaged", "kept.damaged2"};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(WriteWholeFile(ProgramFile("kept"), damaged[i]));
        dialog = RestartMainWindow();
        ASSERT_EQ(1u, shown.size());
        EXPECT_EQ(ProgramString(IDS_KEPT_DAMAGED), shown[0].text);
        for (int id : editors)
            EXPECT_EQ("", Editor(id));
        EXPECT_EQ("<missing>", KeptFile());
        // The next write is a new file; what the damaged one held stays aside.
        Type(IDC_NAME, "Again");
        CloseMainWindow(dialog);
        EXPECT_EQ("Again||", KeptFile());
        EXPECT_EQ(damaged[i], ReadWholeFile(ProgramFile(aside[i])));
    }
    EXPECT_EQ(damaged[0], ReadWholeFile(ProgramFile(aside[0])));
    dialog = NULL;
}

TEST_F(Kept, FailedWriteIsReportedOncePerRunAndTouchesNoText)
{
    Type(IDC_NAME, "Before");
    CloseMainWindow(dialog);
    dialog = RestartMainWindow();
    // Held open without sharing, the file cannot be replaced.
    HANDLE held = CreateFileA(ProgramFile("kept").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Type(IDC_NAME, " one");
    Wait(keepDelay + 500);
    Type(IDC_NAME, " two");
    Wait(keepDelay + 500);
    CloseMainWindow(dialog);
    CloseHandle(held);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(ProgramString(IDS_KEPT_WRITE_FAILED), shown[0].text);
    EXPECT_TRUE(shown[0].owner == NULL);
    EXPECT_EQ("Before||", KeptFile());  // the old file whole

    // A file that is there but cannot be read is left alone for the whole run.
    RemovePath(ProgramFile("kept"));
    ASSERT_TRUE(CreateDirectoryA(ProgramFile("kept").c_str(), NULL));
    dialog = RestartMainWindow();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(ProgramString(IDS_KEPT_READ_FAILED), shown[0].text);
    Type(IDC_NAME, "Lost?");
    CloseMainWindow(dialog);
    EXPECT_EQ(1u, shown.size());
    EXPECT_TRUE(GetFileAttributesA(ProgramFile("kept").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    dialog = NULL;
}

}  // namespace
