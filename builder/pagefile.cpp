// Calculator pages on disk. A page is never replaced by less than a whole
// page: the new one is written beside it and takes its place only once it is
// on the disk.
#include "builder/pagefile.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "builder/page.h"
#include "builder/scan.h"
#include "files/progfiles.h"
#include "files/scramble.h"

namespace {

struct PageSource {
    const char* name;
    char* variables;
    const char* function;
};

bool WritePage(FILE* file, void* context)
{
    PageSource* source = static_cast<PageSource*>(context);
    return WriteCalculatorPage(file, source->name, source->variables, source->function);
}

}  // namespace

PageWriteResult WritePageFile(const char* path, const char* name, char* variables, const char* function)
{
    char folder[260] = "";
    if (!CopyText(folder, sizeof folder, path))
        return pageNotCreated;
    *AfterLastSeparator(folder) = 0;
    // A name of the system's choosing that no other file has: the system
    // creates it, so two copies of the program never share one.
    char temporary[MAX_PATH] = "";
    if (GetTempFileNameA(folder[0] != 0 ? folder : ".", "tlk", 0, temporary) == 0)
        return pageNotCreated;
    PageSource source = {name, variables, function};
    if (!WriteFileThrough(temporary, WritePage, &source))
        return pageNotWritten;
    // ReplaceFile keeps the old page's attributes and security; a new page
    // has none to keep.
    bool placed = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES
        ? ReplaceFileA(path, temporary, NULL, 0, NULL, NULL) != 0
        : MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (placed)
        return pageWritten;
    DeleteFileA(temporary);
    return pageNotWritten;
}

PageReadResult ReadPageFile(const char* path, PageTexts* texts)
{
    texts->name = texts->variables = texts->function = NULL;
    FILE* file = fopen(path, "rb");
    if (file == NULL)
        return pageReadFailed;
    PageReadResult result = ReadCalculatorPageFile(file, texts);
    fclose(file);
    return result;
}

bool PageFileHasBytes(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data)
        && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        && (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}
