// Stands in for Tallisk.exe in the launcher tests: records how it was started
// in the stand-in library's test log, then ends.
// Given "start N LINE", it starts LINE instead, followed by a blank and N
// letters a when N is not 0, waits for it and returns its exit code: a Windows
// program can start another with up to 32,766 characters and an unquoted
// name, which Wine started from a shell never gives.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static char startLine[32767];

static int Start(const char* arguments)
{
    char* rest;
    unsigned long letters = strtoul(arguments, &rest, 10);
    if (rest == arguments || *rest != ' ')
        return 2;
    size_t length = strlen(++rest);
    if (length + (letters ? 1 + letters : 0) >= sizeof startLine)
        return 2;
    memcpy(startLine, rest, length);
    if (letters) {
        startLine[length] = ' ';
        memset(startLine + length + 1, 'a', letters);
        length += 1 + letters;
    }
    startLine[length] = '\0';
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, startLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 3;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 4;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)code;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Wine quotes the name of a program it starts from a shell.
    const char* line = GetCommandLineA();
    const char* arguments = *line == '"' ? strchr(line + 1, '"') : NULL;
    if (arguments && strncmp(arguments, "\" start ", 8) == 0)
        return Start(arguments + 8);

    const char* name = getenv("VELMORA_TEST_LOG");
    FILE* log = name ? fopen(name, "a") : NULL;
    if (!log)
        return 1;
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    int written = fprintf(log, "program %s|in %s\n", line, folder);
    return fclose(log) == 0 && written > 0 ? 0 : 1;
}
