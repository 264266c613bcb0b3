#include "files/keptformat.h"

#include <cstdlib>
#include <cstring>

static_assert(sizeof(unsigned int) == 4, "the checksum and the stored numbers are 32-bit unsigned");

static const unsigned char keptMagicBytes[8] = {'T', 'L', 'S', 'K', 'K', 'E', 'P', 'T'};
// A text's first buffer; it doubles from here while the file keeps giving bytes.
static const size_t keptFirstChunk = 64 * 1024;

struct KeptChecksumTable {
    unsigned int entry[256];
};

static constexpr KeptChecksumTable MakeKeptChecksumTable()
{
    KeptChecksumTable table {};
    for (unsigned int n = 0; n < 256; ++n) {
        unsigned int c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table.entry[n] = c;
    }
    return table;
}

static constexpr KeptChecksumTable keptChecksumTable = MakeKeptChecksumTable();

unsigned int KeptChecksum(unsigned int crc, const unsigned char* bytes, size_t size)
{
    unsigned int c = crc ^ 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        c = keptChecksumTable.entry[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

static unsigned int LoadKeptInt(const unsigned char* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | (unsigned int)bytes[3] << 24;
}

// A number field whole, added to the checksum.
static KeptResult ReadKeptInt(FILE* file, unsigned int* crc, unsigned int* value)
{
    unsigned char bytes[4];
    if (fread(bytes, 1, 4, file) != 4)
        return ferror(file) ? keptRead : keptShort;
    if (crc)
        *crc = KeptChecksum(*crc, bytes, 4);
    *value = LoadKeptInt(bytes);
    return keptOk;
}

// The buffer grows only as bytes arrive, so a length that runs past the end
// of a small file never makes it ask for the full amount.
static KeptResult ReadKeptText(FILE* file, unsigned long length, char** text)
{
    size_t size = length < keptFirstChunk ? length : keptFirstChunk;
    char* buffer = (char*)malloc(size + 1);
    if (!buffer)
        return keptMemory;
    size_t have = 0;
    for (;;) {
        have += fread(buffer + have, 1, size - have, file);
        if (have < size) {
            free(buffer);
            return ferror(file) ? keptRead : keptLength;
        }
        if (size == length)
            break;
        size_t grown = length - size < size ? length : size * 2;
        char* larger = (char*)realloc(buffer, grown + 1);
        if (!larger) {
            free(buffer);
            return keptMemory;
        }
        buffer = larger;
        size = grown;
    }
    buffer[length] = 0;
    *text = buffer;
    return keptOk;
}

// Fills texts as it goes; the caller frees them when this fails.
static KeptResult ReadKeptBody(FILE* file, KeptTexts* texts)
{
    unsigned char magic[8];
    size_t got = fread(magic, 1, 8, file);
    if (got < 8 && ferror(file))
        return keptRead;
    // A short file that is not ours is reported as not ours.
    if (memcmp(magic, keptMagicBytes, got) != 0)
        return keptMagic;
    if (got < 8)
        return keptShort;
    unsigned int crc = KeptChecksum(0, magic, 8);

    unsigned int version;
    KeptResult result = ReadKeptInt(file, &crc, &version);
    if (result != keptOk)
        return result;
    if (version != keptFormatVersion)
        return keptVersion;

    for (int i = 0; i < keptTextCount; ++i) {
        unsigned int length;
        result = ReadKeptInt(file, &crc, &length);
        if (result != keptOk)
            return result;
        if (length > keptTextLimit)
            return keptLength;
        result = ReadKeptText(file, length, &texts->text[i]);
        if (result != keptOk)
            return result;
        texts->length[i] = length;
        crc = KeptChecksum(crc, (const unsigned char*)texts->text[i], length);
    }

    unsigned int stored;
    result = ReadKeptInt(file, nullptr, &stored);
    if (result != keptOk)
        return result;
    if (stored != crc)
        return keptChecksum;
    if (fgetc(file) != EOF)
        return keptTrailing;
    return ferror(file) ? keptRead : keptOk;
}

KeptResult ReadKeptTexts(FILE* file, KeptTexts* texts)
{
    for (int i = 0; i < keptTextCount; ++i) {
        texts->text[i] = nullptr;
        texts->length[i] = 0;
    }
    KeptResult result = ReadKeptBody(file, texts);
    if (result != keptOk)
        FreeKeptTexts(texts);
    return result;
}

void FreeKeptTexts(KeptTexts* texts)
{
    for (int i = 0; i < keptTextCount; ++i) {
        free(texts->text[i]);
        texts->text[i] = nullptr;
        texts->length[i] = 0;
    }
}

// Writes and adds the bytes to the checksum; an empty piece writes nothing,
// so an empty text may come as a null pointer.
static bool WriteKeptBytes(FILE* file, const void* bytes, size_t size, unsigned int* crc)
{
    if (size == 0)
        return true;
    if (fwrite(bytes, 1, size, file) != size)
        return false;
    if (crc)
        *crc = KeptChecksum(*crc, (const unsigned char*)bytes, size);
    return true;
}

static bool WriteKeptInt(FILE* file, unsigned int value, unsigned int* crc)
{
    unsigned char bytes[4] = {(unsigned char)value, (unsigned char)(value >> 8), (unsigned char)(value >> 16),
        (unsigned char)(value >> 24)};
    return WriteKeptBytes(file, bytes, 4, crc);
}

KeptResult WriteKeptTexts(
    FILE* file, const char* const text[keptTextCount], const unsigned long length[keptTextCount])
{
    for (int i = 0; i < keptTextCount; ++i) {
        if (length[i] > keptTextLimit)
            return keptLength;
    }
    unsigned int crc = 0;
    if (!WriteKeptBytes(file, keptMagicBytes, 8, &crc) || !WriteKeptInt(file, keptFormatVersion, &crc))
        return keptWrite;
    for (int i = 0; i < keptTextCount; ++i) {
        if (!WriteKeptInt(file, (unsigned int)length[i], &crc)
            || !WriteKeptBytes(file, text[i], length[i], &crc))
            return keptWrite;
    }
    if (!WriteKeptInt(file, crc, nullptr))
        return keptWrite;
    if (fflush(file) != 0 || ferror(file))
        return keptWrite;
    return keptOk;
}
