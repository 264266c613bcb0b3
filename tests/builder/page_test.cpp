#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "builder/page.h"

namespace {

const char head[]
    = "<title>Area</title>\r\n\r\n"
      "<table bgcolor=#005588 cellpadding=3>\r\n"
      "<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b>Area</b></font> </td></tr>\r\n\r\n";
const char rowStart[] = "<tr><td  align=left><font color=#ffffff><b>";
const char inputStart[] = "</b></font></td><td align=left> <input type=\"text\" size=50 ";
const char buttonStart[] = "<tr><td colspan=2 align=left><input value=\"";
const char buttonEnd[] = " type=\"button\" onclick=\"ftn();\"></td></tr>\r\n\r\n";

std::string ReadAll(FILE* file)
{
    std::string bytes;
    rewind(file);
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    return bytes;
}

// Writes through a real binary file, as the window does, and checks that the
// variables text came back unchanged.
std::string Page(const char* name, const char* variables, const char* function)
{
    FILE* file = tmpfile();
    EXPECT_NE(file, nullptr);
    if (file == nullptr)
        return "";
    std::string text = variables;
    EXPECT_TRUE(WriteCalculatorPage(file, name, &text[0], function));
    EXPECT_EQ(text, variables);
    std::string page = ReadAll(file);
    fclose(file);
    return page;
}

// The variable rows alone, between the name row and the button row.
std::string Rows(const char* variables)
{
    std::string page = Page("Area", variables, "");
    size_t start = sizeof head - 1;
    size_t end = page.find(buttonStart, start);
    EXPECT_EQ(page.compare(0, start, head), 0);
    EXPECT_NE(end, std::string::npos);
    return page.substr(start, end - start);
}

// The button row's value attribute and what follows it up to the type.
std::string Button(const char* variables)
{
    std::string page = Page("Area", variables, "");
    size_t start = page.find(buttonStart);
    size_t end = page.find(buttonEnd, start);
    EXPECT_NE(end, std::string::npos);
    start += sizeof buttonStart - 1;
    return page.substr(start, end - start);
}

std::string Row(const std::string& label, const std::string& attributes, const std::string& name)
{
    return rowStart + label + inputStart + attributes + " name=\"" + name + "\" id=\"" + name
        + "\"> </td> </tr>\r\n";
}

}  // namespace

TEST(Page, WorkedExample)
{
    const char expected[]
        = "<title>Area</title>\r\n\r\n"
          "<table bgcolor=#005588 cellpadding=3>\r\n"
          "<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b>Area</b></font> </td></tr>\r\n\r\n"
          "<tr><td  align=left><font color=#ffffff><b>w</b></font></td><td align=left> "
          "<input type=\"text\" size=50  name=\"w\" id=\"w\"> </td> </tr>\r\n"
          "<tr><td  align=left><font color=#ffffff><b>h</b></font></td><td align=left> "
          "<input type=\"text\" size=50  name=\"h\" id=\"h\"> </td> </tr>\r\n"
          "<tr><td colspan=2 align=left><input value=\"Calculate\" type=\"button\" "
          "onclick=\"ftn();\"></td></tr>\r\n\r\n"
          "<script> function ftn () {\r\nw*h\r\n} </script>\r\n\r\n"
          "<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\nw*h\r\n</textarea></td></tr>\r\n\r\n"
          "<tr><td colspan=2><xmp>\r\nw\r\nh\r\n</xmp></td></tr></table>\r\n\r\n";
    EXPECT_EQ(Page("Area", "w\r\nh", "w*h"), expected);
}

TEST(Page, FullerExample)
{
    const char expected[]
        = "<title>Area</title>\r\n\r\n"
          "<table bgcolor=#005588 cellpadding=3>\r\n"
          "<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b>Area</b></font> </td></tr>\r\n\r\n"
          "<tr><td  align=left><font color=#ffffff><b><u>W</u>idth (m)</b></font></td><td align=left> "
          "<input type=\"text\" size=50  accesskey=\"W\" value=\"3\" name=\"Width\" id=\"Width\"> </td> "
          "</tr>\r\n"
          "<tr><td  align=left><font color=#ffffff><b><u>H</u>eight (m)</b></font></td><td align=left> "
          "<input type=\"text\" size=50  accesskey=\"H\" value=\"4\" name=\"Height\" id=\"Height\"> </td> "
          "</tr>\r\n"
          "<tr><td colspan=2 align=left><input value=\"Area\" accesskey=\"A\" type=\"button\" "
          "onclick=\"ftn();\"></td></tr>\r\n\r\n"
          "<script> function ftn () {\r\nalert(Width.value - Height.value);\r\n} </script>\r\n\r\n"
          "<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\nalert(Width# - "
          "Height#);\r\n</textarea></td></tr>\r\n\r\n"
          "<tr><td "
          "colspan=2><xmp>\r\n&Width/m/3\r\n&Height/m/4\r\n?&Area\r\n</xmp></td></tr></table>\r\n\r\n";
    EXPECT_EQ(Page("Area", "&Width/m/3\r\n&Height/m/4\r\n?&Area", "alert(Width# - Height#);"), expected);
}

TEST(Page, EmptyTexts)
{
    const char expected[]
        = "<title></title>\r\n\r\n"
          "<table bgcolor=#005588 cellpadding=3>\r\n"
          "<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b></b></font> </td></tr>\r\n\r\n"
          "<tr><td colspan=2 align=left><input value=\"Calculate\" type=\"button\" "
          "onclick=\"ftn();\"></td></tr>\r\n\r\n"
          "<script> function ftn () {\r\n\r\n} </script>\r\n\r\n"
          "<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\n\r\n</textarea></td></tr>\r\n\r\n"
          "<tr><td colspan=2><xmp>\r\n\r\n</xmp></td></tr></table>\r\n\r\n";
    EXPECT_EQ(Page("", "", ""), expected);
}

TEST(Page, LineBreaks)
{
    // Breaks are skipped only after a row: a leading run gives one empty row.
    EXPECT_EQ(Rows("\r\n\r\na\n\n\r\rb\r\n\r\n"), Row("", "", "") + Row("a", "", "a") + Row("b", "", "b"));
    EXPECT_EQ(Rows("\n"), Row("", "", ""));
    EXPECT_EQ(Rows("a\rb"), Row("a", "", "a") + Row("b", "", "b"));
}

TEST(Page, Slashes)
{
    EXPECT_EQ(Rows("a"), Row("a", "", "a"));
    EXPECT_EQ(Rows("a/"), Row("a", "", "a"));
    EXPECT_EQ(Rows("a//5"), Row("a", " value=\"5\"", "a"));
    EXPECT_EQ(Rows("a/b/"), Row("a (b)", " value=\"\"", "a"));
    EXPECT_EQ(Rows("a/b/c/d"), Row("a (b)", " value=\"c/d\"", "a"));
    EXPECT_EQ(Rows("a/b"), Row("a (b)", "", "a"));
    EXPECT_EQ(Rows("/"), Row("", "", ""));
}

TEST(Page, Ampersands)
{
    EXPECT_EQ(Rows("a&/bc/d"), Row("a (bc)", " value=\"d\"", "a"));
    EXPECT_EQ(Rows("a&&b"), Row("a<u>&</u>b", " accesskey=\"&\"", "a&b"));
    EXPECT_EQ(Rows("x&y&z/t&u/v&w"), Row("x<u>y</u>&z (t&u)", " accesskey=\"y\" value=\"v&w\"", "xy&z"));
    EXPECT_EQ(Rows("&"), Row("", "", ""));
    EXPECT_EQ(Rows("a/&b/c"), Row("a (&b)", " value=\"c\"", "a"));
}

TEST(Page, NothingIsEscaped)
{
    EXPECT_EQ(Rows("<i>\"x\"<i>/&amp;/\"'"), Row("<i>\"x\"<i> (&amp;)", " value=\"\"'\"", "<i>\"x\"<i>"));
    std::string page = Page("a<b>\"&c", "", "");
    EXPECT_EQ(page.rfind("<title>a<b>\"&c</title>\r\n\r\n", 0), 0u);
}

TEST(Page, ButtonLine)
{
    EXPECT_EQ(Button(""), "Calculate\"");
    EXPECT_EQ(Button("a\r\nb"), "Calculate\"");
    EXPECT_EQ(Button("?"), "\"");
    EXPECT_EQ(Button("a\r\n?Go/on"), "Go/on\"");
    EXPECT_EQ(Button("?&Area"), "Area\" accesskey=\"A\"");
    EXPECT_EQ(Button("?a&&b&c\r\nx"), "a&b&c\" accesskey=\"&\"");
    EXPECT_EQ(Button("?Go&"), "Go\"");
    // Only a "?" that begins a line ends the list; lines after it give no rows.
    EXPECT_EQ(Rows("a?b\r\n?Go\r\nc\r\n?d"), Row("a?b", "", "a?b"));
    EXPECT_EQ(Rows("?\r\na"), "");
    std::string page = Page("Area", "?Go\r\nc", "");
    EXPECT_NE(page.find("<xmp>\r\n?Go\r\nc\r\n</xmp>"), std::string::npos);
}

TEST(Page, HashBecomesValueInTheScriptOnly)
{
    std::string page = Page("Area", "a#", "#x#\r\ny##");
    EXPECT_NE(page.find("{\r\n.valuex.value\r\ny.value.value\r\n}"), std::string::npos);
    EXPECT_NE(page.find("rows=9>\r\n#x#\r\ny##\r\n</textarea>"), std::string::npos);
    EXPECT_NE(page.find(Row("a#", "", "a#")), std::string::npos);
}

// An input name longer than any path-sized buffer is written whole.
TEST(Page, LongLabelKeepsItsWholeName)
{
    std::string lead(200, 'a'), tail(300, 'c');
    std::string line = lead + "&B" + tail + "/t/v";
    std::string name = lead + "B" + tail;
    EXPECT_EQ(
        Rows(line.c_str()), Row(lead + "<u>B</u>" + tail + " (t)", " accesskey=\"B\" value=\"v\"", name));
}

// A stream that takes no bytes: the writer reports failure and the
// variables text is still as typed.
TEST(Page, FailedWriteRestoresTheVariables)
{
    char path[] = "tallisk-page-test.tmp";
    FILE* file = fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    fclose(file);
    file = fopen(path, "rb");
    ASSERT_NE(file, nullptr);
    setvbuf(file, nullptr, _IONBF, 0);
    char variables[] = "&Width/m/3\r\n?&Area";
    EXPECT_FALSE(WriteCalculatorPage(file, "Area", variables, "x#"));
    EXPECT_STREQ(variables, "&Width/m/3\r\n?&Area");
    fclose(file);
    remove(path);
}

// Comparing instead of writing: the writer's own page matches, and no
// shorter, longer or changed page does; the variables text is as typed.
TEST(Page, ComparingMatchesExactlyTheWrittenPage)
{
    const char variables[] = "&Width/m/3\r\nb&&c//\r\n?&Go/on\r\nrest";
    const char function[] = "Area#=Width#*b&c#;";
    std::string page = Page("Area", variables, function);
    char text[sizeof variables];
    memcpy(text, variables, sizeof variables);
    EXPECT_TRUE(CalculatorPageMatches(page.data(), page.size(), "Area", text, function));
    EXPECT_FALSE(CalculatorPageMatches(page.data(), page.size() - 1, "Area", text, function));
    std::string longer = page + "x";
    EXPECT_FALSE(CalculatorPageMatches(longer.data(), longer.size(), "Area", text, function));
    for (size_t at = 0; at < page.size(); ++at) {
        std::string changed = page;
        changed[at] ^= 1;
        ASSERT_FALSE(CalculatorPageMatches(changed.data(), changed.size(), "Area", text, function)) << at;
    }
    EXPECT_EQ(memcmp(text, variables, sizeof variables), 0);
}

#if defined(__GLIBC__)
#include <stdio_ext.h>

#include "tests/builder/limited_stream.h"

// A stream that fills up after `limit` bytes, for every limit short of the
// whole page: the writer stops with false, the file holds exactly the bytes
// before the limit, and the variables text is as typed.
TEST(Page, ShortWriteAtEveryPosition)
{
    const char variables[] = "\r\n&Width/m/3\r\nb&&c//\r\n\r\na&/x\r\n?&Go/on\r\nrest";
    const char function[] = "Area#=Width#*b&c#;";
    std::string full = Page("Area", variables, function);
    for (size_t limit = 0; limit < full.size(); ++limit) {
        LimitedSink sink = {std::string(), limit};
        FILE* stream = OpenLimitedStream(sink);
        ASSERT_NE(stream, nullptr);
        char text[sizeof variables];
        memcpy(text, variables, sizeof variables);
        bool written = WriteCalculatorPage(stream, "Area", text, function);
        fclose(stream);
        ASSERT_FALSE(written) << "limit " << limit;
        ASSERT_EQ(sink.bytes, full.substr(0, limit)) << "limit " << limit;
        ASSERT_EQ(memcmp(text, variables, sizeof variables), 0) << "limit " << limit;
    }
}

// The same through a small buffer, with stdio's locking on and off (off, the
// writer stores pieces into the buffer itself): the page or its failure shows
// once the stream is flushed, and the file holds exactly the bytes before the limit.
TEST(Page, ShortWriteThroughABufferedStream)
{
    const char variables[] = "&Width/m/3\r\n&Height/m/4\r\nArea\r\n?&Area";
    const char function[] = "Area#=Width#*Height#;";
    std::string full = Page("Area", variables, function);
    for (int locking : {FSETLOCKING_INTERNAL, FSETLOCKING_BYCALLER}) {
        for (size_t limit = 0; limit <= full.size(); ++limit) {
            LimitedSink sink = {std::string(), limit};
            FILE* stream = OpenLimitedStream(sink);
            ASSERT_NE(stream, nullptr);
            char buffer[64];
            setvbuf(stream, buffer, _IOFBF, sizeof buffer);
            __fsetlocking(stream, locking);
            char text[sizeof variables];
            memcpy(text, variables, sizeof variables);
            bool written = WriteCalculatorPage(stream, "Area", text, function);
            written = fflush(stream) == 0 && written;
            fclose(stream);
            ASSERT_EQ(written, limit == full.size()) << "limit " << limit;
            ASSERT_EQ(sink.bytes, full.substr(0, limit)) << "limit " << limit;
            ASSERT_EQ(memcmp(text, variables, sizeof variables), 0) << "limit " << limit;
        }
    }
}

// With stdio's locking off, a row that fits the buffer is stored in one go,
// its pieces copied by length: the page is the one the ordinary path writes,
// for pieces of every length up to past the longest such copy, and for
// buffers whose end falls anywhere in a row.
TEST(Page, RowsStoredWholeMatchTheOrdinaryPath)
{
    std::string variables;
    for (size_t length = 0; length <= 40; ++length) {
        std::string part(length, 'a' + length % 26);
        variables += part + "&k" + part + "/" + part + "/" + part + "\r\n";
        variables += part + "/" + part + "\r\n" + part + "&\r\n";
    }
    std::string full = Page("Area", variables.c_str(), "x#");
    for (size_t size = 1000; size <= 1300; ++size) {
        LimitedSink sink = {std::string(), full.size()};
        FILE* stream = OpenLimitedStream(sink);
        ASSERT_NE(stream, nullptr);
        std::string buffer(size, 0);
        setvbuf(stream, &buffer[0], _IOFBF, size);
        __fsetlocking(stream, FSETLOCKING_BYCALLER);
        std::string text = variables;
        bool written = WriteCalculatorPage(stream, "Area", &text[0], "x#");
        written = fflush(stream) == 0 && written;
        fclose(stream);
        EXPECT_TRUE(written) << "buffer " << size;
        EXPECT_EQ(sink.bytes, full) << "buffer " << size;
        EXPECT_EQ(text, variables);
    }
}
#endif
