#include "tests/layout/window_harness.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "builder/filecommands.h"
#include "files/progfiles.h"
#include "files/scramble.h"
#include "tests/files/testfiles.h"
#include "ui/layout.h"
#include "ui/maindialog.h"
#include "ui/winmain.h"

std::vector<ShownBox> shownBoxes;

// Message boxes are the standard dialog class; the program's own dialogs are IconDialog.
static LRESULT CALLBACK RecordMessageBox(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wParam;
        char className[32] = {0};
        GetClassNameA(box, className, sizeof className);
        if (strcmp(className, "#32770") == 0) {
            char text[400] = {0};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            shownBoxes.push_back({text, GetWindow(box, GW_OWNER)});
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

void PrepareProgram()
{
    static bool prepared;
    if (prepared)
        return;
    prepared = true;
    programInstance = GetModuleHandleA(NULL);
    InitCommonControls();
    UnscrambleText(scrambledAboutSecondLine, aboutSecondLine, aboutSecondLineLength);
    RegisterIconDialogClass();
    SetWindowsHookExA(WH_CBT, RecordMessageBox, NULL, GetCurrentThreadId());
}

HWND CreateMainWindow()
{
    PrepareProgram();
    settingsDirty = 0;
    MainLayout = {};
    isUntitled = 0;
    memset(currentFolder, 0, sizeof currentFolder);
    memset(currentFileName, 0, sizeof currentFileName);
    shownBoxes.clear();
    HWND dialog = CreateDialogParamA(programInstance, "MainDialog", NULL, MainDialogProc, 0);
    mainWindow = dialog;
    return dialog;
}

static void DropQuitMessage()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
        if (message.message != WM_QUIT)
            DispatchMessageA(&message);
}

void DestroyMainWindow(HWND dialog)
{
    if (IsWindow(dialog))
        DestroyWindow(dialog);
    DropQuitMessage();
}

void CloseMainWindow(HWND dialog)
{
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    DropQuitMessage();
}

std::string ProgramFile(const char* name)
{
    char path[300] = {0};
    GetProgramFolder(path);
    return std::string(path) + name;
}

void WriteProgramFile(const char* name, const std::string& bytes)
{
    FILE* file = fopen(ProgramFile(name).c_str(), "wb");
    if (file) {
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }
}

std::string ReadProgramFile(const char* name)
{
    return ReadWholeFile(ProgramFile(name));
}

void RemoveProgramFile(const char* name)
{
    std::string path = ProgramFile(name);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
}

std::string ProgramString(UINT id)
{
    char text[300] = {0};
    LoadStringA(programInstance, id, text, sizeof text);
    return text;
}

std::string WindowText(HWND window)
{
    char text[400] = {0};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

RECT OuterRect(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

RECT ChildRect(HWND dialog, int id)
{
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(NULL, dialog, (POINT*)&rect, 2);
    return rect;
}
