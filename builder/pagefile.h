// A calculator page on disk: written whole in place of the old one, and read
// back into its texts.
#ifndef TALLISK_PAGEFILE_H
#define TALLISK_PAGEFILE_H

#include "builder/pagereader.h"
#include "builder/wholefile.h"

// Writes the page of the three texts in path's place, whole or not at all.
// variables is restored.
WholeFileResult WritePageFile(const char* path, const char* name, char* variables, const char* function);
// Reads the page at path back. pageReadFailed when it cannot be opened.
PageReadResult ReadPageFile(const char* path, PageTexts* texts);
// Whether path names a file with anything in it.
bool PageFileHasBytes(const char* path);

#endif
