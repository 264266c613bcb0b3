// The main window: a modeless dialog that puts itself together, hands its
// commands to the file and help routines, and ends the program when closed.
#include "ui/maindialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "builder/filecommands.h"
#include "files/kept.h"
#include "files/scramble.h"
#include "files/settings.h"
#include "ui/about.h"
#include "ui/handover.h"
#include "ui/layout.h"
#include "ui/resource.h"
#include "ui/winmain.h"

char programTitle[320];
char linkLabel[320];
char webAddress[320];
HACCEL mainAccelerators;

// A page named on the command line opens once the window stands, as one
// handed over by a later start does.
static void TakeStartPage(HWND dialog, const char* commandTail)
{
    char page[260];
    if (TakeFirstArgument(commandTail, page))
        QueuePage(dialog, page);
}

// mainWindow and programTitle must be set before LoadSettings, which titles
// the window through them; the layout is measured before the menu bar and
// the status bar change the window.
static INT_PTR InitMainDialog(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    mainWindow = dialog;
    MarkMainWindow(dialog);
    // Queued first: a page handed over while a message of the start below
    // is up came later, and replaces it.
    TakeStartPage(dialog, reinterpret_cast<const char*>(lParam));
    MeasureMainLayout(dialog);
    UnscrambleText(scrambledProgramTitle, programTitle, programTitleLength);
    UnscrambleText(scrambledLinkLabel, linkLabel, linkLabelLength);
    UnscrambleText(scrambledWebAddress, webAddress, webAddressLength);
    SetMenu(dialog, LoadMenuA(programInstance, "Menu"));
    CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "", dialog, IDC_STATUSBAR);
    KeepMainWindowOnScreen(dialog, LoadSettings());
    LoadKeptTexts();
    NoteStartTexts();
    CreateMainTooltip(dialog);
    mainAccelerators = LoadAcceleratorsA(programInstance, "Accelerators");
    DragAcceptFiles(dialog, TRUE);
    // TRUE from here puts the focus on the first tab stop, the name editor.
    return DialogFallback(dialog, WM_INITDIALOG, wParam, lParam);
}

// Exit takes the same path as the Close box, settings save included.
static void ExitProgram(HWND dialog)
{
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

static void CloseMainDialog(HWND dialog)
{
    UnmarkMainWindow(dialog);
    SaveKeptTexts();
    if (settingsDirty)
        SaveSettings();
    DestroyWindow(dialog);
}

// Windows ends the program after this without closing its window.
static void EndMainSession(WPARAM ending)
{
    if (!ending)
        return;
    SaveKeptTexts();
    SaveSettings();
}

// Of several files dropped, the first.
static void OpenDroppedFile(HDROP drop)
{
    char path[260] = "";
    UINT length = DragQueryFileA(drop, 0, NULL, 0);
    bool fits = length > 0 && length < sizeof path && DragQueryFileA(drop, 0, path, sizeof path) == length;
    DragFinish(drop);
    OpenCalculatorFile(fits ? path : "");
}

// The two buttons' commands run when this message comes, not inside the key
// or click that pressed the button: under Wine, the shell starting the
// browser from inside a common controls 6 button's Return left the display
// settings unreadable for the rest of the run, and every later drag of the
// window threw it off the screen.
static constexpr UINT buttonCommandMessage = WM_APP + 1;

static void RunButtonCommand(int id)
{
    if (id == IDM_LAUNCH)
        LaunchCalculator(FALSE);
    else
        CreateLaunch(FALSE);
}

// A full queue must not swallow the command: it runs at once then.
static void PostButtonCommand(HWND dialog, int id)
{
    if (!PostMessageA(dialog, buttonCommandMessage, id, 0))
        RunButtonCommand(id);
}

// Buttons share their ids with the menu items, so the notification code is
// not looked at. Enter and Escape arrive as ids 1 and 2 and do nothing.
static BOOL RunCommand(HWND dialog, int id)
{
    switch (id) {
    case IDM_NEW:
        StartNewCalculator();
        return TRUE;
    case IDM_OPEN:
        OpenCalculator();
        return TRUE;
    case IDM_LAUNCH:
        PostButtonCommand(dialog, id);
        return TRUE;
    case IDM_SELECT_LAUNCH:
        LaunchCalculator(TRUE);
        return TRUE;
    case IDM_CREATE_LAUNCH:
        PostButtonCommand(dialog, id);
        return TRUE;
    case IDM_CREATE_LAUNCH_AS:
        CreateLaunch(TRUE);
        return TRUE;
    case IDM_EXIT:
        ExitProgram(dialog);
        return TRUE;
    case IDM_MANUAL:
        OpenManual();
        return TRUE;
    case IDM_ABOUT:
        ShowAboutBox(dialog);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return InitMainDialog(dialog, wParam, lParam);
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE) {
            NoteEditorsChanged();
            return TRUE;
        }
        if (RunCommand(dialog, LOWORD(wParam)))
            return TRUE;
        break;
    case buttonCommandMessage:
        RunButtonCommand(static_cast<int>(wParam));
        return TRUE;
    case pageQueuedMessage:
        // The program's loop opens it, once no dialog's own loop runs.
        return TRUE;
    case WM_COPYDATA:
        SetWindowLongPtrA(
            dialog, DWLP_MSGRESULT, TakeHandedPage(dialog, reinterpret_cast<const COPYDATASTRUCT*>(lParam)));
        return TRUE;
    case WM_DROPFILES:
        OpenDroppedFile(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_TIMER:
        if (wParam == IDT_KEEP_TEXTS)
            SaveKeptTexts();
        return TRUE;
    case WM_ENDSESSION:
        EndMainSession(wParam);
        return TRUE;
    case WM_NOTIFY:
        HandleTipNotify(
            dialog, reinterpret_cast<NMHDR*>(lParam), GetDlgItem(dialog, IDC_STATUSBAR), programInstance);
        return TRUE;
    case WM_MENUSELECT:
        ShowMenuHelp(dialog, wParam, lParam);
        return TRUE;
    case WM_SIZE:
        FitMainLayout(dialog);
        return TRUE;
    case WM_GETMINMAXINFO:
        SetMinimumTrackSize(reinterpret_cast<MINMAXINFO*>(lParam));
        return TRUE;
    case WM_MOVING:
        settingsDirty = 1;
        return TRUE;
    case WM_CLOSE:
        CloseMainDialog(dialog);
        return TRUE;
    case WM_DESTROY:
        UnmarkMainWindow(dialog);
        PostQuitMessage(0);
        return TRUE;
    }
    return DialogFallback(dialog, message, wParam, lParam);
}
