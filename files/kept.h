// "kept" next to the program: the three editors' texts, so that what was
// typed comes back at the next start, saved into a page or not. Only data
// crosses here; the main window reads and fills the editors and says what
// went wrong.
#ifndef TALLISK_KEPT_H
#define TALLISK_KEPT_H

#include "files/keptformat.h"

enum KeptLoad {
    keptLoaded,  // texts holds the file's texts
    keptAbsent,  // no file yet: a first start, or a version that kept nothing
    keptUnreadable,  // there but not readable: leave it, and write nothing over it
    keptMovedAside,  // damaged, and moved to the first free kept.damaged name
    keptNotMoved  // damaged, and could not be moved: leave it as for keptUnreadable
};

// Reads the file. On keptLoaded the caller frees texts with FreeKeptTexts;
// otherwise nothing stays allocated.
KeptLoad LoadKeptTexts(KeptTexts* texts);
// Replaces the file whole with the three texts (in the order name, function,
// variables); false when that failed and the old file stays.
bool SaveKeptTexts(const char* const text[keptTextCount]);

#endif
