// The main window as a window: what stretches and moves on resizing, its
// smallest size, where it may open, the status-bar help for menus and
// tooltips, and the default GUI font that every dialog gives its children.
#include "ui/layout.h"

#include <commctrl.h>

#include "ui/resource.h"
#include "ui/winmain.h"

struct MainLayout MainLayout;
int settingsDirty;
HWND mainTooltip;
// MenuHelp's table: the File popup's help sits in the second pair.
const UINT menuHelpIds[] = {0, 0, 0, IDS_FILE_POPUP_HELP, 0, 0};

// The tooltip record in its first form: the tooltip control accepts it everywhere.
static const UINT toolInfoSize = TTTOOLINFOA_V1_SIZE;

void RectToSize(RECT* rect)
{
    rect->right -= rect->left;
    rect->bottom -= rect->top;
}

void MoveChildBy(HWND dialog, HWND control, int dx, int dy, int dw, int dh, BOOL repaint)
{
    RECT place;
    GetWindowRect(control, &place);
    ScreenToClient(dialog, (POINT*)&place.left);
    ScreenToClient(dialog, (POINT*)&place.right);
    RectToSize(&place);
    MoveWindow(control, place.left + dx, place.top + dy, place.right + dw, place.bottom + dh, repaint);
}

void AddControlTip(HWND tooltip, HWND dialog, int controlId, HINSTANCE instance, int textId)
{
    TTTOOLINFOA tool;
    ZeroMemory(&tool, sizeof tool);
    tool.cbSize = toolInfoSize;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = (UINT_PTR)GetDlgItem(dialog, controlId);
    tool.hinst = instance;
    tool.lpszText = (LPSTR)MAKEINTRESOURCEA(textId);
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, (LPARAM)&tool);
}

// Puts the status bar into simple mode showing one help text.
static void ShowSimpleStatus(HWND statusBar, const char* text)
{
    SendMessageA(statusBar, SB_SIMPLE, TRUE, 0);
    SendMessageA(statusBar, SB_SETTEXTA, 255, (LPARAM)text);
}

void ShowPopupHelp(WPARAM menuSelect, HINSTANCE instance, HWND statusBar, int firstId)
{
    char text[300] = {0};
    LoadStringA(instance, firstId + LOWORD(menuSelect), text, 300);
    ShowSimpleStatus(statusBar, text);
}

BOOL HandleTipNotify(HWND dialog, NMHDR* header, HWND statusBar, HINSTANCE instance)
{
    if (!statusBar)
        return FALSE;
    if (header->code == (UINT)TTN_SHOW) {
        TTTOOLINFOA tool;
        ZeroMemory(&tool, sizeof tool);
        tool.cbSize = toolInfoSize;
        tool.hwnd = dialog;
        tool.uId = header->idFrom;
        SendMessageA(header->hwndFrom, TTM_GETTOOLINFOA, 0, (LPARAM)&tool);
        // The help string shares the control's id.
        UINT_PTR textId = header->idFrom;
        if (tool.uFlags & TTF_IDISHWND)
            textId = (UINT_PTR)GetWindowLongPtrA((HWND)header->idFrom, GWLP_ID);
        char text[100] = {0};
        LoadStringA(instance, (UINT)textId, text, 100);
        ShowSimpleStatus(statusBar, text);
        return TRUE;
    }
    if (header->code == (UINT)TTN_POP) {
        SendMessageA(statusBar, SB_SIMPLE, FALSE, 0);
        return TRUE;
    }
    return FALSE;
}

static BOOL CALLBACK SetChildFont(HWND child, LPARAM font)
{
    SendMessageA(child, WM_SETFONT, (WPARAM)font, FALSE);
    return TRUE;
}

INT_PTR DialogFallback(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    EnumChildWindows(dialog, SetChildFont, (LPARAM)GetStockObject(DEFAULT_GUI_FONT));
    return TRUE;
}

void PostOrRunNow(HWND dialog, UINT message, WPARAM wParam)
{
    if (!PostMessageA(dialog, message, wParam, 0))
        SendMessageA(dialog, message, wParam, 0);
}

void MeasureMainLayout(HWND dialog)
{
    // The outer size the dialog manager gives the template: its size in
    // pixels framed as its own style asks, without the caption an overlapped
    // window gets on top. A window larger than the screen is created smaller
    // than that, and its own size would give too small a minimum.
    RECT window, outer = {0, 0, MAIN_DIALOG_WIDTH, MAIN_DIALOG_HEIGHT}, function;
    GetWindowRect(dialog, &window);
    RectToSize(&window);
    MapDialogRect(dialog, &outer);
    AdjustWindowRectEx(&outer, (DWORD)GetWindowLongPtrA(dialog, GWL_STYLE) & ~WS_CAPTION, FALSE,
        (DWORD)GetWindowLongPtrA(dialog, GWL_EXSTYLE));
    RectToSize(&outer);
    if (outer.right < window.right)
        outer.right = window.right;
    if (outer.bottom < window.bottom)
        outer.bottom = window.bottom;
    GetWindowRect(GetDlgItem(dialog, IDC_FUNCTION), &function);
    RectToSize(&function);
    MainLayout.appliedWidth = outer.right;
    MainLayout.minWidth = outer.right - function.right;
    MainLayout.appliedHeight = outer.bottom;
    MainLayout.minHeight = outer.bottom - function.bottom;
}

void CreateMainTooltip(HWND dialog)
{
    mainTooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, NULL, WS_POPUP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, programInstance, NULL);
    if (!mainTooltip)
        return;
    AddControlTip(mainTooltip, dialog, IDC_NAME, programInstance, IDS_TIP_NAME);
    AddControlTip(mainTooltip, dialog, IDC_FUNCTION, programInstance, IDS_TIP_FUNCTION);
    AddControlTip(mainTooltip, dialog, IDC_VARIABLES, programInstance, IDS_TIP_VARIABLES);
    AddControlTip(mainTooltip, dialog, IDM_CREATE_LAUNCH, programInstance, IDS_TIP_CREATE);
    AddControlTip(mainTooltip, dialog, IDM_LAUNCH, programInstance, IDS_TIP_LAUNCH);
}

void FitMainLayout(HWND dialog)
{
    RECT outer;
    GetWindowRect(dialog, &outer);
    RectToSize(&outer);
    // Every control that stretches in width: the whole stack.
    static const int stack[] = {IDC_NAME, IDC_FUNCTION, IDC_VARIABLES, IDM_CREATE_LAUNCH, IDM_LAUNCH};
    if (outer.right >= MainLayout.minWidth) {
        settingsDirty = 1;
        int dw = outer.right - MainLayout.appliedWidth;
        for (int id : stack)
            MoveChildBy(dialog, GetDlgItem(dialog, id), 0, 0, dw, 0, TRUE);
        MainLayout.appliedWidth = outer.right;
    }
    // The function editor takes the height; everything under it moves.
    if (outer.bottom >= MainLayout.minHeight) {
        settingsDirty = 1;
        int dh = outer.bottom - MainLayout.appliedHeight;
        MoveChildBy(dialog, GetDlgItem(dialog, IDC_FUNCTION), 0, 0, 0, dh, TRUE);
        for (int i = 2; i < 5; ++i)
            MoveChildBy(dialog, GetDlgItem(dialog, stack[i]), 0, dh, 0, 0, TRUE);
        MainLayout.appliedHeight = outer.bottom;
    }
    HWND statusBar = GetDlgItem(dialog, IDC_STATUSBAR);
    if (IsWindowVisible(statusBar))
        SendMessageA(statusBar, WM_SIZE, 0, 0);
}

// Whether the caption's middle row lies on the work area for a stretch as
// wide as three of its buttons (or half the caption of a narrower window),
// so that the mouse can take the window.
static bool CanGrabCaption(const RECT* outer, const RECT* work)
{
    int middle = outer->top + GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    int grab = 3 * GetSystemMetrics(SM_CXSIZE);
    if (grab > (outer->right - outer->left) / 2)
        grab = (outer->right - outer->left) / 2;
    int left = outer->left > work->left ? outer->left : work->left;
    int right = outer->right < work->right ? outer->right : work->right;
    return middle >= work->top && middle < work->bottom && right - left >= grab;
}

// One side's extent and start kept inside [workStart, workEnd), the extent
// never below the minimum.
static void FitSpan(LONG* start, LONG* extent, int minimum, LONG workStart, LONG workEnd)
{
    if (*extent > workEnd - workStart)
        *extent = workEnd - workStart > minimum ? workEnd - workStart : minimum;
    if (*start + *extent > workEnd)
        *start = workEnd - *extent;
    if (*start < workStart)
        *start = workStart;
}

void KeepMainWindowOnScreen(HWND dialog, bool storedPlace)
{
    RECT outer;
    GetWindowRect(dialog, &outer);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&outer, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT* work = &monitor.rcWork;
    bool fits = outer.right - outer.left <= work->right - work->left
        && outer.bottom - outer.top <= work->bottom - work->top;
    if (storedPlace && fits && CanGrabCaption(&outer, work))
        return;
    RECT place = outer;
    RectToSize(&place);
    FitSpan(&place.left, &place.right, MainLayout.minWidth, work->left, work->right);
    FitSpan(&place.top, &place.bottom, MainLayout.minHeight, work->top, work->bottom);
    if (place.left != outer.left || place.top != outer.top || place.right != outer.right - outer.left
        || place.bottom != outer.bottom - outer.top)
        MoveWindow(dialog, place.left, place.top, place.right, place.bottom, FALSE);
}

void SetMinimumTrackSize(MINMAXINFO* info)
{
    info->ptMinTrackSize.x = MainLayout.minWidth;
    info->ptMinTrackSize.y = MainLayout.minHeight;
}

void ShowMenuHelp(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    HWND statusBar = GetDlgItem(dialog, IDC_STATUSBAR);
    HMENU menuBar = GetMenu(dialog);
    // A closing menu reports no menu; it must reach MenuHelp to empty the bar.
    if (menuBar && (HMENU)lParam == menuBar && (HIWORD(wParam) & MF_POPUP)) {
        ShowPopupHelp(wParam, programInstance, statusBar, IDS_FILE_POPUP_HELP);
        return;
    }
    MenuHelp(WM_MENUSELECT, wParam, lParam, NULL, programInstance, statusBar, const_cast<UINT*>(menuHelpIds));
}
