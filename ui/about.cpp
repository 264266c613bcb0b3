// Interim: the About box opens and closes; the manual is not opened yet.
#include "ui/about.h"
#include "ui/winmain.h"

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 1);
    return TRUE;
  }
  return FALSE;
}

void ShowAboutBox(HWND owner) { DialogBoxParamA(programInstance, "About", owner, AboutDialogProc, 0); }
void OpenManual() {}
