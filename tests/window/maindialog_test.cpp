// The real main dialog's commands, with the file dialogs, message boxes and
// About box it shows recorded and cancelled by the harness.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "builder/filecommands.h"
#include "builder/page.h"
#include "builder/pagefile.h"
#include "builder/scan.h"
#include "tests/window/harness.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

namespace {

const char saveTitle[] = "Specify a calculator file name to save as and to lauch";
const char openTitle[] = "Select a calculator to lauch";

std::string programFolder;  // the test's own folder, as the program sees it
std::string workFolder;  // program folder + "window-files\"
std::string openLog;  // DOS path of the shell's record

// Answers for the windows that come up, in turn: a path for a file dialog,
// "yes" or "no" for a question; "cancel", or none left, cancels.
std::vector<std::string> answers;

bool AnswerInTurn(HWND window)
{
    if (answers.empty())
        return false;
    std::string answer = answers.front();
    answers.erase(answers.begin());
    if (answer == "cancel")
        return false;
    if (answer == "yes" || answer == "no") {
        PostMessageA(window, WM_COMMAND, answer == "yes" ? IDYES : IDNO, 0);
        return true;
    }
    // The file name box, whichever form of the dialog came up.
    SetDlgItemTextA(window, cmb13, answer.c_str());
    SetDlgItemTextA(window, edt1, answer.c_str());
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return true;
}

// The page of three texts as the writer makes it, written to path.
std::string WritePage(const std::string& path, const char* name, std::string variables, const char* function)
{
    FILE* file = fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file == nullptr)
        return "";
    EXPECT_TRUE(WriteCalculatorPage(file, name, &variables[0], function));
    fclose(file);
    return ReadWholeFile(path);
}

void SetCurrentFile(const std::string& folder, const char* name)
{
    ASSERT_TRUE(CopyText(currentFolder, sizeof currentFolder, folder.c_str()));
    ASSERT_TRUE(CopyText(currentFileName, sizeof currentFileName, name));
    char path[260];
    ASSERT_TRUE(ComposeCurrentPath(path));
}

class MainDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(PrepareProgram());
        programFolder = ProgramFile("");
        workFolder = programFolder + "window-files\\";
        CreateDirectoryA(workFolder.c_str(), NULL);
        openLog = workFolder + "opened.log";
        RecordOpenedFilesIn(openLog);
        RemovePath(programFolder + "conf");
    }

    static void TearDownTestSuite()
    {
        SetCurrentDirectoryA(programFolder.c_str());  // the file dialogs move it
        RemovePath(programFolder + "conf");
        RemovePath(programFolder + "manual.htm");
        for (const char* name : {"opened.log", "calc.htm", "reference.htm", "other.htm", ""})
            RemovePath(workFolder + name);
    }

    void SetUp() override
    {
        RemovePath(openLog);
        dialog = CreateMainWindow();
        ASSERT_NE(dialog, nullptr);
        // No conf: the dialogs start in the work folder.
        ASSERT_TRUE(CopyText(currentFolder, sizeof currentFolder, workFolder.c_str()));
    }

    void TearDown() override
    {
        DestroyMainWindow(dialog);
        // A close with settingsDirty set writes one; it must not reach later tests.
        RemovePath(programFolder + "conf");
    }

    void Command(int id)
    {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        PumpMessages();
    }

    std::string Editor(int id) { return WindowText(GetDlgItem(dialog, id)); }

    void FillEditors(const char* name, const char* variables, const char* function)
    {
        SetDlgItemTextA(dialog, IDC_NAME, name);
        SetDlgItemTextA(dialog, IDC_VARIABLES, variables);
        SetDlgItemTextA(dialog, IDC_FUNCTION, function);
    }

    HWND dialog = NULL;
};

TEST_F(MainDialogTest, StartsUntitledWithFocusInTheNameEditor)
{
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - New");
    EXPECT_TRUE(isUntitled);
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_NAME));
    EXPECT_NE(GetMenu(dialog), nullptr);
    EXPECT_NE(GetDlgItem(dialog, IDC_STATUSBAR), nullptr);
    char className[32] = "";
    GetClassNameA(dialog, className, sizeof className);
    EXPECT_STREQ(className, "IconDialog");
    EXPECT_NE(GetClassLongPtrA(dialog, GCLP_HICON), 0u);
    EXPECT_TRUE(shown.empty());
}

TEST_F(MainDialogTest, NewEmptiesTheEditorsAndKeepsTheDialogProposal)
{
    SetCurrentFile(workFolder, "calc.htm");
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + workFolder + "calc.htm");
    FillEditors("Area", "w\r\nh", "w#*h#");

    // Typed texts that no page holds: the question first, and No goes on.
    answerShown = AnswerInTurn;
    answers = {"no"};
    Command(IDM_NEW);

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, ProgramString(IDS_ASK_WRITE_TEXTS));
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - New");
    EXPECT_TRUE(isUntitled);
    EXPECT_EQ(Editor(IDC_NAME), "");
    EXPECT_EQ(Editor(IDC_VARIABLES), "");
    EXPECT_EQ(Editor(IDC_FUNCTION), "");
    EXPECT_STREQ(currentFileName, "calc.htm");
    EXPECT_EQ(currentFolder, workFolder);
}

TEST_F(MainDialogTest, EnterAndEscapeDoNothing)
{
    FillEditors("Area", "", "");
    // Posted as the keyboard would, so they pass the dialog manager.
    for (int editor : {IDC_NAME, IDC_FUNCTION, IDC_VARIABLES}) {
        HWND window = GetDlgItem(dialog, editor);
        SetFocus(window);
        for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            PostMessageA(window, WM_KEYDOWN, key, 1);
            PostMessageA(window, WM_KEYUP, key, 0xC0000001);
            PumpMessages();
        }
        ASSERT_TRUE(IsWindow(dialog)) << "editor " << editor;
    }
    Command(IDOK);
    Command(IDCANCEL);

    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(shown.empty()) << shown[0].caption;  // no button was pressed
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - New");
    EXPECT_EQ(Editor(IDC_NAME), "Area");
    EXPECT_FALSE(quitSeen);
}

TEST_F(MainDialogTest, UntitledCommandsAskForAFileAndCancellingChangesNothing)
{
    Command(IDM_LAUNCH);
    Command(IDM_CREATE_LAUNCH);
    Command(IDM_SELECT_LAUNCH);
    Command(IDM_CREATE_LAUNCH_AS);

    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].caption, openTitle);
    EXPECT_EQ(shown[1].caption, saveTitle);
    EXPECT_EQ(shown[2].caption, openTitle);
    EXPECT_EQ(shown[3].caption, saveTitle);
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - New");
    EXPECT_TRUE(isUntitled);
    EXPECT_STREQ(currentFileName, "");
}

TEST_F(MainDialogTest, ForcedCommandsShowTheirDialogEvenWithACurrentFile)
{
    SetCurrentFile(workFolder, "calc.htm");
    DeleteFileA((workFolder + "calc.htm").c_str());

    Command(IDM_SELECT_LAUNCH);
    Command(IDM_CREATE_LAUNCH_AS);

    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, openTitle);
    EXPECT_EQ(shown[1].caption, saveTitle);
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + workFolder + "calc.htm");
    EXPECT_EQ(ReadWholeFile(workFolder + "calc.htm"), "<missing>");
}

TEST_F(MainDialogTest, CreateLaunchWritesTheEditorsOverTheCurrentFileAndOpensIt)
{
    const char name[] = "Rectangle";
    char variables[] = "&Width (m) = 3\r\nH&eight (m) = 4\r\n?Compute the area";
    const char function[] = "alert(Width# * Height#);";
    std::string page = workFolder + "calc.htm";
    ASSERT_TRUE(WriteWholeFile(page, std::string(100000, 'x')));  // longer than the page: must be cut
    SetCurrentFile(workFolder, "calc.htm");
    FillEditors(name, variables, function);

    // Not inside the key or click that pressed the button, but right after.
    // What the file holds is no page of Tallisk's: asked first.
    answerShown = AnswerInTurn;
    answers = {"yes"};
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDM_CREATE_LAUNCH, BN_CLICKED), 0);
    EXPECT_EQ(ReadWholeFile(page), std::string(100000, 'x'));
    PumpMessages();

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, ProgramString(IDS_ASK_REPLACE_PAGE));
    shown.clear();
    FILE* reference = fopen((workFolder + "reference.htm").c_str(), "wb");
    ASSERT_NE(reference, nullptr);
    ASSERT_TRUE(WriteCalculatorPage(reference, name, variables, function));
    fclose(reference);
    EXPECT_EQ(ReadWholeFile(page), ReadWholeFile(workFolder + "reference.htm"));
    EXPECT_TRUE(WaitForOpened(page));

    // Launch with a current file opens it without a dialog.
    Command(IDM_LAUNCH);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(WaitForOpened(page, 2));
}

TEST_F(MainDialogTest, AFolderThatCannotBeWrittenShowsItsBoxAndOpensNothing)
{
    FillEditors("Area", "w\r\nh", "w#*h#");
    std::string unopenable = workFolder + "missing\\";
    SetCurrentFile(unopenable, "x.htm");
    Command(IDM_CREATE_LAUNCH);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Error");
    EXPECT_NE(shown[0].text.find("The file to write failed to be open."), std::string::npos) << shown[0].text;
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + unopenable + "x.htm");
    EXPECT_EQ(Editor(IDC_NAME), "Area");

    // Something that is opened afterwards shows the record is live; the
    // failed pages never reached it.
    ASSERT_TRUE(WriteWholeFile(workFolder + "other.htm", "<title>other</title>"));
    SetCurrentFile(workFolder, "other.htm");
    Command(IDM_LAUNCH);
    ASSERT_TRUE(WaitForOpened(workFolder + "other.htm"));
    std::string log = ReadWholeFile(openLog);
    EXPECT_EQ(log.find("missing"), std::string::npos) << log;
}

TEST_F(MainDialogTest, EditorsAreReadWholeAtAndPastTheirLimit)
{
    size_t limit = SendDlgItemMessageA(dialog, IDC_FUNCTION, EM_GETLIMITTEXT, 0, 0);
    ASSERT_GT(limit, 0u);
    ASSERT_LT(limit, 1000000u);
    for (size_t length : {limit - 1, limit, limit + 5000}) {
        std::string text(length, 'a');
        text.back() = 'z';
        SetDlgItemTextA(dialog, IDC_FUNCTION, text.c_str());
        char* read = ReadEditText(IDC_FUNCTION);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(std::string(read), text) << "length " << length;
        free(read);
    }
}

TEST_F(MainDialogTest, APathLongerThanThePathBuffersIsNoCurrentFile)
{
    std::string folder = "Z:\\" + std::string(245, 'd') + "\\";  // 249 characters
    ASSERT_TRUE(CopyText(currentFolder, sizeof currentFolder, folder.c_str()));
    ASSERT_TRUE(CopyText(currentFileName, sizeof currentFileName, "0123456789"));  // 259 joined: fits
    char path[260];
    EXPECT_TRUE(ComposeCurrentPath(path));
    EXPECT_EQ(std::string(path), folder + "0123456789");
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + folder + "0123456789");

    ASSERT_TRUE(CopyText(currentFileName, sizeof currentFileName, "0123456789a"));  // 260 joined: does not
    EXPECT_FALSE(ComposeCurrentPath(path));
    EXPECT_STREQ(path, "");
    EXPECT_TRUE(isUntitled);
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - New");

    // Without a current file, Launch asks for one.
    Command(IDM_LAUNCH);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, openTitle);
}

// A pipe would keep the window waiting and a file over the limit would be
// read whole: both are refused at once with their message, dropped or named
// on the command line, and the editors stay as they were.
TEST_F(MainDialogTest, WhatCannotBeAPageIsRefusedBeforeItIsRead)
{
    const char pipeName[] = "\\\\.\\pipe\\tallisk-window-test";
    HANDLE pipe = CreateNamedPipeA(pipeName, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, NULL);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    std::string large = workFolder + "large.htm";
    ASSERT_TRUE(WriteWholeFile(large, "<title>"));
    HANDLE file
        = CreateFileA(large.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 257LL << 20;
    EXPECT_TRUE(SetFilePointerEx(file, size, NULL, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);

    FillEditors("Typed", "t", "t#");
    DropFiles(dialog, {pipeName});
    DropFiles(dialog, {large});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, ProgramString(IDS_PAGE_NOT_READ));
    EXPECT_EQ(shown[1].text, ProgramString(IDS_PAGE_TOO_LARGE));
    EXPECT_EQ(Editor(IDC_NAME), "Typed");
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - New");

    DestroyMainWindow(dialog);
    dialog = RestartMainWindow(("\"" + large + "\"").c_str());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, ProgramString(IDS_PAGE_TOO_LARGE));
    CloseHandle(pipe);
    RemovePath(large);
}

TEST_F(MainDialogTest, HelpCommandsAndExit)
{
    ASSERT_TRUE(WriteWholeFile(programFolder + "manual.htm", "<title>manual</title>"));
    Command(IDM_MANUAL);
    EXPECT_TRUE(WaitForOpened(programFolder + "manual.htm"));

    Command(IDM_ABOUT);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "About");

    // Exit goes through WM_CLOSE: the window goes and the loop gets code 0.
    Command(IDM_EXIT);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(quitSeen);
    EXPECT_EQ(quitCode, 0u);
}

// Pages are the calculators' documents: Open, Select Launch, a drop and the
// command line fill the editors again; typed texts and another's page are
// replaced only when the user says so, and a page only by a whole one.
TEST_F(MainDialogTest, PagesOpenAgainAndAreReplacedOnlyWhole)
{
    answerShown = AnswerInTurn;
    // Texts that hold the page's own markup read back as they are.
    const char name[] = "Area </title><b>";
    const char variables[] = "&Width/m/3\r\n\r\n</textarea>/x\r\n?&Go";
    const char function[] = "alert(Width# * 2); // </script>";
    std::string page = workFolder + "area.htm", foreign = workFolder + "foreign.htm";
    WritePage(page, name, variables, function);
    std::string foreignBytes = "<html><body>not a calculator</body></html>";
    ASSERT_TRUE(WriteWholeFile(foreign, foreignBytes));
    std::string changed = ReadWholeFile(page);
    changed[8] ^= 1;  // inside the title's copy of the name only
    ASSERT_TRUE(WriteWholeFile(workFolder + "changed.htm", changed));

    // Typed texts: Cancel keeps everything as it was, No loads the page.
    FillEditors("Typed", "t", "t#");
    answers = {page, "cancel"};
    Command(IDM_OPEN);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, "Select a calculator to edit");
    EXPECT_EQ(shown[1].text, ProgramString(IDS_ASK_WRITE_TEXTS));
    EXPECT_EQ(Editor(IDC_NAME), "Typed");
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - New");
    answers = {page, "no"};
    Command(IDM_OPEN);
    EXPECT_EQ(Editor(IDC_NAME), name);
    EXPECT_EQ(Editor(IDC_VARIABLES), variables);
    EXPECT_EQ(Editor(IDC_FUNCTION), function);
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + page);
    // conf names the page at once, not only when the window closes.
    EXPECT_NE(ReadWholeFile(programFolder + "conf").find("area.htm"), std::string::npos);

    // Files that do not read back: one message each, and nothing changes.
    shown.clear();
    answers = {foreign};
    Command(IDM_OPEN);
    answers = {workFolder + "changed.htm"};
    Command(IDM_OPEN);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[1].text, ProgramString(IDS_PAGE_NOT_CALCULATOR));
    EXPECT_EQ(shown[3].text, ProgramString(IDS_PAGE_CHANGED));
    EXPECT_EQ(Editor(IDC_NAME), name);
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + page);

    // Select Launch of a foreign page launches it with the editors as they
    // are; Create Launch then asks before replacing it, and No writes nothing.
    shown.clear();
    answers = {foreign};
    Command(IDM_SELECT_LAUNCH);
    EXPECT_TRUE(WaitForOpened(foreign));
    EXPECT_EQ(Editor(IDC_NAME), name);
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + foreign);
    answers = {"no"};
    Command(IDM_CREATE_LAUNCH);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, ProgramString(IDS_ASK_REPLACE_PAGE));
    EXPECT_EQ(ReadWholeFile(foreign), foreignBytes);

    // Select Launch of a page loads it; Yes to the question first writes the
    // typed texts to their own page.
    SetCurrentFile(workFolder, "typed.htm");
    FillEditors("Typed", "t", "t#");
    answers = {page, "yes"};
    Command(IDM_SELECT_LAUNCH);
    std::string typedPage = ReadWholeFile(workFolder + "typed.htm");
    EXPECT_EQ(typedPage, WritePage(workFolder + "reference.htm", "Typed", "t", "t#"));
    EXPECT_EQ(Editor(IDC_NAME), name);
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + page);
    EXPECT_TRUE(WaitForOpened(page, 1));

    // Open of the current page over edits, Yes: the edits are written to it
    // first, and the page then loads as it now stands.
    FillEditors("Edited", "e", "e#");
    answers = {page, "yes"};
    Command(IDM_OPEN);
    EXPECT_EQ(ReadWholeFile(page), WritePage(workFolder + "reference.htm", "Edited", "e", "e#"));
    EXPECT_EQ(Editor(IDC_NAME), "Edited");
    EXPECT_EQ(Editor(IDC_FUNCTION), "e#");

    // A drop opens the first file; the texts came from a page, so no question.
    shown.clear();
    std::string second = workFolder + "second.htm";
    WritePage(second, "Second", "s", "s#");
    DropFiles(dialog, {second, page});
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(Editor(IDC_NAME), "Second");
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + second);

    // The next run starts with the kept texts of the page they belong to, so
    // the page its command line names opens without a question.
    DestroyMainWindow(dialog);
    dialog = RestartMainWindow(("  \"" + page + "\" --ignored").c_str());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(Editor(IDC_NAME), "Edited");
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + page);
    for (const char* file : {"area.htm", "foreign.htm", "changed.htm", "typed.htm", "second.htm"})
        RemovePath(workFolder + file);

    // A full disk: the old page stays byte for byte and nothing is left over.
    const char* wineDir = getenv("TALLISK_WINE_DIR");
    ASSERT_NE(wineDir, nullptr);
    std::string full = std::string("Z:") + wineDir + "/full-disk/";
    for (char& c : full)
        c = c == '/' ? '\\' : c;
    std::string reason = ReadWholeFile(full + "not-mounted");
    if (reason != "<missing>")
        GTEST_SKIP() << reason;
    std::string oldBytes = WritePage(full + "old.htm", "Old", "o", "o#");
    FILE* filler = fopen((full + "filler").c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    char block[1024] = {};
    while (fwrite(block, 1, sizeof block, filler) == sizeof block && fflush(filler) == 0) { }
    fclose(filler);
    SetCurrentFile(full, "old.htm");
    FillEditors("New", "n", std::string(20000, 'f').c_str());
    shown.clear();
    answers = {};
    Command(IDM_CREATE_LAUNCH);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, ProgramString(IDS_WRITE_FAILED));
    EXPECT_EQ(ReadWholeFile(full + "old.htm"), oldBytes);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((full + "*").c_str(), &found);
    std::vector<std::string> names;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if (found.cFileName[0] != '.')
            names.push_back(found.cFileName);
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> {"filler", "old.htm"}));
    RemovePath(full + "filler");
    RemovePath(full + "old.htm");
}

}  // namespace
