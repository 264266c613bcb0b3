// Files next to the program: its folder, and small files written there.
#ifndef TALLISK_PROGFILES_H
#define TALLISK_PROGFILES_H

#include <cstdio>

// Fills buffer (room for 260 bytes, zero-filled by the caller) with the
// program folder, ending in its separator.
void GetProgramFolder(char* buffer);
// Fills path (programFilePathSize bytes) with the program folder followed by
// name; false, with path empty, when the two do not fit.
const int programFilePathSize = 300;
bool GetProgramFilePath(char* path, const char* name);
// Returns 1 when all length bytes reached the file, else 0.
int WriteBufferToFile(const char* path, int length, const char* data);
// Writes one whole file's bytes to an open stream; false when any write fails.
typedef bool (*FileWriter)(FILE* file, void* context);
// Creates or empties path, has `write` fill it, and flushes it to the disk
// itself. False, with the file removed, when any step fails.
bool WriteFileThrough(const char* path, FileWriter write, void* context);
// Replaces the file `name` next to the program whole or not at all: it is
// written under a name of this process's own beside it and then renamed over
// the old one, so that neither a failed write nor a second copy of the
// program ever leaves half a file. name has at most 12 characters.
bool ReplaceProgramFile(const char* name, FileWriter write, void* context);
// Writes the link file fileName next to the program and opens it with the
// shell. Returns 1 when written and handed over, else 0.
int OpenLinkFile(const char* text, const char* fileName);

#endif
