// The real main dialog created in-process, with every message box it shows
// recorded and dismissed so that a test never waits for a person.
#ifndef TALLISK_TESTS_WINDOW_HARNESS_H
#define TALLISK_TESTS_WINDOW_HARNESS_H

#include <windows.h>

#include <string>
#include <vector>

struct ShownBox {
    std::string text;
    HWND owner;
};

// What the thread's message boxes said, oldest first; the harness clears it.
extern std::vector<ShownBox> shownBoxes;

// Once per process: instance, common controls, texts and the window class.
void PrepareProgram();
// Starts like a new run of the program: globals cleared, the dialog created.
HWND CreateMainWindow();
// Destroys the window if it still exists and drops the quit message it posts.
void DestroyMainWindow(HWND dialog);
// Sends the close request as the close box does; the window is gone afterwards.
void CloseMainWindow(HWND dialog);

// A file next to the test program.
std::string ProgramFile(const char* name);
void WriteProgramFile(const char* name, const std::string& bytes);
// The file's bytes; "<missing>" when it cannot be read.
std::string ReadProgramFile(const char* name);
void RemoveProgramFile(const char* name);

// A string of the program's string table.
std::string ProgramString(UINT id);
std::string WindowText(HWND window);
RECT OuterRect(HWND window);
// A control's rectangle in the dialog's client coordinates.
RECT ChildRect(HWND dialog, int id);

#endif
