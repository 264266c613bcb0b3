// The program's entry and its process-wide handles.
#ifndef TALLISK_WINMAIN_H
#define TALLISK_WINMAIN_H

#include <windows.h>

extern HINSTANCE programInstance;
extern HWND mainWindow;
extern char aboutSecondLine[320];

// Registers "IconDialog": the standard dialog class with the program icon.
// Returns the class atom, 0 on failure.
ATOM RegisterIconDialogClass();
// One message of the program's loop, as the loop handles it.
void DispatchProgramMessage(MSG* message);

#endif
