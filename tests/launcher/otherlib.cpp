// Two velmora.dll copies that give the launcher no BaseObject, for its tests:
// one without Velmora_LoadBase, and one (REFUSING) whose Velmora_LoadBase
// returns null. Each records in the test log when the launcher unloads it.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

#ifdef REFUSING
#define KIND "refusing"
#else
#define KIND "without export"
#endif

static void Record(const char* text)
{
    const char* name = getenv("VELMORA_TEST_LOG");
    if (FILE* log = name ? fopen(name, "a") : NULL) {
        fprintf(log, "%s %s\n", text, KIND);
        fclose(log);
    }
}

#ifdef REFUSING
extern "C" void* __stdcall Velmora_LoadBase(HINSTANCE, HMODULE)
{
    Record("load");
    return NULL;
}
#else
extern "C" int __stdcall Velmora_Version()
{
    return 1;
}
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // A null reserved means FreeLibrary, not the end of the process.
    if (reason == DLL_PROCESS_DETACH && !reserved)
        Record("unload");
    return TRUE;
}
