// Where the libraries a program loads by name may come from.
#ifndef TALLISK_LIBRARYSEARCH_H
#define TALLISK_LIBRARYSEARCH_H

// Limits this process's library search to the program's own folder and the
// system folder, so that a library of the same name in the current folder
// (a page's folder, when Explorer starts a verb on it) or on PATH is never
// run. Call it first, before anything is loaded by name. Only kernel32 calls:
// the launcher runs without the C runtime's start-up.
void LimitLibrarySearch();

#endif
