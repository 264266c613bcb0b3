// Files next to the program: its folder, and small files written there.
#ifndef TALLISK_PROGFILES_H
#define TALLISK_PROGFILES_H

// Fills buffer (room for 260 bytes, zero-filled by the caller) with the
// program folder, ending in its separator.
void GetProgramFolder(char* buffer);
// Fills path (programFilePathSize bytes) with the program folder followed by
// name; false, with path empty, when the two do not fit.
const int programFilePathSize = 300;
bool GetProgramFilePath(char* path, const char* name);
// Returns 1 when all length bytes reached the file, else 0.
int WriteBufferToFile(const char* path, int length, const char* data);
// Writes the link file fileName next to the program and opens it with the
// shell. Returns 1 when written and handed over, else 0.
int OpenLinkFile(const char* text, const char* fileName);

#endif
