// Stands in for the maker's base library velmora.dll, which is closed and not
// ours to ship in tests: the least library that does what the launcher expects.
// Velmora_LoadBase hands out one BaseObject; TakeStartData gives a block from
// msvcrt's heap; LaunchProgram starts a program from the library's own folder
// and hands it the arguments this process was given.
// When VELMORA_TEST_LOG names a file, every call is appended to it (tests only).
#include "velmora/velmora.h"
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" IMAGE_DOS_HEADER __ImageBase;  // this library's own module

static const char startDataText[] = "velmora start data";

static void LogCall(const char* format, ...)
{
    const char* name = getenv("VELMORA_TEST_LOG");
    if (!name || !*name)
        return;
    FILE* log = fopen(name, "a");
    if (!log)
        return;
    // The system run-time's own formatting keeps this library small; it may
    // leave the line unterminated when it is cut, hence the last byte.
    char line[2048];
    va_list args;
    va_start(args, format);
    _vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    line[sizeof line - 1] = '\0';
    fputs(line, log);
    fputc('\n', log);
    fclose(log);
}

// The full path of this library (size bytes), or false when it does not fit.
static bool GetLibraryPath(char* path, DWORD size)
{
    DWORD length = GetModuleFileNameA((HMODULE)&__ImageBase, path, size);
    return length > 0 && length < size;
}

static void* VELMORA_CALL TakeStartData()
{
    char* block = (char*)malloc(sizeof startDataText);
    if (block)
        memcpy(block, startDataText, sizeof startDataText);
    LogCall("take %p", (void*)block);
    return block;
}

// The most CreateProcess takes, the terminating zero included. Not on the
// stack: the caller's thread needs no 32 KiB frame for it.
static const size_t commandLineSize = 32767;
static char commandLine[commandLineSize];

// What follows the program's name on a command line, parsed as the shell
// does: a quoted name runs to the next quote, any other to the first blank.
static const char* SkipProgramName(const char* line)
{
    if (*line == '"') {
        const char* end = strchr(line + 1, '"');
        line = end ? end + 1 : line + strlen(line);
    } else {
        line += strcspn(line, " \t");
    }
    return line + strspn(line, " \t");
}

// Starts "<folder of this library>\<programFile>" with this process's
// arguments as they were written, quotes and all, and returns without waiting.
// The product name, the subfolder and the options are only recorded.
static BOOL VELMORA_CALL LaunchProgram(const char* product, const char* subfolder, const char* programFile,
    int option4, int option5, int option6, int option7, int option8, void* startData, HICON icon)
{
    LogCall("launch %s|%s|%s|%d|%d|%d|%d|%d|%p|%s|%s", product, subfolder, programFile, option4, option5,
        option6, option7, option8, startData, startData ? (const char*)startData : "(none)",
        icon == LoadIconA(NULL, IDI_APPLICATION) ? "default icon" : "other icon");
    char path[1024];
    if (!GetLibraryPath(path, sizeof path))
        return FALSE;
    char* name = strrchr(path, '\\');
    size_t folderLength = name ? (size_t)(name + 1 - path) : 0;
    size_t nameLength = strlen(programFile);
    if (folderLength + nameLength >= sizeof path)
        return FALSE;
    memcpy(path + folderLength, programFile, nameLength + 1);

    const char* arguments = SkipProgramName(GetCommandLineA());
    size_t pathLength = folderLength + nameLength, argumentsLength = strlen(arguments);
    // "path", then a blank and the arguments when there are any.
    size_t lineLength = pathLength + 2 + (argumentsLength ? 1 + argumentsLength : 0);
    if (lineLength >= commandLineSize) {
        LogCall("start refused %s: a command line of %lu characters", path, (unsigned long)lineLength);
        return FALSE;
    }
    commandLine[0] = '"';
    memcpy(commandLine + 1, path, pathLength);
    commandLine[1 + pathLength] = '"';
    char* end = commandLine + 2 + pathLength;
    if (argumentsLength) {
        *end++ = ' ';
        memcpy(end, arguments, argumentsLength);
        end += argumentsLength;
    }
    *end = '\0';
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        LogCall("start failed %s error %lu", path, GetLastError());
        return FALSE;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    LogCall("started %s", path);
    return TRUE;
}

static LaunchTable launchTable = {{}, LaunchProgram};
static BaseObject baseObject = {{}, TakeStartData, {}, &launchTable};

extern "C" BaseObject* VELMORA_CALL Velmora_LoadBase(HINSTANCE instance, HMODULE library)
{
    char path[1024];
    LogCall("load %s|instance %s|library %s", GetLibraryPath(path, sizeof path) ? path : "?",
        instance ? "given" : "null", library == (HMODULE)&__ImageBase ? "self" : "other");
    return &baseObject;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // A null reserved means FreeLibrary, not the end of the process.
    if (reason == DLL_PROCESS_DETACH && !reserved)
        LogCall("unload");
    return TRUE;
}
