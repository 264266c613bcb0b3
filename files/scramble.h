// Short program texts kept scrambled in the program's data: each stored byte
// is the plain byte plus the key byte at the same position, modulo 256.
#ifndef TALLISK_SCRAMBLE_H
#define TALLISK_SCRAMBLE_H

extern const unsigned char ScrambleKey[27];

// Stored lengths; a text that keeps its terminator counts it.
enum {
    separatorsLength = 3,
    openModeLength = 3,
    linkLeadingTextLength = 25,
    programTitleLength = 11,
    linkLabelLength = 18,
    webAddressLength = 27,
    aboutSecondLineLength = 12
};

extern const unsigned char scrambledSeparators[separatorsLength];
extern const unsigned char scrambledOpenMode[openModeLength];
extern const unsigned char scrambledLinkLeadingText[linkLeadingTextLength];
extern const unsigned char scrambledProgramTitle[programTitleLength];
extern const unsigned char scrambledLinkLabel[linkLabelLength];
extern const unsigned char scrambledWebAddress[webAddressLength];
extern const unsigned char scrambledAboutSecondLine[aboutSecondLineLength];

// Writes exactly length plain bytes to out (no terminator is added) and
// returns out. length must not exceed 27.
char* UnscrambleText(const unsigned char* stored, char* out, int length);
// The position just after the last "\" or "/" in path, or path itself when it
// holds neither. Writing a zero there cuts the path to its folder.
char* AfterLastSeparator(char* path);

#endif
