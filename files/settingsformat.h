// The layout of "conf", the settings file next to the program: the current
// file's name and folder (each zero-terminated, at most 259 characters), the
// untitled flag, then the window's left, top, extra width and extra height,
// each a 32-bit little-endian signed integer. Nothing before, between or after.
#ifndef TALLISK_SETTINGSFORMAT_H
#define TALLISK_SETTINGSFORMAT_H

#include <cstdio>

// A stored text and its zero byte fit in this many bytes.
const int settingsTextSize = 260;

// Which field a read or write stopped at; settingsOk when none did.
enum SettingsField {
    settingsOk = 0,
    settingsFileName,
    settingsFolder,
    settingsJoinedPath,  // name and folder together longer than a path may be
    settingsUntitled,
    settingsLeft,
    settingsTop,
    settingsExtraWidth,
    settingsExtraHeight,
    settingsFlush  // everything was handed over, but the file refused it
};

// The window's place: outer top-left corner, and the outer size beyond the minimum.
struct SettingsPlace {
    int left;
    int top;
    int extraWidth;
    int extraHeight;
};

// Reads one zero-terminated text into text (settingsTextSize bytes), one byte
// at a time. False at end of file or when no zero byte comes within the size;
// what was read stays in text, always zero-terminated.
bool ReadSettingsText(FILE* file, char* text);
bool ReadSettingsInt(FILE* file, int* value);

// Reads the file name, the folder and the untitled flag. A name and folder
// that join to more than 259 characters count as damaged.
SettingsField ReadSettingsHead(FILE* file, char* fileName, char* folder, int* untitled);
// Reads the four numbers of the window's place, after the head.
SettingsField ReadSettingsPlace(FILE* file, SettingsPlace* place);

// Writes every field with checked writes and flushes, so that a failure the
// runtime would only notice when closing is reported too. The caller closes.
SettingsField WriteSettingsFile(
    FILE* file, const char* fileName, const char* folder, int untitled, const SettingsPlace* place);

#endif
