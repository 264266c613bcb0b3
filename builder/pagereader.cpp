#include "builder/pagereader.h"

#include <cstdlib>
#include <cstring>

#include "builder/page.h"

// The page is "<title>" N H N H2 ROWS(V) S1 SCRIPT(F) S2 F A V T, where the
// capitals other than N, V and F are fixed pieces of the writer's. The three
// lengths are the unknowns:
//  - V starts right after an occurrence of A, and ends before T;
//  - N is followed by H and by N again, then H2;
//  - for a V start s and a name length n the rows' length R(V) is known, and
//    s = C + 2n + R(V) + 2f + 5h(F), with h the count of "#" in F, the f bytes
//    before A: strictly increasing in f, so at most one f fits.
// Every (s, n, f) that fits and has S1 and S2 in their places is then checked
// by the writer itself, comparing instead of writing.
//
// Time is linear in the page, plus per pair of a V start and a name a binary
// search, plus a comparison of up to the whole page for each triple that
// passes the checks above. A page whose texts hold many copies of A, or a name
// holding H and H2 at the right distances, can so take time quadratic in its
// size; a page whose texts hold none of these pieces has one candidate of each.
// Memory beyond the page and its texts: a table of two words per A, one per
// name candidate, and a "#" count per 64 bytes of where F can lie.

namespace {

const char titleStart[] = "<title>";
const char nameMiddle[] = "</title>\r\n\r\n<table bgcolor=#005588 cellpadding=3>\r\n"
                          "<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b>";
const char nameEnd[] = "</b></font> </td></tr>\r\n\r\n";
const char scriptStart[] = "<script> function ftn () {\r\n";
const char scriptEnd[] = "\r\n} </script>\r\n\r\n<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\n";
const char listingStart[] = "\r\n</textarea></td></tr>\r\n\r\n<tr><td colspan=2><xmp>\r\n";
const char pageEnd[] = "\r\n</xmp></td></tr></table>\r\n\r\n";

// The writer's row and button pieces, for the rows' lengths only: a wrong
// length here makes a page fail to read back, never read back wrongly.
const size_t rowFixed = sizeof "<tr><td  align=left><font color=#ffffff><b>" - 1
    + sizeof "</b></font></td><td align=left> <input type=\"text\" size=50 " - 1 + sizeof " name=\"" - 1
    + sizeof "\" id=\"" - 1 + sizeof "\"> </td> </tr>\r\n" - 1;
const size_t keyInLabel = sizeof "<u>" - 1 + 1 + sizeof "</u>" - 1;
const size_t keyAttribute = sizeof " accesskey=\"" - 1 + 1 + sizeof "\"" - 1;
const size_t textAround = sizeof " (" - 1 + sizeof ")" - 1;
const size_t valueAround = sizeof " value=\"" - 1 + sizeof "\"" - 1;
const size_t buttonFixed = sizeof "<tr><td colspan=2 align=left><input value=\"" - 1
    + sizeof " type=\"button\" onclick=\"ftn();\"></td></tr>\r\n\r\n" - 1;
const size_t calculateButton = buttonFixed + sizeof "Calculate\"" - 1;

template <size_t N>
constexpr size_t Length(const char (&)[N])
{
    return N - 1;
}

// Everything of the page but its texts and what is made of them.
const size_t fixedLength = Length(titleStart) + Length(nameMiddle) + Length(nameEnd) + Length(scriptStart)
    + Length(scriptEnd) + Length(listingStart);

typedef unsigned long long Count;  // rows of a large V can outgrow a 32-bit size_t

const size_t notFound = static_cast<size_t>(-1);

bool IsBreak(char c)
{
    return c == '\r' || c == '\n';
}

bool PieceAt(const char* page, size_t size, size_t at, const char* piece, size_t length)
{
    return at <= size && size - at >= length && memcmp(page + at, piece, length) == 0;
}

// Horspool's search for a fixed piece: sublinear on ordinary text, and at
// worst a few comparisons a byte for these pieces, whose last byte recurs
// only some way before it.
struct Needle {
    const char* bytes;
    size_t length;
    size_t shift[256];
};

void PrepareNeedle(Needle& needle, const char* bytes, size_t length)
{
    needle.bytes = bytes;
    needle.length = length;
    for (size_t c = 0; c < 256; ++c)
        needle.shift[c] = length;
    for (size_t i = 0; i + 1 < length; ++i)
        needle.shift[static_cast<unsigned char>(bytes[i])] = length - 1 - i;
}

// The first occurrence starting at or after `from` and ending by `to`.
size_t FindPiece(const char* page, size_t from, size_t to, const Needle& needle)
{
    const size_t last = needle.length - 1;
    for (size_t at = from; at <= to && to - at >= needle.length;) {
        unsigned char c = static_cast<unsigned char>(page[at + last]);
        if (c == static_cast<unsigned char>(needle.bytes[last]) && memcmp(page + at, needle.bytes, last) == 0)
            return at;
        at += needle.shift[c];
    }
    return notFound;
}

const char* FindByte(const char* start, const char* end, char c)
{
    return static_cast<const char*>(memchr(start, c, end - start));
}

// A label as the writer splits it at its first "&".
struct LabelLengths {
    size_t lead;
    bool key;
    size_t tail;
};

LabelLengths MeasureLabel(const char* start, const char* end)
{
    const char* ampersand = FindByte(start, end, '&');
    LabelLengths label = {static_cast<size_t>((ampersand != nullptr ? ampersand : end) - start), false, 0};
    if (ampersand != nullptr && end - ampersand >= 2) {
        label.key = true;
        label.tail = end - ampersand - 2;
    }
    return label;
}

// The row of the variable line [start, end).
Count RowLength(const char* start, const char* end)
{
    const char* firstSlash = FindByte(start, end, '/');
    LabelLengths label = MeasureLabel(start, firstSlash != nullptr ? firstSlash : end);
    Count name = label.lead + (label.key ? 1 + label.tail : 0);
    Count length = rowFixed + label.lead + 2 * name;
    if (label.key)
        length += keyInLabel + label.tail + keyAttribute;
    if (firstSlash != nullptr) {
        const char* secondSlash = FindByte(firstSlash + 1, end, '/');
        size_t text = (secondSlash != nullptr ? secondSlash : end) - firstSlash - 1;
        if (text != 0)
            length += textAround + text;
        if (secondSlash != nullptr)
            length += valueAround + (end - secondSlash - 1);
    }
    return length;
}

// The button row of the line [start, end), which begins with "?".
Count ButtonLength(const char* start, const char* end)
{
    LabelLengths label = MeasureLabel(start + 1, end);
    Count length = buttonFixed + label.lead + 1;
    if (label.key)
        length += 1 + label.tail + keyAttribute;
    return length;
}

// A possible start of V, right after an A, and the length of V's rows and button.
struct ListingStart {
    size_t at;
    Count rows;
};

// Grows a malloc'd array by half again when it is full.
bool MakeRoom(void** items, size_t& capacity, size_t count, size_t itemSize)
{
    if (count < capacity)
        return true;
    size_t larger = capacity < 16 ? 16 : capacity + capacity / 2;
    if (larger > static_cast<size_t>(-1) / itemSize)
        return false;
    void* grown = realloc(*items, larger * itemSize);
    if (grown == nullptr)
        return false;
    *items = grown;
    capacity = larger;
    return true;
}

// Every A that ends by `listingEnd`, in page order.
PageReadResult FindListingStarts(const char* page, size_t listingEnd, ListingStart** starts, size_t& count)
{
    Needle needle;
    PrepareNeedle(needle, listingStart, Length(listingStart));
    size_t capacity = 0;
    count = 0;
    for (size_t at = 0; (at = FindPiece(page, at, listingEnd, needle)) != notFound; ++at) {
        if (!MakeRoom(reinterpret_cast<void**>(starts), capacity, count, sizeof **starts))
            return pageReadMemory;
        ListingStart start = {at + Length(listingStart), 0};
        (*starts)[count++] = start;
    }
    return pageReadOk;
}

// The rows' length for every listing start, in one pass from the end of V
// back to the first start. A start follows a line feed, so it begins a line
// or lies in a run of line breaks (an empty first line). Each line's rows are
// its own row and those of the line after it; a "?" line is the button alone.
void MeasureRows(const char* page, size_t listingEnd, ListingStart* starts, size_t count)
{
    size_t lineStart = listingEnd;  // where a line begins, or V's end
    Count rows = calculateButton;  // of V from lineStart
    const Count emptyRow = RowLength(page, page);
    size_t next = count;
    while (next > 0) {
        size_t lineEnd = lineStart;
        while (lineEnd > 0 && IsBreak(page[lineEnd - 1]))
            --lineEnd;
        for (; next > 0 && starts[next - 1].at > lineEnd; --next)
            starts[next - 1].rows = starts[next - 1].at == lineStart ? rows : emptyRow + rows;
        if (next == 0)
            break;
        size_t start = lineEnd;
        while (start > 0 && !IsBreak(page[start - 1]))
            --start;
        const char* line = page + start;
        rows = *line == '?' ? ButtonLength(line, page + lineEnd) : RowLength(line, page + lineEnd) + rows;
        lineStart = start;
    }
}

// Names n for which the page goes on N H N H2, N being the n bytes after
// "<title>", for n up to `longest`.
PageReadResult FindNames(const char* page, size_t size, size_t longest, size_t** names, size_t& count)
{
    Needle needle;
    PrepareNeedle(needle, nameMiddle, Length(nameMiddle));
    const size_t name = Length(titleStart);
    size_t capacity = 0;
    count = 0;
    size_t searchEnd = name + longest + Length(nameMiddle);
    if (searchEnd > size)
        searchEnd = size;
    for (size_t at = name; (at = FindPiece(page, at, searchEnd, needle)) != notFound; ++at) {
        size_t length = at - name;
        size_t again = at + Length(nameMiddle);
        if (!PieceAt(page, size, again + length, nameEnd, Length(nameEnd))
            || memcmp(page + again, page + name, length) != 0)
            continue;
        if (!MakeRoom(reinterpret_cast<void**>(names), capacity, count, sizeof **names))
            return pageReadMemory;
        (*names)[count++] = length;
    }
    return pageReadOk;
}

// Counts of "#" from `start` at every 64 bytes, so that the count in any span
// from `start` on costs at most two short scans.
struct HashCounts {
    size_t start;
    size_t end;
    size_t* before;  // before[i]: in [start, start + 64 i)
};

const size_t hashBlock = 64;

size_t CountHashes(const char* from, const char* to)
{
    size_t count = 0;
    for (; from < to; ++from)
        count += *from == '#';
    return count;
}

bool CountAllHashes(const char* page, HashCounts& counts)
{
    size_t blocks = (counts.end - counts.start) / hashBlock + 1;
    counts.before = static_cast<size_t*>(malloc(blocks * sizeof *counts.before));
    if (counts.before == nullptr)
        return false;
    size_t total = 0;
    const char* block = page + counts.start;
    for (size_t i = 0; i < blocks; ++i, block += hashBlock) {
        counts.before[i] = total;
        if (i + 1 < blocks)
            total += CountHashes(block, block + hashBlock);
    }
    return true;
}

// "#" in [start, at), for `at` in [counts.start, counts.end].
size_t HashesBefore(const char* page, const HashCounts& counts, size_t at)
{
    size_t block = (at - counts.start) / hashBlock;
    const char* blockStart = page + counts.start + block * hashBlock;
    return counts.before[block] + CountHashes(blockStart, page + at);
}

// The f for which F, the f bytes before `functionEnd`, makes 2f + 5h(F) equal
// `target`, or notFound. F begins no earlier than counts.start.
size_t FindFunctionLength(const char* page, const HashCounts& counts, size_t functionEnd, Count target)
{
    size_t low = 0;
    size_t high = functionEnd - counts.start;
    if (target / 2 < high)
        high = static_cast<size_t>(target / 2);
    const size_t hashesToEnd = HashesBefore(page, counts, functionEnd);
    while (low <= high) {
        size_t f = low + (high - low) / 2;
        Count made = 2 * Count(f) + 5 * Count(hashesToEnd - HashesBefore(page, counts, functionEnd - f));
        if (made == target)
            return f;
        if (made < target)
            low = f + 1;
        else if (f == 0)
            break;
        else
            high = f - 1;
    }
    return notFound;
}

char* CopyOut(const char* start, size_t length)
{
    char* text = static_cast<char*>(malloc(length + 1));
    if (text != nullptr) {
        memcpy(text, start, length);
        text[length] = 0;
    }
    return text;
}

// Copies out the texts of one candidate and has the writer compare them with
// the page. On pageReadOk the texts are the caller's; otherwise they are freed.
PageReadResult CheckTexts(const char* page, size_t size, size_t name, size_t listing, size_t function,
    size_t functionLength, PageTexts* texts)
{
    const size_t nameLength = name, listingLength = size - Length(pageEnd) - listing;
    texts->name = CopyOut(page + Length(titleStart), nameLength);
    texts->variables = CopyOut(page + listing, listingLength);
    texts->function = CopyOut(page + function, functionLength);
    PageReadResult result = pageChanged;
    if (texts->name == nullptr || texts->variables == nullptr || texts->function == nullptr)
        result = pageReadMemory;
    else if (CalculatorPageMatches(page, size, texts->name, texts->variables, texts->function))
        result = nameLength > pageTextLimit || listingLength > pageTextLimit || functionLength > pageTextLimit
            ? pageTextTooLong
            : pageReadOk;
    if (result != pageReadOk)
        FreePageTexts(texts);
    return result;
}

// Tries every candidate, the latest V start first: unless V holds A, the
// last A is V's. Texts over the limit that do give the page are remembered,
// and reported only when no texts within it do.
PageReadResult Search(const char* page, size_t size, const ListingStart* starts, size_t startCount,
    const size_t* names, size_t nameCount, const HashCounts& counts, PageTexts* texts)
{
    PageReadResult found = pageChanged;
    for (size_t i = startCount; i-- > 0;) {
        const size_t listing = starts[i].at;
        const size_t functionEnd = listing - Length(listingStart);
        for (size_t j = 0; j < nameCount; ++j) {
            const Count used = fixedLength + 2 * Count(names[j]) + starts[i].rows;
            if (used > listing)
                break;
            size_t f = FindFunctionLength(page, counts, functionEnd, listing - used);
            if (f == notFound)
                continue;
            size_t scriptAt = Length(titleStart) + Length(nameMiddle) + Length(nameEnd) + 2 * names[j]
                + static_cast<size_t>(starts[i].rows);
            if (!PieceAt(page, size, scriptAt, scriptStart, Length(scriptStart))
                || !PieceAt(page, size, functionEnd - f - Length(scriptEnd), scriptEnd, Length(scriptEnd)))
                continue;
            PageReadResult result = CheckTexts(page, size, names[j], listing, functionEnd - f, f, texts);
            if (result == pageReadOk || result == pageReadMemory)
                return result;
            if (result == pageTextTooLong)
                found = pageTextTooLong;
        }
    }
    return found;
}

bool IsFramed(const char* page, size_t size)
{
    Needle needle;
    PrepareNeedle(needle, nameMiddle, Length(nameMiddle));
    return PieceAt(page, size, 0, titleStart, Length(titleStart))
        && FindPiece(page, Length(titleStart), size, needle) != notFound;
}

}  // namespace

PageReadResult ReadCalculatorPage(const char* page, size_t size, PageTexts* texts)
{
    texts->name = texts->variables = texts->function = nullptr;
    if (!IsFramed(page, size))
        return pageNotCalculator;
    if (memchr(page, 0, size) != nullptr)
        return pageZeroByte;
    if (size < fixedLength + Length(pageEnd)
        || !PieceAt(page, size, size - Length(pageEnd), pageEnd, Length(pageEnd)))
        return pageChanged;
    const size_t listingEnd = size - Length(pageEnd);

    ListingStart* starts = nullptr;
    size_t startCount = 0;
    size_t* names = nullptr;
    size_t nameCount = 0;
    HashCounts counts = {listingEnd, 0, nullptr};
    PageReadResult result = FindListingStarts(page, listingEnd, &starts, startCount);
    if (result == pageReadOk) {
        MeasureRows(page, listingEnd, starts, startCount);
        // What the starts allow of the name's length and of where F can lie.
        size_t longestName = 0;
        for (size_t i = 0; i < startCount; ++i) {
            Count rest = fixedLength + starts[i].rows;
            if (rest > starts[i].at)
                continue;
            size_t spare = static_cast<size_t>((starts[i].at - rest) / 2);
            if (spare > longestName)
                longestName = spare;
            size_t earliest = static_cast<size_t>(rest) - Length(listingStart);
            if (earliest < counts.start)
                counts.start = earliest;
            counts.end = starts[i].at - Length(listingStart);
        }
        if (counts.start > counts.end)
            result = pageChanged;
        else
            result = FindNames(page, size, longestName, &names, nameCount);
    }
    if (result == pageReadOk)
        result = CountAllHashes(page, counts) ? pageReadOk : pageReadMemory;
    if (result == pageReadOk)
        result = Search(page, size, starts, startCount, names, nameCount, counts, texts);
    free(starts);
    free(names);
    free(counts.before);
    return result;
}

PageReadResult ReadCalculatorPageFile(FILE* file, PageTexts* texts)
{
    texts->name = texts->variables = texts->function = nullptr;
    // A file that does not begin as a page is not read whole, however large.
    size_t capacity = 65536;
    char* page = static_cast<char*>(malloc(capacity));
    if (page == nullptr)
        return pageReadMemory;
    size_t size = fread(page, 1, Length(titleStart), file);
    PageReadResult result = pageReadOk;
    if (ferror(file) != 0)
        result = pageReadFailed;
    else if (size < Length(titleStart) || memcmp(page, titleStart, size) != 0)
        result = pageNotCalculator;
    while (result == pageReadOk) {
        if (size == capacity) {
            char* larger = capacity <= static_cast<size_t>(-1) / 2
                ? static_cast<char*>(realloc(page, capacity * 2))
                : nullptr;
            if (larger == nullptr) {
                result = pageReadMemory;
                break;
            }
            page = larger;
            capacity *= 2;
        }
        size_t got = fread(page + size, 1, capacity - size, file);
        size += got;
        if (got == 0)
            break;
    }
    if (result == pageReadOk && ferror(file) != 0)
        result = pageReadFailed;
    if (result == pageReadOk)
        result = ReadCalculatorPage(page, size, texts);
    free(page);
    return result;
}

void FreePageTexts(PageTexts* texts)
{
    free(texts->name);
    free(texts->variables);
    free(texts->function);
    texts->name = texts->variables = texts->function = nullptr;
}
