// The "conf" format read and written through real byte streams.
#include "files/settingsformat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// calc.htm in D:\Calc\, not untitled, at (100, 50), extra size 0 x 24.
const std::string example("calc.htm\0D:\\Calc\\\0"
                          "\x00\x00\x00\x00"
                          "\x64\x00\x00\x00"
                          "\x32\x00\x00\x00"
                          "\x00\x00\x00\x00"
                          "\x18\x00\x00\x00",
    38);

struct Loaded {
    char fileName[settingsTextSize];
    char folder[settingsTextSize];
    int untitled = -1;
    SettingsPlace place = {-1, -1, -1, -1};
    SettingsField failed;
};

Loaded Load(const std::string& bytes)
{
    Loaded loaded;
    memset(loaded.fileName, 'x', sizeof loaded.fileName);
    memset(loaded.folder, 'x', sizeof loaded.folder);
    // fmemopen refuses an empty buffer, so an empty file is one byte we never let it see.
    std::string data = bytes.empty() ? std::string(1, '\0') : bytes;
    FILE* file = fmemopen(&data[0], bytes.size() ? bytes.size() : 1, "rb");
    if (bytes.empty())
        fgetc(file);
    loaded.failed = ReadSettingsHead(file, loaded.fileName, loaded.folder, &loaded.untitled);
    if (loaded.failed == settingsOk)
        loaded.failed = ReadSettingsPlace(file, &loaded.place);
    fclose(file);
    return loaded;
}

std::string Int32(unsigned int v)
{
    return std::string {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

std::string File(const std::string& name, const std::string& folder, unsigned int untitled, int left, int top,
    int w, int h)
{
    return name + '\0' + folder + '\0' + Int32(untitled) + Int32(left) + Int32(top) + Int32(w) + Int32(h);
}

// A stream that accepts `room` bytes and then refuses every write.
struct Sink {
    std::string bytes;
    size_t room;
};

ssize_t SinkWrite(void* cookie, const char* data, size_t size)
{
    Sink* sink = static_cast<Sink*>(cookie);
    size_t take = std::min(size, sink->room - std::min(sink->room, sink->bytes.size()));
    sink->bytes.append(data, take);
    return take == 0 && size > 0 ? -1 : (ssize_t)take;
}

FILE* OpenSink(Sink* sink, bool buffered)
{
    cookie_io_functions_t io = {nullptr, SinkWrite, nullptr, nullptr};
    FILE* file = fopencookie(sink, "wb", io);
    if (!buffered)
        setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

SettingsField Save(
    Sink* sink, bool buffered, const char* name, const char* folder, int untitled, SettingsPlace place)
{
    FILE* file = OpenSink(sink, buffered);
    SettingsField failed = WriteSettingsFile(file, name, folder, untitled, &place);
    fclose(file);
    return failed;
}

TEST(SettingsFormat, ExampleLoadsAndSavesByteForByte)
{
    Loaded loaded = Load(example);
    ASSERT_EQ(settingsOk, loaded.failed);
    EXPECT_STREQ("calc.htm", loaded.fileName);
    EXPECT_STREQ("D:\\Calc\\", loaded.folder);
    EXPECT_EQ(0, loaded.untitled);
    EXPECT_EQ(100, loaded.place.left);
    EXPECT_EQ(50, loaded.place.top);
    EXPECT_EQ(0, loaded.place.extraWidth);
    EXPECT_EQ(24, loaded.place.extraHeight);

    Sink sink {"", 1000};
    EXPECT_EQ(settingsOk, Save(&sink, true, loaded.fileName, loaded.folder, loaded.untitled, loaded.place));
    EXPECT_EQ(example, sink.bytes);
}

TEST(SettingsFormat, RoundTripKeepsEveryValue)
{
    SettingsPlace place = {-8, -32000, 0x7fffffff, -1};
    Sink sink {"", 1000};
    ASSERT_EQ(settingsOk, Save(&sink, true, "", "C:\\a b\\", 1, place));
    EXPECT_EQ(File("", "C:\\a b\\", 1, -8, -32000, 0x7fffffff, -1), sink.bytes);
    Loaded loaded = Load(sink.bytes);
    ASSERT_EQ(settingsOk, loaded.failed);
    EXPECT_STREQ("", loaded.fileName);
    EXPECT_STREQ("C:\\a b\\", loaded.folder);
    EXPECT_EQ(1, loaded.untitled);
    EXPECT_EQ(-8, loaded.place.left);
    EXPECT_EQ(-32000, loaded.place.top);
    EXPECT_EQ(0x7fffffff, loaded.place.extraWidth);
    EXPECT_EQ(-1, loaded.place.extraHeight);
}

TEST(SettingsFormat, StoredValuesAreTakenAsTheyStand)
{
    // Negative coordinates (F8 FF FF FF is -8), a flag of 2, and trailing bytes.
    Loaded loaded = Load(File("a.htm", "C:\\", 2, -8, -1, 3, 4) + "trailing junk");
    ASSERT_EQ(settingsOk, loaded.failed);
    EXPECT_EQ(2, loaded.untitled);
    EXPECT_EQ(-8, loaded.place.left);
    EXPECT_EQ(-1, loaded.place.top);
    EXPECT_EQ(3, loaded.place.extraWidth);
    EXPECT_EQ(4, loaded.place.extraHeight);
}

TEST(SettingsFormat, TextLimits)
{
    std::string longest(259, 'n');
    Loaded loaded = Load(File(longest, "", 0, 0, 0, 0, 0));
    EXPECT_EQ(settingsOk, loaded.failed);
    EXPECT_EQ(longest, loaded.fileName);

    // 260 non-zero bytes: damaged, and what was read is still terminated.
    loaded = Load(std::string(260, 'n') + '\0' + File("", "", 0, 0, 0, 0, 0));
    EXPECT_EQ(settingsFileName, loaded.failed);
    EXPECT_EQ(std::string(259, 'n'), loaded.fileName);
    loaded = Load(std::string("a", 2) + std::string(300, 'f'));
    EXPECT_EQ(settingsFolder, loaded.failed);
    EXPECT_EQ(std::string(259, 'f'), loaded.folder);

    // Each text fits, but together they are longer than a path.
    loaded = Load(File(std::string(130, 'n'), std::string(130, 'f'), 0, 0, 0, 0, 0));
    EXPECT_EQ(settingsJoinedPath, loaded.failed);
    loaded = Load(File(std::string(130, 'n'), std::string(129, 'f'), 0, 0, 0, 0, 0));
    EXPECT_EQ(settingsOk, loaded.failed);
}

TEST(SettingsFormat, ShortReadNamesTheField)
{
    const SettingsField expected[] = {settingsFileName, settingsFolder, settingsUntitled, settingsLeft,
        settingsTop, settingsExtraWidth, settingsExtraHeight};
    // Cut the example at the start of each field and in the middle of it.
    const size_t starts[] = {0, 9, 18, 22, 26, 30, 34, 38};
    for (int field = 0; field < 7; ++field) {
        for (size_t cut = starts[field]; cut < starts[field + 1]; ++cut) {
            Loaded loaded = Load(example.substr(0, cut));
            EXPECT_EQ(expected[field], loaded.failed) << "cut at " << cut;
            EXPECT_LT(strlen(loaded.fileName), size_t(settingsTextSize));
        }
    }
    // What was read before the cut stays.
    Loaded loaded = Load(example.substr(0, 13));
    EXPECT_STREQ("calc.htm", loaded.fileName);
    EXPECT_STREQ("D:\\C", loaded.folder);
}

TEST(SettingsFormat, WriteFailureNamesTheField)
{
    const SettingsField expected[] = {settingsFileName, settingsFolder, settingsUntitled, settingsLeft,
        settingsTop, settingsExtraWidth, settingsExtraHeight};
    const size_t starts[] = {0, 9, 18, 22, 26, 30, 34};
    SettingsPlace place = {100, 50, 0, 24};
    for (int field = 0; field < 7; ++field) {
        Sink sink {"", starts[field] + 1};
        EXPECT_EQ(expected[field], Save(&sink, false, "calc.htm", "D:\\Calc\\", 0, place))
            << "room " << sink.room;
        EXPECT_EQ(example.substr(0, sink.room), sink.bytes);
    }
    // Buffered, the refusal shows only when the stream is flushed.
    Sink sink {"", 37};
    EXPECT_EQ(settingsFlush, Save(&sink, true, "calc.htm", "D:\\Calc\\", 0, place));
}

}  // namespace
