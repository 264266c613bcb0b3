// The main window: a modeless dialog with the editors, menu and status bar.
#ifndef TALLISK_MAINDIALOG_H
#define TALLISK_MAINDIALOG_H

#include <windows.h>

extern char programTitle[320];
extern char linkLabel[320];
extern char webAddress[320];
// Keys that work from anywhere in the main window (Ctrl+O).
extern HACCEL mainAccelerators;

// The editors' texts in kept: unwritten changes, and the two states in which
// nothing more is written or said for the rest of the run.
struct KeepingState {
    bool dirty;  // the editors changed since kept was last written
    bool stopped;  // kept is there but could not be read or moved aside
    bool failureShown;  // a failed write was said; later ones are silent
};
extern KeepingState keeping;
// How long after the last change the texts are written, in milliseconds.
const UINT keepDelay = 2000;

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A page named outside the window (a drop, a second start) opened as File,
// Open does, and what that changed kept.
void OpenPageFile(const char* path);

#endif
