#include "tests/window/harness.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "builder/filecommands.h"
#include "files/settings.h"
#include "files/progfiles.h"
#include "files/scramble.h"
#include "ui/layout.h"
#include "ui/maindialog.h"
#include "ui/winmain.h"

std::vector<Shown> shown;
bool (*answerShown)(HWND window);
bool quitSeen;
WPARAM quitCode;

static std::string openLog;
static const char answeredMark[] = "TalliskTestAnswered";

static BOOL CALLBACK CollectStatic(HWND child, LPARAM out)
{
    char className[32] = "";
    GetClassNameA(child, className, sizeof className);
    std::string text = WindowText(child);
    std::string& joined = *reinterpret_cast<std::string*>(out);
    if (_stricmp(className, "Static") == 0 && !text.empty())
        joined += (joined.empty() ? "" : "|") + text;
    return TRUE;
}

// A window can be activated again before the posted answer arrives; the mark
// keeps it to one record. Message boxes are the standard dialog class; the
// settings' boxes have no owner, the program's own dialogs are IconDialog.
static LRESULT CALLBACK AnswerShownWindow(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    HWND owner = GetWindow(window, GW_OWNER);
    bool ours = (mainWindow != NULL && owner == mainWindow) || strcmp(className, "#32770") == 0;
    if (code == HCBT_ACTIVATE && ours && GetPropA(window, answeredMark) == NULL) {
        SetPropA(window, answeredMark, window);
        Shown record {WindowText(window), "", owner};
        EnumChildWindows(window, CollectStatic, reinterpret_cast<LPARAM>(&record.text));
        shown.push_back(record);
        if (answerShown == NULL || !answerShown(window))
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

bool PrepareProgram()
{
    static bool prepared, ready;
    if (prepared)
        return ready;
    prepared = true;
    programInstance = GetModuleHandleA(NULL);
    InitCommonControls();
    UnscrambleText(scrambledAboutSecondLine, aboutSecondLine, aboutSecondLineLength);
    ready = RegisterIconDialogClass() != 0
        && SetWindowsHookExA(WH_CBT, AnswerShownWindow, NULL, GetCurrentThreadId()) != NULL;
    return ready;
}

HWND CreateMainWindow()
{
    RemovePath(ProgramFile("kept"));
    answerShown = NULL;
    return RestartMainWindow();
}

HWND RestartMainWindow(const char* commandTail)
{
    PrepareProgram();
    settingsDirty = 0;
    currentFileFailureShown = false;
    keeping = {};
    document = {};
    MainLayout = {};
    isUntitled = 0;
    memset(currentFolder, 0, sizeof currentFolder);
    memset(currentFileName, 0, sizeof currentFileName);
    shown.clear();
    quitSeen = false;
    HWND dialog = CreateDialogParamA(
        programInstance, "MainDialog", NULL, MainDialogProc, reinterpret_cast<LPARAM>(commandTail));
    mainWindow = dialog;
    PumpMessages();
    return dialog;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitSeen = true;
            quitCode = message.wParam;
        } else {
            DispatchProgramMessage(&message);
        }
    }
}

void DestroyMainWindow(HWND dialog)
{
    if (IsWindow(dialog))
        DestroyWindow(dialog);
    PumpMessages();
    mainWindow = NULL;
}

void CloseMainWindow(HWND dialog)
{
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    DestroyMainWindow(dialog);
}

void DropFiles(HWND window, const std::vector<std::string>& paths)
{
    std::string names;
    for (const std::string& path : paths)
        names += path + '\0';
    names += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(drop + 1, names.data(), names.size());
    GlobalUnlock(memory);
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

std::string ProgramFile(const char* name)
{
    char folder[300] = "";
    GetProgramFolder(folder);
    return std::string(folder) + name;
}

std::string ReadWholeFile(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (file == NULL)
        return "<missing>";
    std::string bytes;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (file == NULL)
        return false;
    bool whole = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && whole;
}

void RemovePath(const std::string& path)
{
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
}

// The handler is a Unix script: it gets the path on Z:, the Unix root.
void RecordOpenedFilesIn(const std::string& dosPath)
{
    openLog = dosPath;
    std::string unixPath = dosPath.substr(2);
    std::replace(unixPath.begin(), unixPath.end(), '\\', '/');
    SetEnvironmentVariableA("TALLISK_OPEN_LOG", unixPath.c_str());
}

// The shell opens asynchronously, so the record is polled for a while.
bool WaitForOpened(const std::string& entry, int count)
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

std::string ProgramString(UINT id)
{
    char text[300] = "";
    LoadStringA(programInstance, id, text, sizeof text);
    return text;
}

std::string WindowText(HWND window)
{
    char text[400] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

RECT OuterRect(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}
