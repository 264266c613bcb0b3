// Files replaced whole or not at all: the calculator page, conf and kept.
#ifndef TALLISK_WHOLEFILE_H
#define TALLISK_WHOLEFILE_H

#include <cstdio>

// Writes one whole file's bytes to an open stream; false when any write fails.
typedef bool (*FileWriter)(FILE* file, void* context);

enum WholeFileResult {
    fileWritten = 0,
    fileNotCreated,  // no file could be made in the target's folder
    fileNotWritten  // a write, the flush or the replacing failed
};

// Has `write` fill a new file of its own in path's folder and, only once all
// of it is on the disk, puts it in path's place, so that neither a failure
// nor a second copy of the program ever leaves half a file: the old one stays
// byte for byte, and what was written is removed. An existing file keeps its
// attributes and security.
WholeFileResult WriteFileWhole(const char* path, FileWriter write, void* context);

#endif
