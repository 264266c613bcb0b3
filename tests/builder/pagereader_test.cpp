#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "builder/page.h"
#include "builder/pagehash.h"
#include "builder/pagereader.h"
#include "tests/builder/crafted_texts.h"

namespace {

// The page for three texts, through a real binary file as the window writes it.
std::string Page(const std::string& name, std::string variables, const std::string& function)
{
    std::string page;
    FILE* file = tmpfile();
    EXPECT_NE(file, nullptr);
    if (file == nullptr)
        return page;
    EXPECT_TRUE(WriteCalculatorPage(file, name.c_str(), &variables[0], function.c_str()));
    rewind(file);
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        page.append(chunk, got);
    fclose(file);
    return page;
}

PageReadResult Read(const std::string& page)
{
    PageTexts texts = {nullptr, nullptr, nullptr};
    PageReadResult result = ReadCalculatorPage(page.data(), page.size(), &texts);
    EXPECT_TRUE(result == pageReadOk
        || (texts.name == nullptr && texts.variables == nullptr && texts.function == nullptr));
    FreePageTexts(&texts);
    return result;
}

// Reads the page of the three texts back; the texts found must give the same
// page. Returns them joined with "|" between, for cases with one answer.
std::string RoundTrip(const std::string& name, const std::string& variables, const std::string& function)
{
    std::string page = Page(name, variables, function);
    PageTexts texts = {nullptr, nullptr, nullptr};
    EXPECT_EQ(ReadCalculatorPage(page.data(), page.size(), &texts), pageReadOk);
    if (texts.name == nullptr)
        return "(none)";
    std::string found = std::string(texts.name) + "|" + texts.variables + "|" + texts.function;
    EXPECT_EQ(Page(texts.name, texts.variables, texts.function), page);
    FreePageTexts(&texts);
    return found;
}

const char header[] = "</title>\r\n\r\n<table bgcolor=#005588 cellpadding=3>\r\n"
                      "<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b>";
const char nameEnd[] = "</b></font> </td></tr>\r\n\r\n";
const char listing[] = "\r\n</textarea></td></tr>\r\n\r\n<tr><td colspan=2><xmp>\r\n";
const char script[] = "<script> function ftn () {\r\n";
const char scriptEnd[] = "\r\n} </script>\r\n\r\n<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\n";
const char pageEnd[] = "\r\n</xmp></td></tr></table>\r\n\r\n";

// A text of up to `pieces` pieces: markup of the page's own, the characters
// the writer reads, and any byte but zero.
std::string RandomText(std::mt19937& random, bool plain)
{
    static const char* const markup[]
        = {"<title>", header, nameEnd, listing, script, scriptEnd, pageEnd, "<td>", "</textarea>", "\r\n?",
            "<tr><td colspan=2 align=left><input value=\"", "\"> </td> </tr>\r\n"};
    static const char plainPieces[] = "ab&/#?\r\n \"=";
    std::string text;
    size_t pieces = random() % 12;
    for (size_t i = 0; i < pieces; ++i) {
        unsigned kind = random() % 8;
        if (plain || kind < 4)
            text += plainPieces[random() % (sizeof plainPieces - 1)];
        else if (kind < 6)
            text += markup[random() % (sizeof markup / sizeof *markup)];
        else
            text += static_cast<char>(1 + random() % 255);
    }
    return text;
}

}  // namespace

// Any texts read back as texts of the same page; texts without the page's
// markup read back as themselves.
TEST(PageReader, RandomTextsReadBack)
{
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        bool plain = i % 3 == 0;
        std::string name = RandomText(random, plain), variables = RandomText(random, plain),
                    function = RandomText(random, plain);
        std::string found = RoundTrip(name, variables, function);
        if (plain) {
            ASSERT_EQ(found, name + "|" + variables + "|" + function);
        }
        if (HasFailure())
            FAIL() << "name [" << name << "] variables [" << variables << "] function [" << function << "]";
    }
}

TEST(PageReader, TextsHoldingThePagesPieces)
{
    EXPECT_EQ(RoundTrip("", "", ""), "||");
    EXPECT_EQ(RoundTrip("Area", "&Width/m/3\r\n&Height/m/4\r\n?&Area", "alert(Width# - Height#);"),
        "Area|&Width/m/3\r\n&Height/m/4\r\n?&Area|alert(Width# - Height#);");
    std::string h = header, e = nameEnd, a = listing;
    RoundTrip(h, "", "");
    RoundTrip("x" + h + "x" + e, "", "");
    RoundTrip(h + h + e + h, h + e, h);
    RoundTrip("", a, "");
    RoundTrip("", "", a);
    RoundTrip(a, a + a + "?" + a, a + "#" + a);
    RoundTrip("", std::string(script) + scriptEnd + pageEnd, std::string(scriptEnd) + script + "#");
    RoundTrip("", "\r\n\r\n" + a + "\r\n", a + scriptEnd + a);
    EXPECT_EQ(RoundTrip("#", "a#\r\n?go\r\nb", "####"), "#|a#\r\n?go\r\nb|####");
    EXPECT_EQ(RoundTrip("", "?", "#"), "|?|#");
    EXPECT_EQ(RoundTrip("", "\r\n\r\n", "\r\n"), "|\r\n\r\n|\r\n");
    std::string every;
    for (int c = 1; c < 256; ++c)
        every += static_cast<char>(c);
    EXPECT_EQ(RoundTrip(every, every, every), every + "|" + every + "|" + every);
}

TEST(PageReader, PagesThatDoNotReadBack)
{
    std::string page = Page("Area", "&Width/m/3\r\n?&Area", "Width#*2");
    std::string changed = page;
    changed[page.find("Width")] = 'w';
    EXPECT_EQ(Read(changed), pageChanged);
    for (size_t cut : {page.size() - 1, page.size() / 2, page.find("<tr><td  align")})
        EXPECT_EQ(Read(page.substr(0, cut)), pageChanged) << cut;
    EXPECT_EQ(Read(page + "\r\n"), pageChanged);
    std::string zero = page;
    zero[page.find("m/3")] = 0;
    EXPECT_EQ(Read(zero), pageZeroByte);
    EXPECT_EQ(Read(""), pageNotCalculator);
    EXPECT_EQ(Read("<title>Area"), pageNotCalculator);
    EXPECT_EQ(Read("<html><title>Area</title></html>"), pageNotCalculator);
    EXPECT_EQ(Read(std::string("\0<title>", 8)), pageNotCalculator);
}

TEST(PageReader, TextOverTheLimit)
{
    std::string name(pageTextLimit, 'n');
    EXPECT_EQ(Read(Page(name, "", "")), pageReadOk);
    EXPECT_EQ(Read(Page(name + "n", "", "")), pageTextTooLong);
}

TEST(PageReader, FromAStream)
{
    std::string page = Page("Area", "w\r\nh", "w*h");
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    std::string bytes = "skipped" + page;
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    fseek(file, 7, SEEK_SET);
    PageTexts texts = {nullptr, nullptr, nullptr};
    ASSERT_EQ(ReadCalculatorPageFile(file, &texts), pageReadOk);
    EXPECT_STREQ(texts.variables, "w\r\nh");
    FreePageTexts(&texts);
    FreePageTexts(&texts);
    rewind(file);
    EXPECT_EQ(ReadCalculatorPageFile(file, &texts), pageNotCalculator);
    fclose(file);

#ifndef _WIN32
    // A stream open only for writing cannot be read: an error, not an empty
    // page. (msvcrt reads such a stream as an empty one, without an error.)
    FILE* writeOnly = fopen("tallisk-pagereader-test.tmp", "wb");
    ASSERT_NE(writeOnly, nullptr);
    EXPECT_EQ(ReadCalculatorPageFile(writeOnly, &texts), pageReadFailed);
    EXPECT_EQ(texts.name, nullptr);
    fclose(writeOnly);
    remove("tallisk-pagereader-test.tmp");

    // A stream without end that begins as a page, as a pipe can: refused
    // once it has given more than a page can hold.
    size_t given = 0;
    cookie_io_functions_t endless = {};
    endless.read = [](void* cookie, char* to, size_t size) -> ssize_t {
        size_t& count = *static_cast<size_t*>(cookie);
        for (size_t i = 0; i < size; ++i)
            to[i] = "<title>"[(count + i) % 7];
        count += size;
        return static_cast<ssize_t>(size);
    };
    FILE* pipe = fopencookie(&given, "r", endless);
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(ReadCalculatorPageFile(pipe, &texts), pageTooLarge);
    EXPECT_LE(given, pageFileLimit + 65536 + 1);
    fclose(pipe);
#endif
}

// However the texts are made to hold the page's pieces, the reader's work
// stays within a fixed multiple of the page's size, and the page reads back.
TEST(PageReader, WorkGrowsWithTheSizeAlone)
{
    for (int shape = 0; shape < 3; ++shape) {
        const int nameDepth = shape == 0 ? 0 : 4;
        const bool hashes = shape == 2;
        for (size_t blocks : {0, 16, 256, 4096}) {
            SCOPED_TRACE(testing::Message() << blocks << " blocks, names nested " << nameDepth << " deep"
                                            << (hashes ? ", \"#\" in the function" : ""));
            CraftedTexts texts = MakeCraftedTexts(blocks, nameDepth, hashes);
            std::string page = Page(texts.name, texts.variables, texts.function);
            PageTexts back = {nullptr, nullptr, nullptr};
            unsigned long long work = 0;
            ASSERT_EQ(ReadCalculatorPage(page.data(), page.size(), &back, &work), pageReadOk);
            EXPECT_EQ(back.name, texts.name);
            EXPECT_EQ(back.variables, texts.variables);
            EXPECT_EQ(back.function, texts.function);
            FreePageTexts(&back);
            EXPECT_LE(work, 40 * page.size()) << page.size() << " bytes";
            printf("%zu blocks, depth %d%s: %zu bytes, work %.1f per byte\n", blocks, nameDepth,
                hashes ? ", with #" : "", page.size(), double(work) / page.size());
        }
    }
}

// The 32-bit build multiplies hashes in 32-bit halves, which machines that
// cannot run 32-bit programs never try: checked here against 128-bit products.
TEST(PageReader, HashProductsInHalves)
{
#if defined(__SIZEOF_INT128__)
    std::mt19937_64 random(7);
    const HashValue edges[] = {0, 1, 2, 0xffffffffULL, 0x100000000ULL, hashModulus - 2, hashModulus - 1};
    for (int i = 0; i < 200000; ++i) {
        HashValue a = i < 49 ? edges[i % 7] : random() % hashModulus;
        HashValue b = i < 49 ? edges[i / 7] : random() % hashModulus;
        HashValue product = static_cast<HashValue>(static_cast<unsigned __int128>(a) * b % hashModulus);
        ASSERT_EQ(HashMultiplyInHalves(a, b), product) << a << " * " << b;
    }
#else
    GTEST_SKIP() << "no 128-bit integers to check against";
#endif
}
