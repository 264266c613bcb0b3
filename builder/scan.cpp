#include "builder/scan.h"

#include <cstring>

const char lineBreakSet[] = "\r\n";
const char slashSet[] = "/";
const char ampersandSet[] = "&";

bool IsCharInSet(const char* set, char c)
{
    if (c == 0)
        return false;
    for (; *set != 0; ++set)
        if (*set == c)
            return true;
    return false;
}

void SkipCharsInSet(char*& cursor, const char* set)
{
    while (IsCharInSet(set, *cursor))
        ++cursor;
}

// Neither search passes the terminator, as IsCharInSet never matches it. A
// one-character set, the commonest, goes to strchr.
void SkipToCharInSet(char*& cursor, const char* set)
{
    if (set[0] != 0 && set[1] == 0) {
        char* found = strchr(cursor, set[0]);
        cursor = found != nullptr ? found : cursor + strlen(cursor);
    } else {
        cursor += strcspn(cursor, set);
    }
}

char* CutLine(char*& cursor, char*& lineEnd, char& cutChar)
{
    char* start = cursor;
    SkipToCharInSet(cursor, lineBreakSet);
    if (*cursor != 0) {
        lineEnd = cursor;
        cutChar = *cursor;
        *cursor = 0;
    } else {
        lineEnd = nullptr;
    }
    return start;
}

bool CutAtSlash(char*& cursor, bool& found, char*& slash)
{
    SkipToCharInSet(cursor, slashSet);
    found = *cursor != 0;
    if (found) {
        slash = cursor;
        *cursor = 0;
    } else {
        slash = nullptr;
    }
    return found;
}

void CutAtAccessKey(char*& cursor, char* labelStart, char& accessKey, char*& ampersand)
{
    cursor = labelStart;
    SkipToCharInSet(cursor, ampersandSet);
    accessKey = 0;
    if (*cursor == 0) {
        ampersand = nullptr;
        return;
    }
    ampersand = cursor;
    *cursor = 0;
    ++cursor;
    // "&" as the last character of the label leaves no key and an empty tail.
    if (*cursor != 0) {
        accessKey = *cursor;
        ++cursor;
    }
}

bool CopyText(char* dest, size_t size, const char* src)
{
    size_t length = strlen(src);
    if (length >= size)
        return false;
    memcpy(dest, src, length + 1);
    return true;
}

bool AppendText(char* dest, size_t size, const char* src)
{
    // An unterminated destination has no room left to append to.
    size_t used = 0;
    while (used < size && dest[used] != 0)
        ++used;
    if (used == size)
        return false;
    size_t length = strlen(src);
    if (length >= size - used)
        return false;
    memcpy(dest + used, src, length + 1);
    return true;
}
