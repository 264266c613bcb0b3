// The program folder, and small files written next to the program.
#include "files/progfiles.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "builder/scan.h"
#include "files/scramble.h"

void GetProgramFolder(char* buffer)
{
    DWORD length = GetModuleFileNameA(GetModuleHandleA(NULL), buffer, 260);
    // A cut-off module path would name some other folder.
    if (length == 0 || length >= 260) {
        buffer[0] = 0;
        return;
    }
    *AfterLastSeparator(buffer) = 0;
}

bool GetProgramFilePath(char* path, const char* name)
{
    memset(path, 0, programFilePathSize);
    GetProgramFolder(path);
    if (AppendText(path, programFilePathSize, name))
        return true;
    path[0] = 0;
    return false;
}

int WriteBufferToFile(const char* path, int length, const char* data)
{
    if (length < 0)
        return 0;
    char mode[openModeLength];
    UnscrambleText(scrambledOpenMode, mode, openModeLength);
    FILE* file = fopen(path, mode);
    if (file == NULL)
        return 0;
    // A short file must not be handed on as if it were whole; a full disk
    // shows only when the buffer is flushed.
    size_t written = fwrite(data, 1, static_cast<size_t>(length), file);
    bool whole = written == static_cast<size_t>(length);
    whole = fflush(file) == 0 && whole;
    whole = fclose(file) == 0 && whole;
    return whole ? 1 : 0;
}

int OpenLinkFile(const char* text, const char* fileName)
{
    char path[programFilePathSize];
    char content[300] = {};
    char scratch[300] = {};
    if (!GetProgramFilePath(path, fileName))
        return 0;
    UnscrambleText(scrambledLinkLeadingText, scratch, linkLeadingTextLength);
    CopyText(content, sizeof content, scratch);
    if (!AppendText(content, sizeof content, text))
        return 0;
    // The file ends with the text's zero byte.
    if (!WriteBufferToFile(path, static_cast<int>(strlen(content)) + 1, content))
        return 0;
    ShellExecuteA(NULL, NULL, path, NULL, NULL, SW_SHOWNORMAL);
    return 1;
}
