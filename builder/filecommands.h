// The file commands of the main window and the current calculator file.
#ifndef TALLISK_FILECOMMANDS_H
#define TALLISK_FILECOMMANDS_H

#include <windows.h>

extern char currentFolder[260];  // with its trailing separator
extern char currentFileName[260];  // bare name and extension
extern int isUntitled;  // non-zero while there is no current file
// The document beside the current file. The commands set the two changes;
// the main window keeps them (conf, kept) and clears them.
struct DocumentState {
    // The editors hold texts that a page holds too: since the last Create
    // Launch, Open or page loaded.
    bool textsInPage;
    bool textsReplaced;  // a command gave the editors new texts
    bool fileChanged;  // a command made another file current, or none
};
extern DocumentState document;

// A filter list: pairs of zero-terminated texts ending in an empty one. The
// buffer a builder fills holds four texts of up to 260 bytes and the final zero.
typedef void (*FilterBuilder)(char* filter);
const int filterListSize = 4 * 260 + 1;

// The untitled state with empty editors; asks nothing (the settings load uses it).
void NewCalculator();
// File, New: asks first when the editors hold texts that no page holds.
void StartNewCalculator();
// File, Open...: a page that reads back fills the editors and becomes the
// current file; one that does not is named in a message and changes nothing.
void OpenCalculator();
// The same for a page named outside the window (command line, a drop); an
// empty path is one that could not be taken whole, and says so.
void OpenCalculatorFile(const char* path);
// A page chosen in its dialog is loaded as Open does, then launched.
void LaunchCalculator(BOOL forceDialog);
void CreateLaunch(BOOL forceDialog);
// An editor's text changed: it is no page's until written or replaced.
void NoteEditorsChanged();
// At start, after the kept texts: they count as written when the current
// file reads back to exactly them.
void NoteStartTexts();
// Makes currentFolder + currentFileName the current file: writes the path into
// path (260 bytes) and shows it in the caption. A joined path longer than 259
// characters is no usable file: the window goes untitled (caption "New", the
// editors kept), path is empty and the result is false.
bool ComposeCurrentPath(char* path);
void ShowTitleWithFile(const char* text);
BOOL ShowFileDialog(char* folder, char* fileName, FilterBuilder buildFilter, HWND owner, const char* title,
    DWORD flags, BOOL openDialog);
void FillCalculatorFilter(char* filter);
// Returns a zero-filled heap buffer with the editor's whole text (null when
// memory runs out); the caller frees it.
char* ReadEditText(int controlId);
int ShowStringMessage(HWND owner, HINSTANCE instance, UINT titleId, UINT textId, UINT type);

#endif
