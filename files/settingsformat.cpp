#include "files/settingsformat.h"

#include <cstring>

bool ReadSettingsText(FILE* file, char* text)
{
    // The last byte is kept for a terminator, so a damaged text never leaves
    // the buffer unterminated for the file dialogs that start from it.
    for (int stored = 0; stored < settingsTextSize; ++stored) {
        int c = fgetc(file);
        if (c == EOF) {
            text[stored] = 0;
            return false;
        }
        if (stored == settingsTextSize - 1 && c != 0) {
            text[stored] = 0;
            return false;
        }
        text[stored] = (char)c;
        if (c == 0)
            return true;
    }
    return false;
}

bool ReadSettingsInt(FILE* file, int* value)
{
    unsigned char bytes[4];
    if (fread(bytes, 1, 4, file) != 4)
        return false;
    unsigned int bits = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | (unsigned int)bytes[3] << 24;
    *value = (int)bits;
    return true;
}

SettingsField ReadSettingsHead(FILE* file, char* fileName, char* folder, int* untitled)
{
    if (!ReadSettingsText(file, fileName))
        return settingsFileName;
    if (!ReadSettingsText(file, folder))
        return settingsFolder;
    // The joined path must fit the 260-byte path buffers and the caption.
    if (strlen(folder) + strlen(fileName) > settingsTextSize - 1)
        return settingsJoinedPath;
    if (!ReadSettingsInt(file, untitled))
        return settingsUntitled;
    return settingsOk;
}

SettingsField ReadSettingsPlace(FILE* file, SettingsPlace* place)
{
    if (!ReadSettingsInt(file, &place->left))
        return settingsLeft;
    if (!ReadSettingsInt(file, &place->top))
        return settingsTop;
    if (!ReadSettingsInt(file, &place->extraWidth))
        return settingsExtraWidth;
    if (!ReadSettingsInt(file, &place->extraHeight))
        return settingsExtraHeight;
    return settingsOk;
}

static bool WriteSettingsText(FILE* file, const char* text)
{
    size_t length = strlen(text) + 1;
    return fwrite(text, 1, length, file) == length;
}

static bool WriteSettingsInt(FILE* file, int value)
{
    unsigned int bits = (unsigned int)value;
    unsigned char bytes[4] = {(unsigned char)bits, (unsigned char)(bits >> 8), (unsigned char)(bits >> 16),
        (unsigned char)(bits >> 24)};
    return fwrite(bytes, 1, 4, file) == 4;
}

SettingsField WriteSettingsFile(
    FILE* file, const char* fileName, const char* folder, int untitled, const SettingsPlace* place)
{
    if (!WriteSettingsText(file, fileName))
        return settingsFileName;
    if (!WriteSettingsText(file, folder))
        return settingsFolder;
    if (!WriteSettingsInt(file, untitled))
        return settingsUntitled;
    if (!WriteSettingsInt(file, place->left))
        return settingsLeft;
    if (!WriteSettingsInt(file, place->top))
        return settingsTop;
    if (!WriteSettingsInt(file, place->extraWidth))
        return settingsExtraWidth;
    if (!WriteSettingsInt(file, place->extraHeight))
        return settingsExtraHeight;
    if (fflush(file) != 0 || ferror(file))
        return settingsFlush;
    return settingsOk;
}
