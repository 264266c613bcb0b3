// Calculator pages on disk, written whole and read back.
#include "builder/pagefile.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "builder/page.h"

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

WholeFileResult WritePageFile(const char* path, const char* name, char* variables, const char* function)
{
    PageSource source = {name, variables, function};
    return WriteFileWhole(path, WritePage, &source);
}

static const DWORD readChunk = 1 << 20;

// Only a file on a disk is read, and only if it can be a page: a pipe or a
// device could keep the window waiting for ever, and a file over the limit
// is refused before its bytes are read.
static PageReadResult ReadOpenPageFile(HANDLE file, PageTexts* texts)
{
    LARGE_INTEGER size;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size))
        return pageReadFailed;
    if (static_cast<unsigned long long>(size.QuadPart) > pageFileLimit)
        return pageTooLarge;
    // One byte more, so that an empty file has a buffer too.
    char* page = static_cast<char*>(malloc(static_cast<size_t>(size.QuadPart) + 1));
    if (page == NULL)
        return pageReadMemory;
    // What the file holds now: it may have shrunk since its size was taken,
    // and what it grew by is not read.
    size_t wanted = static_cast<size_t>(size.QuadPart), got = 0;
    bool read = true;
    while (read && got < wanted) {
        DWORD chunk = wanted - got < readChunk ? static_cast<DWORD>(wanted - got) : readChunk, count = 0;
        read = ReadFile(file, page + got, chunk, &count, NULL) != 0;
        got += count;
        if (count == 0)
            break;
    }
    PageReadResult result = read ? ReadCalculatorPage(page, got, texts) : pageReadFailed;
    free(page);
    return result;
}

PageReadResult ReadPageFile(const char* path, PageTexts* texts)
{
    texts->name = texts->variables = texts->function = NULL;
    // A folder cannot be opened so; writers and deleters of the page are let be.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return pageReadFailed;
    PageReadResult result = ReadOpenPageFile(file, texts);
    CloseHandle(file);
    return result;
}

bool PageFileHasBytes(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data)
        && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        && (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}
