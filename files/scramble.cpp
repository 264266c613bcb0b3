#include "files/scramble.h"

#include <cstring>

#include "files/scrambled.inc"

char* UnscrambleText(const unsigned char* stored, char* out, int length)
{
    for (int i = 0; i < length; ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(stored[i] - ScrambleKey[i]));
    return out;
}

char* AfterLastSeparator(char* path)
{
    char separators[separatorsLength + 1] = {};
    UnscrambleText(scrambledSeparators, separators, separatorsLength);
    for (char* at = path + strlen(path); at > path; --at)
        if (strchr(separators, at[-1]) != nullptr)
            return at;
    return path;
}
