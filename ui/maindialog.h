// The main window: a modeless dialog with the editors, menu and status bar.
#ifndef TALLISK_MAINDIALOG_H
#define TALLISK_MAINDIALOG_H

#include <windows.h>

extern char programTitle[320];
extern char linkLabel[320];
extern char webAddress[320];
// Keys that work from anywhere in the main window (Ctrl+O).
extern HACCEL mainAccelerators;

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
