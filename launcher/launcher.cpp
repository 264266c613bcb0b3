// The launcher: has the maker's base library start Tallisk from the folder
// "lib" beside it. No window, no message; the exit code is always 0.
#include <windows.h>
#include <cstdlib>
#include "files/librarysearch.h"
#include "velmora/velmora.h"

// The one base library the launcher holds, null when none is loaded.
HMODULE libraryHandle = NULL;

// Appends text to the zero-terminated text in buffer (size bytes): all of it,
// or nothing and false when it does not fit.
static bool AppendPathText(char* buffer, size_t size, const char* text)
{
    size_t used = strlen(buffer), length = strlen(text);
    if (used + length >= size)
        return false;
    memcpy(buffer + used, text, length + 1);
    return true;
}

BaseObject* LoadBase(HINSTANCE instance, const char* library)
{
    libraryHandle = LoadLibraryA(library);
    if (!libraryHandle)
        return NULL;
    // A library without the export stays in libraryHandle for the caller to release.
    LoadBaseProc loadBase = (LoadBaseProc)(void*)GetProcAddress(libraryHandle, "Velmora_LoadBase");
    if (!loadBase)
        return NULL;
    return loadBase(instance, libraryHandle);
}

BaseObject* LoadBaseFromLib(HINSTANCE instance, const char* subfolder)
{
    char path[300] = {};
    DWORD length = GetModuleFileNameA(instance, path, 260);
    // A cut-off path would name some other folder's library: load nothing then.
    if (length == 0 || length >= 260)
        return NULL;
    size_t cut = 0;
    for (size_t i = length; i > 0; i--) {
        if (path[i - 1] == '\\' || path[i - 1] == ':') {
            cut = i;
            break;
        }
    }
    path[cut] = '\0';
    if (!AppendPathText(path, sizeof path, subfolder) || !AppendPathText(path, sizeof path, "velmora.dll"))
        return NULL;
    return LoadBase(instance, path);
}

static void ReleaseLibrary()
{
    if (libraryHandle) {
        FreeLibrary(libraryHandle);
        libraryHandle = NULL;
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    LimitLibrarySearch();
    void* startData = NULL;
    // First by the bare name, so that a copy beside the launcher or in the
    // system folders, the only places now searched, is found.
    BaseObject* base = LoadBase(instance, "velmora.dll");
    if (base)
        startData = base->TakeStartData();
    ReleaseLibrary();

    base = LoadBaseFromLib(instance, "lib\\");
    if (base) {
        LaunchTable* table = base->launchTable;
        HICON icon = LoadIconA(NULL, IDI_APPLICATION);
        table->LaunchProgram("Tallisk", "lib", "Tallisk.exe", 0, 1, 0, 0, 0, startData, icon);
    }
    ReleaseLibrary();

    // The block came from msvcrt's heap and outlives the library that made it.
    if (startData)
        free(startData);
    return 0;
}

// The process entry: the C runtime's start-up is left out to keep the program
// small, since nothing here needs its initialisation.
extern "C" void WINAPI LauncherStart()
{
    ExitProcess(WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT));
}
