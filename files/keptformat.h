// The layout of "kept", the file beside "conf" that holds the three editor
// texts so that nothing typed is lost when the program closes or is killed.
// All numbers are 32-bit little-endian unsigned:
//   the 8 ASCII bytes TLSKKEPT, the version (1),
//   then for the name, the function and the variables in that order: the
//   length, then that many bytes of any value (no terminator stored),
//   then the CRC-32 (as zlib and PNG compute it) of every byte before it.
// Nothing after. The file must be opened in binary mode.
#ifndef TALLISK_KEPTFORMAT_H
#define TALLISK_KEPTFORMAT_H

#include <cstddef>
#include <cstdio>

const int keptTextCount = 3;
const unsigned int keptFormatVersion = 1;
// 16 MiB for one text: thousands of times what anyone types into an editor,
// yet small enough that three damaged lengths cannot ask for more than 48 MiB.
const unsigned long keptTextLimit = 16UL * 1024 * 1024;

enum KeptResult {
    keptOk = 0,
    keptShort,  // the file ends inside the magic, the version, a length or the checksum
    keptMagic,  // not a kept file
    keptVersion,  // a version this program does not know
    keptLength,  // a text longer than the limit, or than the bytes left in the file
    keptChecksum,  // the stored checksum does not match the bytes
    keptTrailing,  // bytes after the checksum
    keptMemory,
    keptWrite,  // a write or the flush failed
    keptRead  // the stream reported an error; the file itself may be sound
};

struct KeptTexts {
    char* text[keptTextCount];
    unsigned long length[keptTextCount];
};

// CRC-32 with the reflected polynomial 0xEDB88320, initial value and final
// xor 0xFFFFFFFF. Start with 0 and pass the previous result to go on with the
// next piece: the pieces give the checksum of the bytes joined.
unsigned int KeptChecksum(unsigned int crc, const unsigned char* bytes, size_t size);

// Reads the whole file from its current position to its end. Whatever texts
// holds on entry is overwritten, not freed. On keptOk every text is malloc'd
// with a zero byte after its length (so it can be handed to SetWindowTextA)
// and the caller frees them with FreeKeptTexts. On any failure nothing stays
// allocated and every text is NULL with length 0.
// A text's buffer grows only as its bytes arrive, so a damaged length costs at
// most about twice what the file holds.
KeptResult ReadKeptTexts(FILE* file, KeptTexts* texts);
// Frees every text and leaves it NULL with length 0; safe to call twice.
void FreeKeptTexts(KeptTexts* texts);

// Writes the whole file with checked writes and flushes, so that a failure the
// runtime would only notice when closing is reported too. The caller opens and
// closes (and checks fclose). A text may be NULL when its length is 0. A text
// longer than keptTextLimit gives keptLength before anything is written: the
// reader would refuse the file, and all three texts with it.
KeptResult WriteKeptTexts(
    FILE* file, const char* const text[keptTextCount], const unsigned long length[keptTextCount]);

#endif
