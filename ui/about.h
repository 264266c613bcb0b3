// Help menu: the About box and the manual.
#ifndef TALLISK_ABOUT_H
#define TALLISK_ABOUT_H

#include <windows.h>

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowAboutBox(HWND owner);
// Opens "manual.htm" from the program folder with the shell.
void OpenManual();

#endif
