// Interim: the least the main dialog needs until sizing and help land.
#include "ui/layout.h"

struct MainLayout MainLayout;
int settingsDirty;
HWND mainTooltip;
const UINT menuHelpIds[] = {0, 0, 0, 2500, 0, 0};

void RectToSize(RECT* rect) { rect->right -= rect->left; rect->bottom -= rect->top; }
void MoveChildBy(HWND, HWND, int, int, int, int, BOOL) {}
void AddControlTip(HWND, HWND, int, HINSTANCE, int) {}
void ShowPopupHelp(WPARAM, HINSTANCE, HWND, int) {}
BOOL HandleTipNotify(HWND, NMHDR*, HWND, HINSTANCE) { return FALSE; }
INT_PTR DialogFallback(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
void MeasureMainLayout(HWND) {}
void CreateMainTooltip(HWND) {}
void FitMainLayout(HWND) {}
void SetMinimumTrackSize(MINMAXINFO*) {}
void ShowMenuHelp(HWND, WPARAM, LPARAM) {}
