// The real main dialog's commands, with the file dialogs, message boxes and
// About box it shows recorded and cancelled by the harness.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "builder/filecommands.h"
#include "builder/page.h"
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

    Command(IDM_NEW);

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
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDM_CREATE_LAUNCH, BN_CLICKED), 0);
    EXPECT_EQ(ReadWholeFile(page), std::string(100000, 'x'));
    PumpMessages();

    EXPECT_TRUE(shown.empty());
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

TEST_F(MainDialogTest, FailedOpenAndShortWritesShowTheirBoxAndOpenNothing)
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

    // A small page fails only when the stream is flushed; a large one at once.
    SetCurrentFile("Z:\\dev\\", "full");
    Command(IDM_CREATE_LAUNCH);
    SetDlgItemTextA(dialog, IDC_FUNCTION, std::string(20000, 'f').c_str());
    Command(IDM_CREATE_LAUNCH);
    ASSERT_EQ(shown.size(), 3u);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(shown[i].caption, "Error");
        EXPECT_NE(shown[i].text.find("The file failed to be written."), std::string::npos) << shown[i].text;
    }

    // Something that is opened afterwards shows the record is live; the
    // failed pages never reached it.
    ASSERT_TRUE(WriteWholeFile(workFolder + "other.htm", "<title>other</title>"));
    SetCurrentFile(workFolder, "other.htm");
    Command(IDM_LAUNCH);
    ASSERT_TRUE(WaitForOpened(workFolder + "other.htm"));
    std::string log = ReadWholeFile(openLog);
    EXPECT_EQ(log.find("dev\\full"), std::string::npos) << log;
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

}  // namespace
