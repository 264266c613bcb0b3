// The real main dialog created in-process. Every window that comes up owned by
// it (message boxes, file dialogs, About) and every message box without an
// owner (the settings' own) is recorded and dismissed, so that no test waits
// for a person.
#ifndef TALLISK_TESTS_WINDOW_HARNESS_H
#define TALLISK_TESTS_WINDOW_HARNESS_H

#include <windows.h>

#include <string>
#include <vector>

struct Shown {
    std::string caption;
    std::string text;  // the window's static texts, joined by "|"
    HWND owner;
};

// What came up since the program last started, oldest first.
extern std::vector<Shown> shown;
// A test that ends a window its own way points this at a routine that does
// so and returns true; on false the harness cancels the window.
extern bool (*answerShown)(HWND window);
// Whether the pump met the quit message, and its code.
extern bool quitSeen;
extern WPARAM quitCode;

// Once per process: instance, common controls, texts, the window class and
// the hook. False when the class or the hook could not be had.
bool PrepareProgram();
// Starts like a new run of the program: globals and records cleared, the
// dialog created and its first messages handled. The kept editor texts of an
// earlier run are removed first; RestartMainWindow leaves them to be loaded,
// and keeps answerShown, so that what a page on the command line asks is
// answered as the test says.
HWND CreateMainWindow();
// commandTail is what the program's command line holds after its name.
HWND RestartMainWindow(const char* commandTail = NULL);
// Handles what is queued as the program's loop would, and notes WM_QUIT.
void PumpMessages();
// Destroys the window if it still exists and takes the quit message it posts.
void DestroyMainWindow(HWND dialog);
// Sends the close request as the close box does; the window is gone afterwards.
void CloseMainWindow(HWND dialog);

// Files dropped on the window as the shell drops them.
void DropFiles(HWND window, const std::vector<std::string>& paths);

// A file next to the test program ("" for the folder itself).
std::string ProgramFile(const char* name);
// The whole file, or "<missing>" when it cannot be opened.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// A file, or an empty folder, removed.
void RemovePath(const std::string& path);

// Points the test prefix's recording handler at dosPath: it appends every
// file or address the shell is asked to open.
void RecordOpenedFilesIn(const std::string& dosPath);
// Waits, pumping messages, until that record holds `entry` count times.
bool WaitForOpened(const std::string& entry, int count = 1);

// A string of the program's string table.
std::string ProgramString(UINT id);
std::string WindowText(HWND window);
RECT OuterRect(HWND window);

#endif
