// Stands in for Tallisk.exe in the launcher tests: records how it was started
// in the stand-in library's test log, then ends.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* name = getenv("VELMORA_TEST_LOG");
    FILE* log = name ? fopen(name, "a") : NULL;
    if (!log)
        return 1;
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    fprintf(log, "program %s|in %s\n", GetCommandLineA(), folder);
    fclose(log);
    return 0;
}
