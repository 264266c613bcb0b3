#include "builder/pagereader.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "builder/page.h"

// The page is "<title>" N H N H2 ROWS(V) S1 SCRIPT(F) S2 F A V T, where the
// capitals other than N, V and F are fixed pieces of the writer's. The three
// lengths are the unknowns:
//  - V starts right after an occurrence of A, and ends before T;
//  - N is followed by H and by N again, then H2;
//  - for a V start s and a name length n the rows' length R(V) is known, and
//    s = C + 2n + R(V) + 2f + 5h(F), with C the fixed pieces' length before V
//    and h the count of "#" in F, the f bytes before A: strictly increasing
//    in f, so at most one f fits.
// Every (s, n, f) that fits and has S1 and S2 in their places is then checked
// by the writer itself, comparing instead of writing.
//
// Time is linear in the page, plus per pair of a V start and a name a binary
// search, plus a comparison of up to the whole page for each triple that
// passes the checks above. A page whose texts hold many copies of A, or a name
// holding H and H2 at the right distances, can so take time quadratic in its
// size; a page whose texts hold none of these pieces has one candidate of each.
// Memory beyond the page and its texts: a word per name candidate and a "#"
// count per 64 bytes of where F can lie.

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

// Horspool's search for a fixed piece, shifting on two bytes of the window
// (hashed, which can only shorten a shift): most of a page's pairs of bytes
// are not in the piece, so most shifts are nearly its length. A full
// comparison is tried only where the window ends (or, searching backwards,
// begins) as the piece does, and for these pieces that pair recurs only some
// way along, so the cost is at most a few comparisons a byte.
struct Needle {
    const char* bytes;
    size_t length;
    // Forwards, on the window's last two bytes; backwards, on its first two.
    unsigned char shift[4096];
};

size_t PairKey(unsigned char first, unsigned char second)
{
    return ((size_t(first) << 5) ^ second) & 4095;
}

// `length` is at least 3 and at most 256.
void PrepareNeedle(Needle& needle, const char* bytes, size_t length, bool backwards)
{
    needle.bytes = bytes;
    needle.length = length;
    memset(needle.shift, static_cast<int>(length - 1), sizeof needle.shift);
    const unsigned char* piece = reinterpret_cast<const unsigned char*>(bytes);
    if (backwards) {
        for (size_t i = length - 2; i >= 1; --i)
            needle.shift[PairKey(piece[i], piece[i + 1])] = static_cast<unsigned char>(i);
    } else {
        for (size_t i = 1; i + 1 < length; ++i)
            needle.shift[PairKey(piece[i - 1], piece[i])] = static_cast<unsigned char>(length - 1 - i);
    }
}

// The first occurrence starting at or after `from` and ending by `to`.
size_t FindPiece(const char* page, size_t from, size_t to, const Needle& needle)
{
    const size_t length = needle.length;
    const unsigned char* piece = reinterpret_cast<const unsigned char*>(needle.bytes);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(page);
    for (size_t at = from; at <= to && to - at >= length;) {
        const unsigned char* end = bytes + at + length - 2;
        if (end[1] == piece[length - 1] && end[0] == piece[length - 2]
            && memcmp(bytes + at, piece, length - 2) == 0)
            return at;
        at += needle.shift[PairKey(end[0], end[1])];
    }
    return notFound;
}

// The last occurrence ending by `to`.
size_t FindPieceBefore(const char* page, size_t to, const Needle& needle)
{
    const size_t length = needle.length;
    const unsigned char* piece = reinterpret_cast<const unsigned char*>(needle.bytes);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(page);
    if (to < length)
        return notFound;
    for (size_t at = to - length;;) {
        const unsigned char* start = bytes + at;
        if (start[0] == piece[0] && start[1] == piece[1] && memcmp(start + 2, piece + 2, length - 2) == 0)
            return at;
        size_t step = needle.shift[PairKey(start[0], start[1])];
        if (at < step)
            return notFound;
        at -= step;
    }
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

// `ampersand` is the label's first "&", or null.
LabelLengths MeasureLabel(const char* start, const char* end, const char* ampersand)
{
    LabelLengths label = {static_cast<size_t>((ampersand != nullptr ? ampersand : end) - start), false, 0};
    if (ampersand != nullptr && end - ampersand >= 2) {
        label.key = true;
        label.tail = end - ampersand - 2;
    }
    return label;
}

// Where the writer cuts a variable line: its first "/", its second, and the
// first "&" before the first "/"; each null where there is none.
struct LineMarks {
    const char* firstSlash;
    const char* secondSlash;
    const char* ampersand;
};

#if defined(__SSE2__)
// Which of the 32 bytes at `at` are `c`, a bit each.
unsigned BytesOf(const char* at, char c)
{
    const __m128i wanted = _mm_set1_epi8(c);
    __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, wanted)))
        | static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, wanted))) << 16;
}
#endif

// The marks of the line [start, end); the page holds the bytes up to
// `readable`. A line of up to 32 bytes, as most are, is searched with one
// SSE2 test of 32 bytes for each character instead of three library calls.
LineMarks FindMarks(const char* start, const char* end, const char* readable)
{
    LineMarks marks;
#if defined(__SSE2__)
    const size_t length = static_cast<size_t>(end - start);
    if (length <= 32 && readable - start >= 32) {
        const unsigned inLine = static_cast<unsigned>((static_cast<unsigned long long>(1) << length) - 1);
        unsigned slashes = BytesOf(start, '/') & inLine;
        unsigned inLabel = slashes != 0 ? (slashes & -slashes) - 1 : inLine;
        unsigned ampersands = BytesOf(start, '&') & inLabel;
        marks.firstSlash = slashes != 0 ? start + __builtin_ctz(slashes) : nullptr;
        slashes &= slashes - 1;
        marks.secondSlash = slashes != 0 ? start + __builtin_ctz(slashes) : nullptr;
        marks.ampersand = ampersands != 0 ? start + __builtin_ctz(ampersands) : nullptr;
        return marks;
    }
#else
    (void)readable;
#endif
    marks.firstSlash = FindByte(start, end, '/');
    marks.secondSlash = marks.firstSlash != nullptr ? FindByte(marks.firstSlash + 1, end, '/') : nullptr;
    marks.ampersand = FindByte(start, marks.firstSlash != nullptr ? marks.firstSlash : end, '&');
    return marks;
}

// The row of the variable line [start, end).
Count RowLength(const char* start, const char* end, const char* readable)
{
    const LineMarks marks = FindMarks(start, end, readable);
    const char* firstSlash = marks.firstSlash;
    LabelLengths label = MeasureLabel(start, firstSlash != nullptr ? firstSlash : end, marks.ampersand);
    Count name = label.lead + (label.key ? 1 + label.tail : 0);
    Count length = rowFixed + label.lead + 2 * name;
    if (label.key)
        length += keyInLabel + label.tail + keyAttribute;
    if (firstSlash != nullptr) {
        const char* secondSlash = marks.secondSlash;
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
    LabelLengths label = MeasureLabel(start + 1, end, FindByte(start + 1, end, '&'));
    Count length = buttonFixed + label.lead + 1;
    if (label.key)
        length += 1 + label.tail + keyAttribute;
    return length;
}

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

// The start of the line that ends at `end`: after the last line break
// before it, or the page's start. Sixteen bytes are tested at once.
size_t LineStart(const char* page, size_t end)
{
    size_t start = end;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    while (start >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(page + start - 16));
        unsigned breaks = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf))));
        if (breaks != 0)
            return start + 16 - __builtin_clz(breaks);  // one past the last break
        start -= 16;
    }
#endif
    while (start > 0 && !IsBreak(page[start - 1]))
        --start;
    return start;
}

size_t BreaksBefore(const char* page, size_t at)
{
    while (at > 0 && IsBreak(page[at - 1]))
        --at;
    return at;
}

// The rows' length of V from each of its possible starts, asked for from V's
// end backwards, so that one pass back over V serves them all. A start
// follows a line feed, so it begins a line or lies in a run of line breaks
// (an empty first line). A line's rows are its own row and those of the line
// after it; a "?" line's are the button row alone.
struct RowsPass {
    const char* readable;  // the page's end
    size_t lineStart;  // where a line begins, or V's end
    size_t lineEnd;  // where the run of breaks before lineStart begins
    Count rows;  // of V from lineStart
};

void StartRows(RowsPass& pass, const char* page, size_t size, size_t listingEnd)
{
    pass.readable = page + size;
    pass.lineStart = listingEnd;
    pass.lineEnd = BreaksBefore(page, listingEnd);
    pass.rows = calculateButton;
}

// `at` follows a line feed and is at most every start asked for before.
Count RowsFrom(RowsPass& pass, const char* page, size_t at)
{
    while (at <= pass.lineEnd) {
        size_t start = LineStart(page, pass.lineEnd);
        const char* line = page + start;
        const char* end = page + pass.lineEnd;
        pass.rows = *line == '?' ? ButtonLength(line, end) : RowLength(line, end, pass.readable) + pass.rows;
        pass.lineStart = start;
        pass.lineEnd = BreaksBefore(page, start);
    }
    return at == pass.lineStart ? pass.rows : RowLength(page, page, pass.readable) + pass.rows;
}

// The name lengths n for which the page goes on N H N H2, N being the n bytes
// after "<title>", in increasing order: all those below `searched`.
struct Names {
    size_t* lengths;
    size_t count;
    size_t capacity;
    size_t searched;
};

// Extends the names to all up to `longest`.
bool FindNames(const char* page, size_t size, const Needle& header, size_t longest, Names& names)
{
    const size_t name = Length(titleStart);
    if (longest < names.searched)
        return true;
    size_t searchEnd
        = size - name - Length(nameMiddle) > longest ? name + longest + Length(nameMiddle) : size;
    for (size_t at = name + names.searched; (at = FindPiece(page, at, searchEnd, header)) != notFound; ++at) {
        size_t length = at - name;
        size_t again = at + Length(nameMiddle);
        if (!PieceAt(page, size, again + length, nameEnd, Length(nameEnd))
            || memcmp(page + again, page + name, length) != 0)
            continue;
        if (!MakeRoom(reinterpret_cast<void**>(&names.lengths), names.capacity, names.count, sizeof(size_t)))
            return false;
        names.lengths[names.count++] = length;
    }
    names.searched = longest + 1;
    return true;
}

// Counts of "#" back from `anchor`, one every 64 bytes, so that the count in
// any span back to where they reach costs at most two short scans. They are
// extended backwards as V starts further back are tried.
const size_t hashBlock = 64;

struct HashCounts {
    size_t anchor;
    size_t* after;  // after[i]: "#" in [anchor - 64 i, anchor)
    size_t blocks;
    size_t capacity;
};

size_t CountHashes(const char* from, const char* to)
{
    size_t count = 0;
    for (; from < to; ++from)
        count += *from == '#';
    return count;
}

// Extends the counts back to cover `from`, which is at most their anchor.
bool CountHashesBackTo(const char* page, HashCounts& counts, size_t from)
{
    const size_t needed = (counts.anchor - from) / hashBlock + 1;
    for (; counts.blocks < needed; ++counts.blocks) {
        if (!MakeRoom(
                reinterpret_cast<void**>(&counts.after), counts.capacity, counts.blocks, sizeof(size_t)))
            return false;
        size_t count = 0;
        if (counts.blocks != 0) {
            const char* end = page + counts.anchor - (counts.blocks - 1) * hashBlock;
            count = counts.after[counts.blocks - 1] + CountHashes(end - hashBlock, end);
        }
        counts.after[counts.blocks] = count;
    }
    return true;
}

// "#" in [at, anchor), for `at` the counts cover.
size_t HashesFrom(const char* page, const HashCounts& counts, size_t at)
{
    size_t block = (counts.anchor - at) / hashBlock;
    return counts.after[block] + CountHashes(page + at, page + counts.anchor - block * hashBlock);
}

// The f for which F, the f bytes before `functionEnd` and none before
// `earliest`, makes 2f + 5h(F) equal `target`, or notFound.
size_t FindFunctionLength(
    const char* page, const HashCounts& counts, size_t earliest, size_t functionEnd, Count target)
{
    size_t low = 0;
    size_t high = functionEnd - earliest;
    if (target / 2 < high)
        high = static_cast<size_t>(target / 2);
    const size_t hashesAfter = HashesFrom(page, counts, functionEnd);
    while (low <= high) {
        size_t f = low + (high - low) / 2;
        Count made = 2 * Count(f) + 5 * Count(HashesFrom(page, counts, functionEnd - f) - hashesAfter);
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

// The search's state: what is known of the page back to the V start tried.
struct Search {
    Needle listing;
    Needle header;
    RowsPass rows;
    Names names;
    HashCounts counts;
};

// Tries the V start `listing` with every name that fits.
PageReadResult TryListingStart(
    const char* page, size_t size, Search& search, size_t listing, PageTexts* texts)
{
    const Count rows = RowsFrom(search.rows, page, listing);
    const Count rest = fixedLength + rows;
    if (rest > listing)
        return pageChanged;
    const size_t longest = static_cast<size_t>((listing - rest) / 2);
    const size_t functionEnd = listing - Length(listingStart);
    // F cannot begin before S2 ends with every other length at its least.
    const size_t earliest = static_cast<size_t>(rest) - Length(listingStart);
    if (search.counts.blocks == 0)
        search.counts.anchor = functionEnd;
    if (!FindNames(page, size, search.header, longest, search.names)
        || !CountHashesBackTo(page, search.counts, earliest))
        return pageReadMemory;
    PageReadResult found = pageChanged;
    for (size_t j = 0; j < search.names.count && search.names.lengths[j] <= longest; ++j) {
        const size_t name = search.names.lengths[j];
        size_t f = FindFunctionLength(
            page, search.counts, earliest, functionEnd, listing - rest - 2 * Count(name));
        if (f == notFound)
            continue;
        size_t scriptAt = Length(titleStart) + Length(nameMiddle) + Length(nameEnd) + 2 * name
            + static_cast<size_t>(rows);
        if (!PieceAt(page, size, scriptAt, scriptStart, Length(scriptStart))
            || !PieceAt(page, size, functionEnd - f - Length(scriptEnd), scriptEnd, Length(scriptEnd)))
            continue;
        PageReadResult result = CheckTexts(page, size, name, listing, functionEnd - f, f, texts);
        if (result == pageReadOk || result == pageReadMemory)
            return result;
        if (result == pageTextTooLong)
            found = pageTextTooLong;
    }
    return found;
}

// The V starts are tried from the last back, and each step of the search
// reaches only as far back as the start tried: unless V holds A, the last A
// is V's, and the search stops at the first texts that give the page. Texts
// over the limit that give it are remembered, and reported only when no texts
// within it do.
PageReadResult TryListingStarts(const char* page, size_t size, Search& search, PageTexts* texts)
{
    const size_t listingEnd = size - Length(pageEnd);
    PrepareNeedle(search.listing, listingStart, Length(listingStart), true);
    StartRows(search.rows, page, size, listingEnd);
    PageReadResult found = pageChanged;
    for (size_t end = listingEnd, at; (at = FindPieceBefore(page, end, search.listing)) != notFound;
         end = at + Length(listingStart) - 1) {
        PageReadResult result = TryListingStart(page, size, search, at + Length(listingStart), texts);
        if (result == pageTextTooLong) {
            found = result;
        } else if (result != pageChanged) {
            found = result;
            break;
        }
    }
    return found;
}

// The texts of a page that begins with "<title>", or why there are none.
// Without the header after the title it is some other page; with it but
// without the page's end, one that has been changed or cut short.
PageReadResult FindTexts(const char* page, size_t size, PageTexts* texts)
{
    Search* search = static_cast<Search*>(malloc(sizeof(Search)));
    if (search == nullptr)
        return pageReadMemory;
    PrepareNeedle(search->header, nameMiddle, Length(nameMiddle), false);
    Names names = {nullptr, 0, 0, 0};
    HashCounts counts = {0, nullptr, 0, 0};
    search->names = names;
    search->counts = counts;
    PageReadResult found = pageChanged;
    if (FindPiece(page, Length(titleStart), size, search->header) == notFound)
        found = pageNotCalculator;
    else if (size >= fixedLength + Length(pageEnd)
        && PieceAt(page, size, size - Length(pageEnd), pageEnd, Length(pageEnd)))
        found = TryListingStarts(page, size, *search, texts);
    free(search->names.lengths);
    free(search->counts.after);
    free(search);
    return found;
}

}  // namespace

PageReadResult ReadCalculatorPage(const char* page, size_t size, PageTexts* texts)
{
    texts->name = texts->variables = texts->function = nullptr;
    if (!PieceAt(page, size, 0, titleStart, Length(titleStart)))
        return pageNotCalculator;
    PageReadResult result = FindTexts(page, size, texts);
    // A zero byte cuts a text short, so such a page never matches; it is
    // looked for only then, to say why.
    if (result == pageChanged && memchr(page, 0, size) != nullptr)
        result = pageZeroByte;
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
