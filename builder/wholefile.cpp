#include "builder/wholefile.h"

#include <windows.h>

#include <io.h>

// A full disk shows only when the buffer is flushed; the commit makes the
// bytes safe before the file takes another's place.
static bool WriteFileThrough(const char* path, FileWriter write, void* context)
{
    FILE* file = fopen(path, "wb");
    if (file == NULL)
        return false;
    bool written = write(file, context) && fflush(file) == 0 && _commit(_fileno(file)) == 0;
    return fclose(file) == 0 && written;
}

WholeFileResult WriteFileWhole(const char* path, FileWriter write, void* context)
{
    // A folder in the way is no file to replace (the system would let a
    // file take an empty one's place).
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return fileNotCreated;
    char folder[MAX_PATH] = "";
    char* name = NULL;
    DWORD length = GetFullPathNameA(path, sizeof folder, folder, &name);
    if (length == 0 || length >= sizeof folder || name == NULL)
        return fileNotCreated;
    *name = 0;
    // A name of the system's choosing that no other file has: the system
    // creates it, so two copies of the program never share one.
    char temporary[MAX_PATH] = "";
    if (GetTempFileNameA(folder, "tlk", 0, temporary) == 0)
        return fileNotCreated;
    // ReplaceFile keeps the old file's attributes and security; a new file
    // has none to keep.
    bool placed = WriteFileThrough(temporary, write, context)
        && (attributes != INVALID_FILE_ATTRIBUTES
                ? ReplaceFileA(path, temporary, NULL, 0, NULL, NULL) != 0
                : MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0);
    if (placed)
        return fileWritten;
    DeleteFileA(temporary);
    return fileNotWritten;
}
