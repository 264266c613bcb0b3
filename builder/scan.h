// Cursor-driven scanning over zero-terminated 8-bit text. The routines never
// allocate or copy: a cut overwrites one character with a zero byte and
// reports where, so the caller can write it back later.
#ifndef TALLISK_SCAN_H
#define TALLISK_SCAN_H

#include <cstddef>

extern const char lineBreakSet[];  // CR, LF
extern const char slashSet[];  // "/"
extern const char ampersandSet[];  // "&"

bool IsCharInSet(const char* set, char c);
void SkipCharsInSet(char*& cursor, const char* set);
void SkipToCharInSet(char*& cursor, const char* set);

// Returns the line's start; lineEnd is null when the line ran to the terminator.
char* CutLine(char*& cursor, char*& lineEnd, char& cutChar);
// Returns found; slash is null when no "/" was found.
bool CutAtSlash(char*& cursor, bool& found, char*& slash);
// accessKey is 0 when there is none; ampersand is null when no "&" was found.
void CutAtAccessKey(char*& cursor, char* labelStart, char& accessKey, char*& ampersand);

// Bounded copies into fixed buffers of `size` bytes: the whole source goes in
// with its terminator, or nothing changes and the result is false.
bool CopyText(char* dest, size_t size, const char* src);
bool AppendText(char* dest, size_t size, const char* src);

#endif
