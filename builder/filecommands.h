// The file commands of the main window and the current calculator file.
#ifndef TALLISK_FILECOMMANDS_H
#define TALLISK_FILECOMMANDS_H

#include <windows.h>

extern char currentFolder[260];  // with its trailing separator
extern char currentFileName[260];  // bare name and extension
extern int isUntitled;  // non-zero while there is no current file

// A filter list: pairs of zero-terminated texts ending in an empty one. The
// buffer a builder fills holds four texts of up to 260 bytes and the final zero.
typedef void (*FilterBuilder)(char* filter);
const int filterListSize = 4 * 260 + 1;

void NewCalculator();
void LaunchCalculator(BOOL forceDialog);
void CreateLaunch(BOOL forceDialog);
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
