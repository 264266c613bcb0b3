#include "builder/pagereader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "builder/page.h"
#include "builder/pagehash.h"
#include "builder/pagepieces.h"

// The page is "<title>" N H N H2 ROWS(V) S1 SCRIPT(F) S2 F A V T, where the
// capitals other than N, V and F are the writer's fixed pieces. The three
// lengths are the unknowns:
//  - V starts right after an occurrence of A, and ends before T;
//  - N is followed by H and by N again, then H2;
//  - for a V start s and a name length n the rows' length R(V) is known, and
//    s = C + 2n + R(V) + 2f + 5h(F), with C the fixed pieces' length before V
//    and h the count of "#" in F, the f bytes before A: strictly increasing
//    in f, so at most one f fits.
// A candidate (s, n, f) with S1 and S2 in their places gives the page only if
// ROWS(V) and SCRIPT(F) stand where they would. The first candidates have
// their script compared in place and are then checked whole by the writer
// itself, comparing instead of writing. A page with more, which only texts
// made to hold the page's pieces give, has every further one tested first in
// logarithmic time with hashes of the page's spans, of the rows from each V
// start and of the script any F makes, and only one that passes is checked
// whole. The names that fit are few: a longer one holds a shorter one twice
// with H between.
//
// So the time is linear in the page, plus binary searches per V start and
// name. Memory beyond the page and its texts: a word per name, a "#" count
// per 64 bytes of where F can lie, a copy of the longest line, and with
// hashes a word per 32 bytes of the page and three per 32 bytes that hold a
// "#".

namespace {

const char titleStart[] = PAGE_TITLE_START;
const char nameMiddle[] = PAGE_TITLE_END PAGE_TABLE_START PAGE_NAME_CELL_START;
const char nameEnd[] = PAGE_NAME_CELL_END;
const char scriptStart[] = PAGE_SCRIPT_START;
const char scriptEnd[] = PAGE_SCRIPT_END PAGE_TEXTAREA_START;
const char listingStart[] = PAGE_TEXTAREA_END PAGE_LISTING_START;
const char pageEnd[] = PAGE_LISTING_END PAGE_TABLE_END;
const char scriptHash[] = PAGE_SCRIPT_HASH;

template <size_t N>
constexpr size_t Length(const char (&)[N])
{
    return N - 1;
}

// What a "#" adds to the script's length.
const size_t hashGrowth = Length(scriptHash) - 1;
// Everything of the page but its texts and what is made of them.
const size_t fixedLength = Length(titleStart) + Length(nameMiddle) + Length(nameEnd) + Length(scriptStart)
    + Length(scriptEnd) + Length(listingStart);
// Where the rows start, less the two names.
const size_t rowsAfterNames = Length(titleStart) + Length(nameMiddle) + Length(nameEnd);
// Candidates checked whole before the rest are tested with hashes first.
const int wholeChecks = 2;

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

// Powers of the hash base. Until the page calls for hashes in number, each
// is computed on its own; after, from two tables, with one multiplication.
const size_t powerLowBits = 16;

struct Powers {
    HashValue base;
    HashValue* low;  // base^i, i < 2^16
    HashValue* high;  // base^(2^16 i)
    size_t highCount;
    HashTables* tables;
};

HashValue Power(const Powers& powers, Count exponent)
{
    const Count highIndex = exponent >> powerLowBits;
    if (powers.low == nullptr || highIndex >= powers.highCount)
        return HashPower(powers.base, exponent);
    return HashMultiply(
        powers.low[exponent & ((Count(1) << powerLowBits) - 1)], powers.high[static_cast<size_t>(highIndex)]);
}

// Exponents up to `largest` from the tables.
bool FillPowerTables(Powers& powers, Count largest)
{
    powers.highCount = static_cast<size_t>(largest >> powerLowBits) + 1;
    powers.low = static_cast<HashValue*>(malloc(sizeof(HashValue) << powerLowBits));
    powers.high = static_cast<HashValue*>(malloc(powers.highCount * sizeof(HashValue)));
    powers.tables = static_cast<HashTables*>(malloc(sizeof(HashTables)));
    if (powers.low == nullptr || powers.high == nullptr || powers.tables == nullptr)
        return false;
    FillHashTables(*powers.tables, powers.base);
    powers.low[0] = powers.high[0] = 1;
    for (size_t i = 1; i < (size_t(1) << powerLowBits); ++i)
        powers.low[i] = HashMultiply(powers.low[i - 1], powers.base);
    const HashValue step = HashMultiply(powers.low[(size_t(1) << powerLowBits) - 1], powers.base);
    for (size_t i = 1; i < powers.highCount; ++i)
        powers.high[i] = HashMultiply(powers.high[i - 1], step);
    return true;
}

// Hashes of the page's first bytes, every 32 bytes, extended as far as asked,
// so that the hash of any span is two lookups away.
const size_t prefixBlock = 32;

struct Prefixes {
    HashValue* hash;  // hash[k]: of the first 32 k bytes
    size_t blocks;
    size_t capacity;
};

// The same for the script the page's first bytes make, a "#" standing for
// ".value", told from the bytes' prefixes: past a block without a "#" the
// script's prefix and the bytes' differ by a hash that is only multiplied by
// base^32. So only the blocks that hold a "#" are marked, each with that
// difference after it.
struct ScriptMark {
    size_t block;
    size_t hashes;  // "#" in the first 32 (block + 1) bytes
    HashValue difference;  // script's prefix less the bytes' after the block
};

struct ScriptMarks {
    ScriptMark* marks;
    size_t count;
    size_t capacity;
    size_t scanned;  // the blocks before it are marked
};

// Steps `hash` and `length` over [from, to): over the bytes themselves, or
// the script they make.
void HashBytes(const char* page, size_t from, size_t to, bool script, const Powers& powers, HashValue& hash,
    Count& length)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(page);
    if (!script) {
        hash = HashRun(powers.tables, powers.base, hash, bytes + from, to - from);
        length += to - from;
        return;
    }
    HashValue h = hash;
    for (size_t at = from; at < to; ++at) {
        if (bytes[at] != '#') {
            h = HashStep(h, powers.base, bytes[at]);
            ++length;
            continue;
        }
        for (size_t i = 0; i < Length(scriptHash); ++i)
            h = HashStep(h, powers.base, static_cast<unsigned char>(scriptHash[i]));
        length += Length(scriptHash);
    }
    hash = h;
}

// The rows of V from a V start: the writer itself measures, and when asked
// hashes, the rows of the lines from there to a "?" line or V's end. V starts
// are asked for from the last back, and each line start reached from the one
// before is where that one's rows are known, so every line is measured at most
// once. A start follows a line feed, so it begins a line or lies in a run of
// line breaks, which make an empty first line.
struct Rows {
    Count length;
    HashValue hash;
};

struct RowsPass {
    bool hashing;
    bool known;  // whether the rows from joinAt are known
    size_t joinAt;  // the line start of the last V start asked for
    Rows joined;  // of V from there
    Rows emptyLine;  // the row of an empty line
    char* line;  // a copy of the line measured, for the writer to cut
    size_t lineCapacity;
};

struct Search {
    Needle listing;
    Needle header;
};

// The reader's state for one page.
struct Reader {
    const char* page;
    size_t size;
    Count work;
    Search* search;
    RowsPass rows;
    // The name lengths n for which the page goes on N H N H2, N being the n
    // bytes after "<title>", in increasing order: all those below `searched`.
    size_t* names;
    size_t nameCount;
    size_t nameCapacity;
    size_t namesSearched;
    // "#" counts back from `hashAnchor`, one every 64 bytes, so that the count
    // in any span back to where they reach costs at most two short scans.
    size_t hashAnchor;
    size_t* hashesAfter;  // hashesAfter[i]: "#" in [anchor - 64 i, anchor)
    size_t hashBlocks;
    size_t hashCapacity;
    int wholeChecksLeft;
    Powers powers;
    Prefixes bytes;
    ScriptMarks script;
};

void AddWork(Reader& reader, Count steps)
{
    reader.work += steps;
}

bool ExtendPrefixes(Reader& reader, size_t to)
{
    Prefixes& prefixes = reader.bytes;
    const size_t needed = to / prefixBlock + 1;
    if (needed > prefixes.capacity) {
        size_t capacity = needed < prefixes.capacity * 2 ? prefixes.capacity * 2 : needed;
        HashValue* hash = static_cast<HashValue*>(realloc(prefixes.hash, capacity * sizeof(HashValue)));
        if (hash == nullptr)
            return false;
        prefixes.hash = hash;
        prefixes.capacity = capacity;
    }
    for (; prefixes.blocks < needed; ++prefixes.blocks) {
        HashValue hash = 0;
        if (prefixes.blocks != 0) {
            const size_t start = (prefixes.blocks - 1) * prefixBlock;
            hash = HashRun(reader.powers.tables, reader.powers.base, prefixes.hash[prefixes.blocks - 1],
                reinterpret_cast<const unsigned char*>(reader.page) + start, prefixBlock);
            AddWork(reader, prefixBlock);
        }
        prefixes.hash[prefixes.blocks] = hash;
    }
    return true;
}

// Adds to the bytes' prefix at `block` what makes it the script's: the hash
// and the length, from the last mark before the block.
void AddScriptDifference(Reader& reader, size_t block, HashValue& hash, Count& length)
{
    const ScriptMarks& marks = reader.script;
    size_t low = 0, high = marks.count;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (marks.marks[middle].block < block)
            low = middle + 1;
        else
            high = middle;
        AddWork(reader, 1);
    }
    if (low == 0)
        return;
    const ScriptMark& mark = marks.marks[low - 1];
    const Count after = Count(block - mark.block - 1) * prefixBlock;
    hash = HashAdd(hash, HashMultiply(mark.difference, Power(reader.powers, after)));
    length += hashGrowth * Count(mark.hashes);
}

// Marks every block before the one `to` lies in that holds a "#".
bool MarkScriptBlocks(Reader& reader, size_t to)
{
    ScriptMarks& marks = reader.script;
    const size_t end = to / prefixBlock * prefixBlock;
    const char* page = reader.page;
    for (size_t at = marks.scanned; at < end;) {
        const char* found = static_cast<const char*>(memchr(page + at, '#', end - at));
        AddWork(reader, (found != nullptr ? found - page : end) - at);
        if (found == nullptr)
            break;
        const size_t block = static_cast<size_t>(found - page) / prefixBlock, start = block * prefixBlock;
        HashValue hash = reader.bytes.hash[block];
        Count length = start;
        AddScriptDifference(reader, block, hash, length);
        HashBytes(page, start, start + prefixBlock, true, reader.powers, hash, length);
        AddWork(reader, prefixBlock);
        if (!MakeRoom(
                reinterpret_cast<void**>(&marks.marks), marks.capacity, marks.count, sizeof(ScriptMark)))
            return false;
        const Count hashes = (length - start - prefixBlock) / hashGrowth;
        marks.marks[marks.count++]
            = {block, static_cast<size_t>(hashes), HashSubtract(hash, reader.bytes.hash[block + 1])};
        at = start + prefixBlock;
    }
    if (end > marks.scanned)
        marks.scanned = end;
    return true;
}

// What the page's first `at` bytes make, the bytes or their script: its
// hash, and its length.
bool PrefixAt(Reader& reader, bool script, size_t at, HashValue& hash, Count& length)
{
    if (!ExtendPrefixes(reader, at) || (script && !MarkScriptBlocks(reader, at)))
        return false;
    const size_t block = at / prefixBlock, start = block * prefixBlock;
    hash = reader.bytes.hash[block];
    length = start;
    if (script)
        AddScriptDifference(reader, block, hash, length);
    HashBytes(reader.page, start, at, script, reader.powers, hash, length);
    AddWork(reader, at - start);
    return true;
}

// What [from, to) of the page makes, hashed: the bytes or their script.
bool SpanHash(Reader& reader, bool script, size_t from, size_t to, HashValue& hash)
{
    HashValue before, upTo;
    Count lengthBefore, lengthUpTo;
    if (!PrefixAt(reader, script, from, before, lengthBefore)
        || !PrefixAt(reader, script, to, upTo, lengthUpTo))
        return false;
    hash = HashSubtract(upTo, HashMultiply(before, Power(reader.powers, lengthUpTo - lengthBefore)));
    return true;
}

// Has the writer take the row of the line [start, start + length) of the
// page, or for `start` null, of the end of the text.
bool TakeRow(Reader& reader, PageSink& sink, const char* start, size_t length)
{
    char* line = nullptr;
    if (start != nullptr) {
        RowsPass& pass = reader.rows;
        if (length >= pass.lineCapacity) {
            size_t capacity = length < pass.lineCapacity * 2 ? pass.lineCapacity * 2 : length + 1;
            char* larger = static_cast<char*>(realloc(pass.line, capacity));
            if (larger == nullptr)
                return false;
            pass.line = larger;
            pass.lineCapacity = capacity;
        }
        memcpy(pass.line, start, length);
        pass.line[length] = 0;
        line = pass.line;
    }
    const Count before = sink.taken;
    WriteLineRow(sink, line);
    AddWork(reader, length + (sink.taken - before));
    return true;
}

PageSink RowsSink(const Reader& reader)
{
    PageSink sink = MakePageSink(reader.rows.hashing ? sinkHash : sinkCount);
    sink.hashBase = reader.powers.base;
    sink.hashTables = reader.powers.tables;
    return sink;
}

// `first` followed by `rest`.
Rows JoinRows(const Reader& reader, const Rows& first, const Rows& rest)
{
    Rows joined = {first.length + rest.length, 0};
    if (reader.rows.hashing)
        joined.hash = HashAdd(HashMultiply(first.hash, Power(reader.powers, rest.length)), rest.hash);
    return joined;
}

bool StartRows(Reader& reader, bool hashing)
{
    reader.rows.hashing = hashing;
    reader.rows.known = false;
    PageSink sink = RowsSink(reader);
    if (!TakeRow(reader, sink, reader.page, 0))
        return false;
    reader.rows.emptyLine.length = sink.taken;
    reader.rows.emptyLine.hash = sink.hash;
    return true;
}

// The rows of V from the line start `at`.
bool RowsFromLine(Reader& reader, size_t at, Rows& rows)
{
    RowsPass& pass = reader.rows;
    const char* page = reader.page;
    const size_t end = reader.size - Length(pageEnd);
    PageSink sink = RowsSink(reader);
    for (size_t line = at;;) {
        if (pass.known && line == pass.joinAt) {
            const Rows before = {sink.taken, sink.hash};
            rows = JoinRows(reader, before, pass.joined);
            break;
        }
        size_t lineEnd = line;
        while (lineEnd < end && !IsBreak(page[lineEnd]))
            ++lineEnd;
        if (!TakeRow(reader, sink, line < end ? page + line : nullptr, lineEnd - line))
            return false;
        if (line == end || page[line] == '?') {
            rows.length = sink.taken;
            rows.hash = sink.hash;
            break;
        }
        for (line = lineEnd; line < end && IsBreak(page[line]);)
            ++line;
    }
    pass.known = true;
    pass.joinAt = at;
    pass.joined = rows;
    return true;
}

// `at` follows a line feed and is below every start asked for before.
bool RowsFrom(Reader& reader, size_t at, Rows& rows)
{
    const char* page = reader.page;
    const size_t end = reader.size - Length(pageEnd);
    if (at == end || !IsBreak(page[at]))
        return RowsFromLine(reader, at, rows);
    size_t line = at;
    while (line < end && IsBreak(page[line]))
        ++line;
    Rows rest;
    if (!RowsFromLine(reader, line, rest))
        return false;
    rows = JoinRows(reader, reader.rows.emptyLine, rest);
    return true;
}

// Extends the names to all up to `longest`; a name's two copies are compared
// by their hashes, and the candidate that passes is checked whole later.
bool FindNames(Reader& reader, size_t longest)
{
    const char* page = reader.page;
    const size_t size = reader.size;
    const size_t name = Length(titleStart);
    if (longest < reader.namesSearched)
        return true;
    size_t searchEnd
        = size - name - Length(nameMiddle) > longest ? name + longest + Length(nameMiddle) : size;
    for (size_t at = name + reader.namesSearched;
         (at = FindPiece(page, at, searchEnd, reader.search->header)) != notFound; ++at) {
        size_t length = at - name;
        size_t again = at + Length(nameMiddle);
        if (!PieceAt(page, size, again + length, nameEnd, Length(nameEnd)))
            continue;
        HashValue first, second;
        if (!SpanHash(reader, false, name, at, first)
            || !SpanHash(reader, false, again, again + length, second))
            return false;
        if (first != second)
            continue;
        if (!MakeRoom(reinterpret_cast<void**>(&reader.names), reader.nameCapacity, reader.nameCount,
                sizeof(size_t)))
            return false;
        reader.names[reader.nameCount++] = length;
    }
    reader.namesSearched = longest + 1;
    return true;
}

const size_t hashBlock = 64;

size_t CountHashes(const char* from, const char* to)
{
    size_t count = 0;
    for (const char* at = from;
         at < to && (at = static_cast<const char*>(memchr(at, '#', to - at))) != nullptr; ++at)
        ++count;
    return count;
}

// Extends the "#" counts back to cover `from`, which is at most their anchor.
bool CountHashesBackTo(Reader& reader, size_t from)
{
    const size_t needed = (reader.hashAnchor - from) / hashBlock + 1;
    for (; reader.hashBlocks < needed; ++reader.hashBlocks) {
        if (!MakeRoom(reinterpret_cast<void**>(&reader.hashesAfter), reader.hashCapacity, reader.hashBlocks,
                sizeof(size_t)))
            return false;
        size_t count = 0;
        if (reader.hashBlocks != 0) {
            const char* end = reader.page + reader.hashAnchor - (reader.hashBlocks - 1) * hashBlock;
            count = reader.hashesAfter[reader.hashBlocks - 1] + CountHashes(end - hashBlock, end);
            AddWork(reader, hashBlock);
        }
        reader.hashesAfter[reader.hashBlocks] = count;
    }
    return true;
}

// "#" in [at, anchor), for `at` the counts cover.
size_t HashesFrom(Reader& reader, size_t at)
{
    size_t block = (reader.hashAnchor - at) / hashBlock;
    const char* blockStart = reader.page + reader.hashAnchor - block * hashBlock;
    AddWork(reader, blockStart - (reader.page + at));
    return reader.hashesAfter[block] + CountHashes(reader.page + at, blockStart);
}

// The f for which F, the f bytes before `functionEnd` and none before
// `earliest`, makes 2f + 5h(F) equal `target`, or notFound. What F makes
// grows with f, so a binary search over the "#" counts' block ends finds the
// block in which it reaches `target`, and a scan of that block the f.
size_t FindFunctionLength(Reader& reader, size_t earliest, size_t functionEnd, Count target)
{
    size_t high = functionEnd - earliest;
    if (target / 2 < high)
        high = static_cast<size_t>(target / 2);
    const size_t hashesAfter = HashesFrom(reader, functionEnd);
    // The block ends in [functionEnd - high, functionEnd]: anchor - 64 i, i in [first, last].
    size_t first = (reader.hashAnchor - functionEnd + hashBlock - 1) / hashBlock;
    size_t last = (reader.hashAnchor - (functionEnd - high)) / hashBlock;
    size_t f = 0;
    Count made = 0;
    while (first <= last) {
        const size_t i = first + (last - first) / 2;
        const size_t length = functionEnd - (reader.hashAnchor - i * hashBlock);
        const Count madeThere = 2 * Count(length) + hashGrowth * Count(reader.hashesAfter[i] - hashesAfter);
        AddWork(reader, 1);
        if (madeThere <= target) {
            f = length;
            made = madeThere;
            first = i + 1;
        } else if (i == 0) {
            break;
        } else {
            last = i - 1;
        }
    }
    for (;; ++f) {
        if (made == target)
            return f;
        if (made > target || f == high)
            return notFound;
        made += reader.page[functionEnd - f - 1] == '#' ? 2 + hashGrowth : 2;
        AddWork(reader, 1);
    }
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
PageReadResult CheckTexts(
    Reader& reader, size_t name, size_t listing, size_t function, size_t functionLength, PageTexts* texts)
{
    const char* page = reader.page;
    const size_t size = reader.size;
    const size_t nameLength = name, listingLength = size - Length(pageEnd) - listing;
    AddWork(reader, 2 * Count(size));
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

// Whether the script that F, [function, functionEnd), makes stands at `at`:
// compared in place, so that a candidate checked whole before the hashes
// start copies out no texts unless its script is in its place.
bool ScriptStandsAt(Reader& reader, size_t at, size_t function, size_t functionEnd)
{
    const char* page = reader.page;
    AddWork(reader, 2 * Count(functionEnd - function));
    for (size_t i = function; i < functionEnd; ++i) {
        if (page[i] != '#') {
            if (at >= function || page[at++] != page[i])
                return false;
        } else if (!PieceAt(page, function, at, scriptHash, Length(scriptHash))) {
            return false;
        } else {
            at += Length(scriptHash);
        }
    }
    return true;
}

// From here on every candidate is tested with hashes before it is checked
// whole; the rows are measured again from V's end, hashed.
bool StartHashing(Reader& reader)
{
    // A row is at most some seventy times its line, a script six times its function.
    return FillPowerTables(reader.powers, Count(80) * reader.size) && StartRows(reader, true);
}

// Whether ROWS(V) and SCRIPT(F) of the candidate stand where they would.
bool SpansMatch(
    Reader& reader, const Rows& rows, size_t name, size_t function, size_t functionEnd, bool& matches)
{
    const size_t rowsAt = rowsAfterNames + 2 * name;
    const size_t scriptAt = rowsAt + static_cast<size_t>(rows.length) + Length(scriptStart);
    const size_t scriptLength = function - Length(scriptEnd) - scriptAt;
    HashValue pageRows, pageScript, script;
    if (!SpanHash(reader, false, rowsAt, rowsAt + static_cast<size_t>(rows.length), pageRows))
        return false;
    matches = pageRows == rows.hash;
    if (!matches)
        return true;
    if (!SpanHash(reader, false, scriptAt, scriptAt + scriptLength, pageScript)
        || !SpanHash(reader, true, function, functionEnd, script))
        return false;
    matches = pageScript == script;
    return true;
}

// Tries the V start `listing` with every name that fits.
PageReadResult TryListingStart(Reader& reader, size_t listing, PageTexts* texts)
{
    const char* page = reader.page;
    const size_t size = reader.size;
    Rows rows;
    if (!RowsFrom(reader, listing, rows))
        return pageReadMemory;
    const Count rest = fixedLength + rows.length;
    if (rest > listing)
        return pageChanged;
    const size_t longest = static_cast<size_t>((listing - rest) / 2);
    const size_t functionEnd = listing - Length(listingStart);
    // F cannot begin before S2 ends with every other length at its least.
    const size_t earliest = static_cast<size_t>(rest) - Length(listingStart);
    if (reader.hashBlocks == 0)
        reader.hashAnchor = functionEnd;
    if (!FindNames(reader, longest) || !CountHashesBackTo(reader, earliest))
        return pageReadMemory;
    PageReadResult found = pageChanged;
    for (size_t j = 0; j < reader.nameCount && reader.names[j] <= longest; ++j) {
        const size_t name = reader.names[j];
        AddWork(reader, 1);
        const size_t scriptAt = rowsAfterNames + 2 * name + static_cast<size_t>(rows.length);
        if (!PieceAt(page, size, scriptAt, scriptStart, Length(scriptStart)))
            continue;
        size_t f = FindFunctionLength(reader, earliest, functionEnd, listing - rest - 2 * Count(name));
        if (f == notFound
            || !PieceAt(page, size, functionEnd - f - Length(scriptEnd), scriptEnd, Length(scriptEnd)))
            continue;
        if (reader.wholeChecksLeft == 0 && !reader.rows.hashing) {
            if (!StartHashing(reader) || !RowsFrom(reader, listing, rows))
                return pageReadMemory;
        }
        if (reader.rows.hashing) {
            bool matches = false;
            if (!SpansMatch(reader, rows, name, functionEnd - f, functionEnd, matches))
                return pageReadMemory;
            if (!matches)
                continue;
        } else {
            --reader.wholeChecksLeft;
            if (!ScriptStandsAt(reader, scriptAt + Length(scriptStart), functionEnd - f, functionEnd))
                continue;
        }
        PageReadResult result = CheckTexts(reader, name, listing, functionEnd - f, f, texts);
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
PageReadResult TryListingStarts(Reader& reader, PageTexts* texts)
{
    const size_t listingEnd = reader.size - Length(pageEnd);
    PrepareNeedle(reader.search->listing, listingStart, Length(listingStart), true);
    if (!StartRows(reader, false))
        return pageReadMemory;
    PageReadResult found = pageChanged;
    for (size_t end = listingEnd, at;
         (at = FindPieceBefore(reader.page, end, reader.search->listing)) != notFound;
         end = at + Length(listingStart) - 1) {
        PageReadResult result = TryListingStart(reader, at + Length(listingStart), texts);
        if (result == pageTextTooLong) {
            found = result;
        } else if (result != pageChanged) {
            found = result;
            break;
        }
    }
    return found;
}

// A base for the hashes that a page cannot be made for in advance.
HashValue RandomBase(const void* page)
{
    unsigned long long seed = static_cast<unsigned long long>(time(nullptr)) * 0x9e3779b97f4a7c15ULL
        ^ static_cast<unsigned long long>(clock())
        ^ static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(page))
        ^ static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&seed)) << 17;
    // splitmix64's finaliser spreads every bit of the seed over the base.
    seed ^= seed >> 30;
    seed *= 0xbf58476d1ce4e5b9ULL;
    seed ^= seed >> 27;
    seed *= 0x94d049bb133111ebULL;
    seed ^= seed >> 31;
    return 256 + seed % (hashModulus - 512);
}

// The texts of a page that begins with "<title>", or why there are none.
// Without the header after the title it is some other page; with it but
// without the page's end, one that has been changed or cut short.
PageReadResult FindTexts(Reader& reader, PageTexts* texts)
{
    const char* page = reader.page;
    const size_t size = reader.size;
    PrepareNeedle(reader.search->header, nameMiddle, Length(nameMiddle), false);
    if (FindPiece(page, Length(titleStart), size, reader.search->header) == notFound)
        return pageNotCalculator;
    if (size < fixedLength + Length(pageEnd)
        || !PieceAt(page, size, size - Length(pageEnd), pageEnd, Length(pageEnd)))
        return pageChanged;
    return TryListingStarts(reader, texts);
}

// What is left of a stream from its position, or -1 where it cannot tell
// (a pipe, or a file too large for a long).
long BytesLeft(FILE* file)
{
    const long here = ftell(file);
    if (here < 0 || fseek(file, 0, SEEK_END) != 0)
        return -1;
    // Back where it was, whether or not the end could be told.
    const long end = ftell(file);
    if (fseek(file, here, SEEK_SET) != 0)
        return -1;
    clearerr(file);
    return end >= here ? end - here : -1;
}

}  // namespace

PageReadResult ReadCalculatorPage(const char* page, size_t size, PageTexts* texts, unsigned long long* work)
{
    texts->name = texts->variables = texts->function = nullptr;
    if (work != nullptr)
        *work = 0;
    if (size > pageFileLimit)
        return pageTooLarge;
    if (!PieceAt(page, size, 0, titleStart, Length(titleStart)))
        return pageNotCalculator;
    Reader reader = {};
    reader.page = page;
    reader.size = size;
    reader.wholeChecksLeft = wholeChecks;
    reader.powers.base = RandomBase(page);
    reader.search = static_cast<Search*>(malloc(sizeof(Search)));
    PageReadResult result = reader.search != nullptr ? FindTexts(reader, texts) : pageReadMemory;
    // A zero byte cuts a text short, so such a page never matches; it is
    // looked for only then, to say why.
    if (result == pageChanged && memchr(page, 0, size) != nullptr)
        result = pageZeroByte;
    free(reader.search);
    free(reader.rows.line);
    free(reader.names);
    free(reader.hashesAfter);
    free(reader.powers.low);
    free(reader.powers.high);
    free(reader.powers.tables);
    free(reader.bytes.hash);
    free(reader.script.marks);
    if (work != nullptr)
        *work = reader.work;
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
    // A stream that tells its size is refused before it is read when that is
    // over the limit, and is read into one buffer of that size.
    const long remaining = result == pageReadOk ? BytesLeft(file) : -1;
    if (remaining >= 0 && static_cast<unsigned long>(remaining) > pageFileLimit - size) {
        result = pageTooLarge;
    } else if (remaining >= 0 && size + static_cast<size_t>(remaining) + 1 > capacity) {
        char* exact = static_cast<char*>(realloc(page, size + static_cast<size_t>(remaining) + 1));
        if (exact == nullptr) {
            result = pageReadMemory;
        } else {
            page = exact;
            capacity = size + static_cast<size_t>(remaining) + 1;
        }
    }
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
        // One byte past the limit is enough to refuse the file.
        size_t room = capacity - size;
        if (room > pageFileLimit + 1 - size)
            room = pageFileLimit + 1 - size;
        size_t got = fread(page + size, 1, room, file);
        size += got;
        if (size > pageFileLimit)
            result = pageTooLarge;
        else if (got == 0)
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
