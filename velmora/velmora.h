// The interface of the base library velmora.dll as the launcher calls it.
// Its records are arrays of words, each a pointer wide: 4 bytes in the 32-bit
// product, whose byte offsets bind any library put in its place, and 8 bytes
// in the 64-bit test build. The launcher reads only the words fixed below.
#pragma once
#include <windows.h>
#include <cstddef>

// Every operation of the library, the export included, uses __stdcall, the
// usual convention of Windows libraries: the callee pops its arguments.
#define VELMORA_CALL __stdcall

typedef void*(VELMORA_CALL* TakeStartDataProc)(void);
// Arguments 4 to 8 are options; the launcher passes 0, 1, 0, 0, 0.
typedef BOOL(VELMORA_CALL* LaunchProgramProc)(const char* product, const char* subfolder,
    const char* programFile, int option4, int option5, int option6, int option7, int option8, void* startData,
    HICON icon);

struct LaunchTable {
    void* reserved[24];
    LaunchProgramProc LaunchProgram;  // word 24, byte offset 96
};

struct BaseObject {
    void* reserved[4];
    TakeStartDataProc TakeStartData;  // word 4, byte offset 16
    void* reserved2[44];
    LaunchTable* launchTable;  // word 49, byte offset 196
};

typedef BaseObject*(VELMORA_CALL* LoadBaseProc)(HINSTANCE instance, HMODULE library);

static_assert(offsetof(BaseObject, TakeStartData) == 4 * sizeof(void*), "TakeStartData is word 4");
static_assert(offsetof(BaseObject, launchTable) == 49 * sizeof(void*), "the launch table is word 49");
static_assert(offsetof(LaunchTable, LaunchProgram) == 24 * sizeof(void*), "LaunchProgram is word 24");
#ifndef _WIN64
static_assert(offsetof(BaseObject, TakeStartData) == 16, "TakeStartData is at byte 16");
static_assert(offsetof(BaseObject, launchTable) == 196, "the launch table is at byte 196");
static_assert(offsetof(LaunchTable, LaunchProgram) == 96, "LaunchProgram is at byte 96");
#endif
