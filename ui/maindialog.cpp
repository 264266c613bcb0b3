// The main window: a modeless dialog that puts itself together, hands its
// commands to the file and help routines, and ends the program when closed.
#include "ui/maindialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>

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
KeepingState keeping;

static const int keptEditors[keptTextCount] = {IDC_NAME, IDC_FUNCTION, IDC_VARIABLES};

static void ShowKeptMessage(UINT textId)
{
    ShowStringMessage(NULL, programInstance, IDS_ERROR_TITLE, textId, MB_OK | MB_ICONWARNING);
}

// After the settings load: the editors get the kept texts. A missing file
// leaves them as they are; a damaged one is moved aside with one message;
// one that stays in the way is not written over for the rest of the run.
static void LoadKeptEditors(HWND dialog)
{
    KeptTexts texts;
    switch (LoadKeptTexts(&texts)) {
    case keptLoaded:
        for (int i = 0; i < keptTextCount; ++i)
            SetDlgItemTextA(dialog, keptEditors[i], texts.text[i]);
        FreeKeptTexts(&texts);
        break;
    case keptAbsent:
        break;
    case keptMovedAside:
        ShowKeptMessage(IDS_KEPT_DAMAGED);
        break;
    case keptNotMoved:
        keeping.stopped = true;
        ShowKeptMessage(IDS_KEPT_NOT_MOVED);
        break;
    case keptUnreadable:
        keeping.stopped = true;
        ShowKeptMessage(IDS_KEPT_READ_FAILED);
        break;
    }
    // What the editors now hold is what the file holds, or all that can be had.
    KillTimer(dialog, IDT_KEEP_TEXTS);
    keeping.dirty = false;
}

// The texts are written keepDelay after the last change.
static void NoteTextsChanged(HWND dialog)
{
    keeping.dirty = true;
    SetTimer(dialog, IDT_KEEP_TEXTS, keepDelay, NULL);
}

// Writes kept when the texts changed since the last write (the timer, a file
// command, closing, the end of the session). A failure is said once a run.
static void SaveKeptEditors(HWND dialog)
{
    KillTimer(dialog, IDT_KEEP_TEXTS);
    if (!keeping.dirty || keeping.stopped)
        return;
    char* text[keptTextCount] = {};
    bool read = true;
    for (int i = 0; i < keptTextCount; ++i) {
        text[i] = ReadEditText(keptEditors[i]);
        read = read && text[i] != NULL;
    }
    bool saved = read && SaveKeptTexts(text);
    for (int i = 0; i < keptTextCount; ++i)
        free(text[i]);
    if (saved) {
        keeping.dirty = false;
    } else if (!keeping.failureShown) {
        keeping.failureShown = true;
        ShowKeptMessage(IDS_KEPT_WRITE_FAILED);
    }
}

// What a file command changed is kept at once: conf names the current file,
// so that a run ended without closing starts again with the file the kept
// texts belong to, and kept holds the texts the command gave the editors.
static void KeepDocument(HWND dialog)
{
    if (document.fileChanged) {
        document.fileChanged = false;
        KeepCurrentFileInSettings();
    }
    if (document.textsReplaced) {
        document.textsReplaced = false;
        keeping.dirty = true;
        SaveKeptEditors(dialog);
    }
}

void OpenPageFile(const char* path)
{
    OpenCalculatorFile(path);
    KeepDocument(mainWindow);
}

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
    LoadKeptEditors(dialog);
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
    SaveKeptEditors(dialog);
    if (settingsDirty)
        SaveSettings();
    DestroyWindow(dialog);
}

// Windows ends the program after this without closing its window.
static void EndMainSession(HWND dialog, WPARAM ending)
{
    if (!ending)
        return;
    SaveKeptEditors(dialog);
    SaveSettings();
}

// Of several files dropped, the first.
static void OpenDroppedFile(HDROP drop)
{
    char path[260] = "";
    UINT length = DragQueryFileA(drop, 0, NULL, 0);
    bool fits = length > 0 && length < sizeof path && DragQueryFileA(drop, 0, path, sizeof path) == length;
    DragFinish(drop);
    OpenPageFile(fits ? path : "");
}

// The two buttons' commands run when this message comes, not inside the key
// or click that pressed the button: under Wine, the shell starting the
// browser from inside a common controls 6 button's Return left the display
// settings unreadable for the rest of the run, and every later drag of the
// window threw it off the screen.
static constexpr UINT buttonCommandMessage = WM_APP + 1;

static void RunButtonCommand(HWND dialog, int id)
{
    if (id == IDM_LAUNCH)
        LaunchCalculator(FALSE);
    else
        CreateLaunch(FALSE);
    KeepDocument(dialog);
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
        PostOrRunNow(dialog, buttonCommandMessage, id);
        return TRUE;
    case IDM_SELECT_LAUNCH:
        LaunchCalculator(TRUE);
        return TRUE;
    case IDM_CREATE_LAUNCH:
        PostOrRunNow(dialog, buttonCommandMessage, id);
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
            NoteTextsChanged(dialog);
            return TRUE;
        }
        if (!RunCommand(dialog, LOWORD(wParam)))
            break;
        KeepDocument(dialog);
        return TRUE;
    case buttonCommandMessage:
        RunButtonCommand(dialog, static_cast<int>(wParam));
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
            SaveKeptEditors(dialog);
        return TRUE;
    case WM_ENDSESSION:
        EndMainSession(dialog, wParam);
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
