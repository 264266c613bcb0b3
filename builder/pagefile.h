// A calculator page on disk: written whole in place of the old one, and read
// back into its texts.
#ifndef TALLISK_PAGEFILE_H
#define TALLISK_PAGEFILE_H

#include "builder/pagereader.h"

enum PageWriteResult {
    pageWritten = 0,
    pageNotCreated,  // no file could be made in the page's folder
    pageNotWritten  // a write, the flush or the replacing failed
};

// Writes the page of the three texts to a file of its own in path's folder
// and only when all of it is on the disk puts it in path's place, so that a
// failure leaves the old page byte for byte (and removes what it wrote). An
// existing page keeps its attributes and security. variables is restored.
PageWriteResult WritePageFile(const char* path, const char* name, char* variables, const char* function);
// Reads the page at path back. pageReadFailed when it cannot be opened.
PageReadResult ReadPageFile(const char* path, PageTexts* texts);
// Whether path names a file with anything in it.
bool PageFileHasBytes(const char* path);

#endif
