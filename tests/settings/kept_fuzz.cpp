// Any bytes at all as "kept": the reader must stop cleanly, never overrun or
// leak, leave nothing behind when it fails, and a file it accepts must be
// written back byte for byte. Each input is tried again with its last four
// bytes made the right checksum, so that the texts behind it get reached.
#include "files/keptformat.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

static void TryKept(const uint8_t* data, size_t size)
{
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return;
    KeptTexts texts;
    KeptResult result = ReadKeptTexts(file, &texts);
    fclose(file);
    if (result != keptOk) {
        for (int i = 0; i < keptTextCount; ++i) {
            if (texts.text[i] || texts.length[i])
                abort();
        }
        return;
    }
    for (int i = 0; i < keptTextCount; ++i) {
        if (texts.text[i][texts.length[i]] != 0)
            abort();
    }
    char* written = nullptr;
    size_t writtenSize = 0;
    FILE* out = open_memstream(&written, &writtenSize);
    if (!out)
        abort();
    if (WriteKeptTexts(out, texts.text, texts.length) != keptOk)
        abort();
    fclose(out);
    if (writtenSize != size || memcmp(written, data, size) != 0)
        abort();
    free(written);
    FreeKeptTexts(&texts);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;  // fmemopen needs a buffer; the empty file is a unit test
    TryKept(data, size);
    if (size < 4)
        return 0;
    uint8_t* repaired = (uint8_t*)malloc(size);
    if (!repaired)
        return 0;
    memcpy(repaired, data, size);
    unsigned int crc = KeptChecksum(0, repaired, size - 4);
    for (int i = 0; i < 4; ++i)
        repaired[size - 4 + i] = (uint8_t)(crc >> (8 * i));
    TryKept(repaired, size);
    free(repaired);
    return 0;
}
