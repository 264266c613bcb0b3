// The "kept" format read and written through memory, cookie and real streams.
#include "files/keptformat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "tests/builder/limited_stream.h"

// The sanitizer runtime these tests link calls this with every allocation's size.
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*onMalloc)(const volatile void*, size_t), void (*onFree)(const volatile void*));

namespace {

// Name "Loan", function "a*b", variables "a=2\r\nb=3"; the checksum is zlib's.
const std::string example("TLSKKEPT\x01\x00\x00\x00"
                          "\x04\x00\x00\x00Loan"
                          "\x03\x00\x00\x00"
                          "a*b"
                          "\x08\x00\x00\x00"
                          "a=2\r\nb=3"
                          "\x57\x90\x79\x97",
    43);
// Where each field of the example starts, and the end.
const size_t fieldStart[] = {0, 8, 12, 16, 20, 24, 27, 31, 39, 43};

std::string Int32(unsigned int v)
{
    return std::string {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

void ExpectCleared(const KeptTexts& texts)
{
    for (int i = 0; i < keptTextCount; ++i) {
        EXPECT_EQ(nullptr, texts.text[i]);
        EXPECT_EQ(0u, texts.length[i]);
    }
}

// On keptOk the texts are the caller's to free; otherwise they must be cleared.
KeptResult Load(const std::string& bytes, KeptTexts* texts)
{
    memset(texts, 0x55, sizeof *texts);
    // fmemopen refuses an empty buffer, so an empty file is one byte we never let it see.
    std::string data = bytes.empty() ? std::string(1, '\0') : bytes;
    FILE* file = fmemopen(&data[0], data.size(), "rb");
    if (bytes.empty())
        fgetc(file);
    KeptResult result = ReadKeptTexts(file, texts);
    fclose(file);
    if (result != keptOk)
        ExpectCleared(*texts);
    return result;
}

KeptResult Store(FILE* file, const std::string* texts)
{
    const char* text[keptTextCount];
    unsigned long length[keptTextCount];
    for (int i = 0; i < keptTextCount; ++i) {
        text[i] = texts[i].data();
        length[i] = texts[i].size();
    }
    return WriteKeptTexts(file, text, length);
}

std::string Save(const std::string* texts)
{
    char* buffer = nullptr;
    size_t size = 0;
    FILE* file = open_memstream(&buffer, &size);
    EXPECT_EQ(keptOk, Store(file, texts));
    fclose(file);
    std::string bytes(buffer, size);
    free(buffer);
    return bytes;
}

void ExpectTexts(const std::string* expected, const KeptTexts& texts)
{
    for (int i = 0; i < keptTextCount; ++i) {
        ASSERT_EQ(expected[i].size(), texts.length[i]) << "text " << i;
        EXPECT_TRUE(expected[i] == std::string(texts.text[i], texts.length[i])) << "text " << i;
        EXPECT_EQ(0, texts.text[i][texts.length[i]]) << "text " << i;
    }
}

// A stream that gives the first `room` bytes and then fails every read.
struct Source {
    std::string bytes;
    size_t room;
    size_t given;
};

ssize_t SourceRead(void* cookie, char* data, size_t size)
{
    Source* source = static_cast<Source*>(cookie);
    if (source->given == source->room)
        return -1;
    size_t take = std::min(size, source->room - source->given);
    memcpy(data, source->bytes.data() + source->given, take);
    source->given += take;
    return (ssize_t)take;
}

size_t largestAllocation;
bool watching;

void NoteMalloc(const volatile void*, size_t size)
{
    if (watching && size > largestAllocation)
        largestAllocation = size;
}

void NoteFree(const volatile void*) { }

TEST(KeptFormat, ChecksumIsZlibsCrc32)
{
    const unsigned char* check = (const unsigned char*)"123456789";
    EXPECT_EQ(0xCBF43926u, KeptChecksum(0, check, 9));
    EXPECT_EQ(0xCBF43926u, KeptChecksum(KeptChecksum(0, check, 4), check + 4, 5));
    EXPECT_EQ(0u, KeptChecksum(0, check, 0));
}

TEST(KeptFormat, ExampleLoadsAndSavesByteForByte)
{
    const std::string texts[] = {"Loan", "a*b", "a=2\r\nb=3"};
    EXPECT_EQ(example, Save(texts));
    KeptTexts loaded;
    ASSERT_EQ(keptOk, Load(example, &loaded));
    ExpectTexts(texts, loaded);
    FreeKeptTexts(&loaded);
    ExpectCleared(loaded);
    FreeKeptTexts(&loaded);
}

TEST(KeptFormat, RoundTripKeepsEveryByte)
{
    const std::string empty[] = {"", "", ""};
    KeptTexts loaded;
    ASSERT_EQ(keptOk, Load(Save(empty), &loaded));
    ExpectTexts(empty, loaded);
    FreeKeptTexts(&loaded);

    // Every byte value, nothing, and more than several first buffers of noise,
    // through a real file read from past a prefix.
    std::string texts[3];
    for (int c = 0; c < 256; ++c)
        texts[0] += char(c);
    unsigned int noise = 1;
    for (int i = 0; i < 3 * 1024 * 1024 + 7; ++i) {
        noise = noise * 1103515245u + 12345u;
        texts[2] += char(noise >> 23);
    }
    FILE* file = tmpfile();
    ASSERT_NE(nullptr, file);
    ASSERT_EQ(3u, fwrite("pre", 1, 3, file));
    ASSERT_EQ(keptOk, Store(file, texts));
    ASSERT_EQ(0, fseek(file, 3, SEEK_SET));
    ASSERT_EQ(keptOk, ReadKeptTexts(file, &loaded));
    fclose(file);
    ExpectTexts(texts, loaded);
    FreeKeptTexts(&loaded);
}

TEST(KeptFormat, EveryCutFailsAndKeepsNothing)
{
    // Inside a text the length runs past the end; anywhere else the file is short.
    for (size_t field = 0; field + 1 < sizeof fieldStart / sizeof fieldStart[0]; ++field) {
        bool text = field == 3 || field == 5 || field == 7;
        for (size_t cut = fieldStart[field]; cut < fieldStart[field + 1]; ++cut) {
            KeptTexts loaded;
            EXPECT_EQ(text ? keptLength : keptShort, Load(example.substr(0, cut), &loaded))
                << "cut at " << cut;
        }
    }
    // A short file that is not ours, such as "conf", says so.
    KeptTexts loaded;
    EXPECT_EQ(keptMagic, Load("calc.h", &loaded));
}

TEST(KeptFormat, EveryFlippedBitIsCaught)
{
    for (size_t at = 0; at < example.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string damaged = example;
            damaged[at] ^= char(1 << bit);
            KeptTexts loaded;
            KeptResult result = Load(damaged, &loaded);
            if (at < 8)
                EXPECT_EQ(keptMagic, result) << "byte " << at;
            else if (at < 12)
                EXPECT_EQ(keptVersion, result) << "byte " << at;
            else if ((at >= 12 && at < 16) || (at >= 20 && at < 24) || (at >= 27 && at < 31))
                EXPECT_NE(keptOk, result) << "byte " << at;  // a length: past the end, or the rest misread
            else
                EXPECT_EQ(keptChecksum, result) << "byte " << at << " bit " << bit;
        }
    }
}

TEST(KeptFormat, DamagedLengthAsksForLittle)
{
    static bool installed = __sanitizer_install_malloc_and_free_hooks(NoteMalloc, NoteFree) != 0;
    ASSERT_TRUE(installed);
    const std::string head = example.substr(0, 12);
    const unsigned int lengths[]
        = {(unsigned int)keptTextLimit, (unsigned int)keptTextLimit + 1, 0xFFFFFFFFu};
    for (unsigned int length : lengths) {
        KeptTexts loaded;
        largestAllocation = 0;
        watching = true;
        // The last text's length is damaged after two texts were allocated.
        EXPECT_EQ(keptLength, Load(head + Int32(length) + "ab", &loaded));
        EXPECT_EQ(keptLength, Load(example.substr(0, 27) + Int32(length) + "ab", &loaded));
        watching = false;
        EXPECT_LT(largestAllocation, size_t(1024 * 1024)) << "length " << length;
    }
}

TEST(KeptFormat, TextLimitHoldsBothWays)
{
    const std::string texts[] = {"", std::string(keptTextLimit, 'f'), ""};
    std::string longest = Save(texts);
    KeptTexts loaded;
    ASSERT_EQ(keptOk, Load(longest, &loaded));
    EXPECT_EQ(keptTextLimit, loaded.length[1]);
    FreeKeptTexts(&loaded);

    // One byte more is refused even when the file holds it...
    std::string over = longest.substr(0, 16) + Int32(keptTextLimit + 1) + longest.substr(20) + "f";
    EXPECT_EQ(keptLength, Load(over, &loaded));
    // ...and never written, since the reader would then lose all three texts.
    const std::string tooLong[] = {"a", "", std::string(keptTextLimit + 1, 'v')};
    LimitedSink sink {"", 1u << 30};
    FILE* file = OpenLimitedStream(sink);
    EXPECT_EQ(keptLength, Store(file, tooLong));
    fclose(file);
    EXPECT_EQ("", sink.bytes);
}

TEST(KeptFormat, TrailingBytesAreRefused)
{
    KeptTexts loaded;
    EXPECT_EQ(keptTrailing, Load(example + '\0', &loaded));
    EXPECT_EQ(keptTrailing, Load(example + example, &loaded));
}

TEST(KeptFormat, WriteFailureIsReported)
{
    const std::string texts[] = {"Loan", "a*b", "a=2\r\nb=3"};
    for (size_t room = 0; room <= example.size(); ++room) {
        for (int buffered = 0; buffered < 2; ++buffered) {
            LimitedSink sink {"", room};
            FILE* file = OpenLimitedStream(sink);
            if (buffered)
                setvbuf(file, nullptr, _IOFBF, BUFSIZ);
            // Buffered, the refusal shows only when the stream is flushed.
            EXPECT_EQ(room < example.size() ? keptWrite : keptOk, Store(file, texts)) << "room " << room;
            fclose(file);
            EXPECT_EQ(example.substr(0, room), sink.bytes);
        }
    }
}

TEST(KeptFormat, ReadErrorIsNotDamage)
{
    // Up to and including the end-of-file check after a sound file.
    cookie_io_functions_t io = {SourceRead, nullptr, nullptr, nullptr};
    for (size_t room = 0; room <= example.size(); ++room) {
        Source source {example, room, 0};
        FILE* file = fopencookie(&source, "rb", io);
        KeptTexts loaded;
        memset(&loaded, 0x55, sizeof loaded);
        EXPECT_EQ(keptRead, ReadKeptTexts(file, &loaded)) << "room " << room;
        fclose(file);
        ExpectCleared(loaded);
    }
}

}  // namespace
