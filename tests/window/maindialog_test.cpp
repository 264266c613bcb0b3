// The real main dialog, created in this process from the linked resources.
// Every window that opens owned by the main dialog (message boxes, file
// dialogs, About) is recorded and cancelled by a CBT hook, so no test waits
// for a person.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "builder/filecommands.h"
#include "builder/page.h"
#include "files/progfiles.h"
#include "tests/files/testfiles.h"
#include "ui/layout.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

namespace {

const char saveTitle[] = "Specify a calculator file name to save as and to lauch";
const char openTitle[] = "Select a calculator to lauch";

struct Shown {
    std::string caption;
    std::string text;  // the window's static texts, joined by "|"
};
std::vector<Shown> shown;
std::vector<HWND> answered;
HHOOK cbtHook;
bool quitSeen;
WPARAM quitCode;

std::string programFolder;  // the test's own folder, as the program sees it
std::string workFolder;  // program folder + "window-files\"
std::string openLog;  // DOS path of the shell's record

BOOL CALLBACK CollectStatic(HWND child, LPARAM out)
{
    char className[32] = "", text[300] = "";
    GetClassNameA(child, className, sizeof className);
    GetWindowTextA(child, text, sizeof text);
    auto& joined = *reinterpret_cast<std::string*>(out);
    if (_stricmp(className, "Static") == 0 && text[0] != 0)
        joined += (joined.empty() ? "" : "|") + std::string(text);
    return TRUE;
}

LRESULT CALLBACK AnswerOwnedWindows(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && mainWindow != NULL && GetWindow(window, GW_OWNER) == mainWindow
        && std::find(answered.begin(), answered.end(), window) == answered.end()) {
        answered.push_back(window);
        char caption[300] = "";
        GetWindowTextA(window, caption, sizeof caption);
        Shown record {caption, ""};
        EnumChildWindows(window, CollectStatic, reinterpret_cast<LPARAM>(&record.text));
        shown.push_back(record);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitSeen = true;
            quitCode = message.wParam;
            continue;
        }
        DispatchProgramMessage(&message);
    }
}

void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    fclose(file);
}

// Waits, pumping messages, until the shell's record holds `entry` count times.
bool WaitForOpened(const std::string& entry, int count = 1)
{
    for (int tries = 0; tries < 100; ++tries) {
        PumpMessages();
        std::string log = ReadWholeFile(openLog);
        int found = 0;
        for (size_t at = log.find(entry); at != std::string::npos; at = log.find(entry, at + 1))
            ++found;
        if (found >= count)
            return true;
        Sleep(100);
    }
    return false;
}

std::string WindowText(HWND window)
{
    char text[400] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void SetCurrentFile(const std::string& folder, const char* name)
{
    ASSERT_LT(folder.size(), sizeof currentFolder);
    strcpy(currentFolder, folder.c_str());
    strcpy(currentFileName, name);
    char path[260];
    ASSERT_TRUE(ComposeCurrentPath(path));
}

class MainDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        programInstance = GetModuleHandleA(NULL);
        InitCommonControls();
        ASSERT_NE(RegisterIconDialogClass(), 0);
        char folder[300] = {};
        GetProgramFolder(folder);
        programFolder = folder;
        workFolder = programFolder + "window-files\\";
        CreateDirectoryA(workFolder.c_str(), NULL);
        openLog = workFolder + "opened.log";
        RecordOpenedFilesIn(openLog);
        DeleteFileA((programFolder + "conf").c_str());
        cbtHook = SetWindowsHookExA(WH_CBT, AnswerOwnedWindows, NULL, GetCurrentThreadId());
        ASSERT_NE(cbtHook, nullptr);
    }

    static void TearDownTestSuite()
    {
        UnhookWindowsHookEx(cbtHook);
        SetCurrentDirectoryA(programFolder.c_str());  // the file dialogs move it
        DeleteFileA((programFolder + "conf").c_str());
        DeleteFileA((programFolder + "manual.htm").c_str());
        for (const char* name : {"opened.log", "calc.htm", "reference.htm", "other.htm"})
            DeleteFileA((workFolder + name).c_str());
        RemoveDirectoryA(workFolder.c_str());
    }

    void SetUp() override
    {
        shown.clear();
        answered.clear();
        quitSeen = false;
        settingsDirty = 0;
        strcpy(currentFolder, workFolder.c_str());
        currentFileName[0] = 0;
        DeleteFileA(openLog.c_str());
        dialog = CreateDialogParamA(programInstance, "MainDialog", NULL, MainDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        mainWindow = dialog;
        PumpMessages();
    }

    void TearDown() override
    {
        if (IsWindow(dialog))
            DestroyWindow(dialog);
        PumpMessages();  // takes the quit message the destruction posts
        mainWindow = NULL;
        // A close with settingsDirty set writes one; it must not reach later tests.
        DeleteFileA((programFolder + "conf").c_str());
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
    WriteWholeFile(page, std::string(100000, 'x'));  // longer than the page: must be cut
    SetCurrentFile(workFolder, "calc.htm");
    FillEditors(name, variables, function);

    Command(IDM_CREATE_LAUNCH);

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
    WriteWholeFile(workFolder + "other.htm", "<title>other</title>");
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
    strcpy(currentFolder, folder.c_str());
    strcpy(currentFileName, "0123456789");  // 259 joined: fits
    char path[260];
    EXPECT_TRUE(ComposeCurrentPath(path));
    EXPECT_EQ(std::string(path), folder + "0123456789");
    EXPECT_EQ(WindowText(dialog), "Tallisk 1.0 - " + folder + "0123456789");

    strcpy(currentFileName, "0123456789a");  // 260 joined: does not
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
    WriteWholeFile(programFolder + "manual.htm", "<title>manual</title>");
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
