#include "files/librarysearch.h"

#include <windows.h>

// Older headers lack these names.
#ifndef LOAD_LIBRARY_SEARCH_APPLICATION_DIR
#define LOAD_LIBRARY_SEARCH_APPLICATION_DIR 0x00000200
#endif
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

typedef BOOL(WINAPI* SetDefaultDllDirectoriesProc)(DWORD flags);

void LimitLibrarySearch()
{
    // Looked up rather than imported: Windows 7 has it only with an update,
    // and a missing import would stop the program from starting at all.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesProc setDefaultDllDirectories = kernel
        ? (SetDefaultDllDirectoriesProc)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories")
        : NULL;
    if (setDefaultDllDirectories
        && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Without it, at least the current folder leaves the search; PATH stays.
    SetDllDirectoryA("");
}
