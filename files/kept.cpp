// Keeps the editors' texts in "kept" beside "conf".
#include "files/kept.h"

#include <windows.h>

#include <cstring>

#include "builder/wholefile.h"
#include "files/progfiles.h"

// A damaged file goes to the first free name of kept.damaged, kept.damaged2
// to kept.damaged9, so that an earlier one is not lost either.
static bool MoveDamagedAside(const char* path)
{
    for (int number = 1; number <= 9; ++number) {
        char name[] = "kept.damaged\0";
        if (number > 1)
            name[12] = (char)('0' + number);
        char aside[programFilePathSize];
        if (GetProgramFilePath(aside, name) && MoveFileA(path, aside))
            return true;
    }
    return false;
}

KeptLoad LoadKeptTexts(KeptTexts* texts)
{
    *texts = KeptTexts {};
    char path[programFilePathSize];
    if (!GetProgramFilePath(path, "kept"))
        return keptAbsent;
    FILE* file = fopen(path, "rb");
    if (!file)
        return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? keptAbsent : keptUnreadable;
    KeptResult result = ReadKeptTexts(file, texts);
    fclose(file);
    if (result == keptOk)
        return keptLoaded;
    if (result == keptRead || result == keptMemory)
        return keptUnreadable;
    return MoveDamagedAside(path) ? keptMovedAside : keptNotMoved;
}

static bool WriteKeptFile(FILE* file, void* context)
{
    const char* const* text = static_cast<const char* const*>(context);
    unsigned long length[keptTextCount];
    for (int i = 0; i < keptTextCount; ++i)
        length[i] = (unsigned long)strlen(text[i]);
    return WriteKeptTexts(file, text, length) == keptOk;
}

bool SaveKeptTexts(const char* const text[keptTextCount])
{
    char path[programFilePathSize];
    return GetProgramFilePath(path, "kept")
        && WriteFileWhole(path, WriteKeptFile, const_cast<const char**>(text)) == fileWritten;
}
