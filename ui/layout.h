// The main window's sizing, fonts, tooltips and status-bar help.
#ifndef TALLISK_LAYOUT_H
#define TALLISK_LAYOUT_H

#include <windows.h>

// Outer sizes in pixels: the smallest allowed, and the last the controls were fitted to.
struct MainLayout {
    int minWidth;
    int minHeight;
    int appliedWidth;
    int appliedHeight;
};
extern struct MainLayout MainLayout;
extern int settingsDirty;
extern HWND mainTooltip;
extern const UINT menuHelpIds[];

void RectToSize(RECT* rect);
void MoveChildBy(HWND dialog, HWND control, int dx, int dy, int dw, int dh, BOOL repaint);
void AddControlTip(HWND tooltip, HWND dialog, int controlId, HINSTANCE instance, int textId);
void ShowPopupHelp(WPARAM menuSelect, HINSTANCE instance, HWND statusBar, int firstId);
BOOL HandleTipNotify(HWND dialog, NMHDR* header, HWND statusBar, HINSTANCE instance);
// Where every dialog procedure ends: fonts at WM_INITDIALOG (TRUE), else FALSE.
INT_PTR DialogFallback(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Posts a dialog's own message, to run a command once the input that asked
// for it is handled; a full queue must not swallow it, so it runs now then.
void PostOrRunNow(HWND dialog, UINT message, WPARAM wParam);

// The main dialog's steps, one per message it hands over.
void MeasureMainLayout(HWND dialog);  // WM_INITDIALOG, before menu and status bar
void CreateMainTooltip(HWND dialog);  // WM_INITDIALOG, after the settings load
// WM_INITDIALOG, after the settings load: the window inside the work area of
// its nearest monitor, shrunk to it if larger (never below the minimum). A
// stored place whose caption can be grabbed is left as it is, unless larger.
void KeepMainWindowOnScreen(HWND dialog, bool storedPlace);
void FitMainLayout(HWND dialog);  // WM_SIZE
void SetMinimumTrackSize(MINMAXINFO* info);  // WM_GETMINMAXINFO
void ShowMenuHelp(HWND dialog, WPARAM wParam, LPARAM lParam);  // WM_MENUSELECT

#endif
