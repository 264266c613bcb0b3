// The program's entry: the icon dialog class, the main dialog and the one
// message loop.
#include "ui/winmain.h"

#include <commctrl.h>

#include "builder/filecommands.h"
#include "files/librarysearch.h"
#include "files/scramble.h"
#include "ui/handover.h"
#include "ui/maindialog.h"
#include "ui/resource.h"

HINSTANCE programInstance;
HWND mainWindow;
char aboutSecondLine[320];

ATOM RegisterIconDialogClass()
{
    // The standard dialog class under another name, so that both dialog
    // templates that name it carry the program icon.
    WNDCLASSEXA record = {};
    record.cbSize = sizeof record;
    GetClassInfoExA(programInstance, "#32770", &record);
    record.cbSize = sizeof record;
    record.hInstance = programInstance;
    record.lpszClassName = "IconDialog";
    record.hIcon = LoadIconA(programInstance, MAKEINTRESOURCEA(IDI_TALLISK));
    return RegisterClassExA(&record);
}

// A multi-line editor answers Escape by closing its dialog, which would end
// the program with the typed texts; Escape in the main window does nothing.
static bool IsEscapeForMainWindow(const MSG* message)
{
    return (message->message == WM_KEYDOWN || message->message == WM_CHAR) && message->wParam == VK_ESCAPE
        && (message->hwnd == mainWindow || IsChild(mainWindow, message->hwnd));
}

// Ctrl+O works from every control of the main window, editors included.
static bool IsMainWindowAccelerator(MSG* message)
{
    return mainAccelerators != NULL && (message->hwnd == mainWindow || IsChild(mainWindow, message->hwnd))
        && TranslateAcceleratorA(mainWindow, mainAccelerators, message);
}

static void DispatchOneMessage(MSG* message)
{
    // The rest of the main window's keys (Tab, Alt+C, Alt+L) come from the
    // dialog manager.
    if (mainWindow != NULL
        && (IsEscapeForMainWindow(message) || IsMainWindowAccelerator(message)
            || IsDialogMessageA(mainWindow, message)))
        return;
    TranslateMessage(message);
    DispatchMessageA(message);
}

// Dialogs, message boxes and menus run loops of their own inside a message
// this one dispatches; only back here, with none of them open, is a queued
// page opened, so that its question never comes over another dialog.
static int dispatchDepth;

void DispatchProgramMessage(MSG* message)
{
    ++dispatchDepth;
    DispatchOneMessage(message);
    if (dispatchDepth == 1)
        OpenQueuedPages();
    --dispatchDepth;
}

static int RunMessageLoop()
{
    // A message box of the start may have taken the wake-up of a page queued
    // while the window was made.
    OpenQueuedPages();
    MSG message = {};
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchProgramMessage(&message);
    return static_cast<int>(message.wParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int)
{
    LimitLibrarySearch();
    programInstance = instance;
    // Before anything is read or written: a Tallisk of this folder that is
    // open already takes the page, and this run ends.
    switch (ClaimProgramFolder(commandTail)) {
    case startHere:
        break;
    case startHandedOver:
        return 0;
    case startNotAnswered:
        ShowStringMessage(
            NULL, programInstance, IDS_ERROR_TITLE, IDS_OPEN_NOT_ANSWERING, MB_OK | MB_ICONWARNING);
        return 3;
    }
    InitCommonControls();
    UnscrambleText(scrambledAboutSecondLine, aboutSecondLine, aboutSecondLineLength);
    // Without the class or the window the loop would wait for ever with
    // nothing on screen, so say so and end.
    if (RegisterIconDialogClass() == 0) {
        ShowStringMessage(NULL, programInstance, IDS_ERROR_TITLE, IDS_START_FAILED, MB_OK | MB_ICONERROR);
        return 1;
    }
    HWND dialog = CreateDialogParamA(
        programInstance, "MainDialog", NULL, MainDialogProc, reinterpret_cast<LPARAM>(commandTail));
    if (dialog == NULL) {
        ShowStringMessage(NULL, programInstance, IDS_ERROR_TITLE, IDS_START_FAILED, MB_OK | MB_ICONERROR);
        return 2;
    }
    mainWindow = dialog;
    int code = RunMessageLoop();
    ReleaseProgramFolder();
    return code;
}
