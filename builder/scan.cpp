#include "builder/scan.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

const char lineBreakSet[] = "\r\n";
const char slashSet[] = "/";
const char ampersandSet[] = "&";

bool IsCharInSet(const char* set, char c)
{
    if (c == 0)
        return false;
    for (; *set != 0; ++set)
        if (*set == c)
            return true;
    return false;
}

namespace {

// Which searches each character ends: every search ends at the terminator.
const unsigned char endsLine = 1, endsSlash = 2, endsAmpersand = 4;

struct SearchEnds {
    unsigned char of[256];
    constexpr SearchEnds() : of()
    {
        of[0] = endsLine | endsSlash | endsAmpersand;
        of[static_cast<unsigned char>('\r')] = endsLine;
        of[static_cast<unsigned char>('\n')] = endsLine;
        of[static_cast<unsigned char>('/')] = endsSlash;
        of[static_cast<unsigned char>('&')] = endsAmpersand;
    }
};

constexpr SearchEnds searchEnds;

#if defined(__SSE2__)
const uintptr_t pageSize = 4096;

// Unchecked by the address sanitizer: the characters past the terminator that
// such a read may take in are never looked at.
__attribute__((no_sanitize_address)) __m128i LoadSixteen(const char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
#endif

// Lines, labels and fields are mostly short: a byte loop reaches their end
// before a library search has started up. A longer run goes on in the
// library, which is faster over it.
const int shortRun = 32;

bool Ends(const char* at, unsigned char ends)
{
    return (searchEnds.of[static_cast<unsigned char>(*at)] & ends) != 0;
}

// The first character from `at` on that ends the search `ends`, a bit of
// searchEnds standing for the characters of `set`, or the terminator. Four
// characters a step, each tested before the next is read.
char* SkipToEnd(char* at, unsigned char ends, const char* set)
{
    for (int i = 0; i < shortRun; i += 4, at += 4) {
        if (Ends(at, ends))
            return at;
        if (Ends(at + 1, ends))
            return at + 1;
        if (Ends(at + 2, ends))
            return at + 2;
        if (Ends(at + 3, ends))
            return at + 3;
    }
    return at + strcspn(at, set);
}

// Where a search for CR, LF or the terminator from `at` must go on one
// character at a time: past every run of sixteen characters holding none of
// them. Only a line's search, the longest of a row's, skips so. The test of
// sixteen characters at once is a branch as well predicted as the byte loop's,
// and the byte loop then finds the place: taking the place from the test's
// mask instead would make each later search of the row wait for it.
char* SkipLineBlocks(char* at)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    // A read of sixteen characters that stays in the page of its first one
    // cannot fault, though it may hold characters past the terminator, as the
    // C library's own searches do; it stops at the first run holding one.
    while (reinterpret_cast<uintptr_t>(at) % pageSize <= pageSize - 16) {
        __m128i chars = LoadSixteen(at);
        __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(chars, _mm_setzero_si128()),
            _mm_or_si128(_mm_cmpeq_epi8(chars, cr), _mm_cmpeq_epi8(chars, lf)));
        if (_mm_movemask_epi8(ends) != 0)
            break;
        at += 16;
    }
#endif
    return at;
}

}  // namespace

void SkipCharsInSet(char*& cursor, const char* set)
{
    // One or two characters, the sets the page writer skips, have a loop of
    // their own; neither character is the terminator, so it stops there.
    if (set[0] != 0 && (set[1] == 0 || set[2] == 0)) {
        char first = set[0];
        char second = set[1] != 0 ? set[1] : first;
        while (*cursor == first || *cursor == second)
            ++cursor;
        return;
    }
    while (IsCharInSet(set, *cursor))
        ++cursor;
}

// Neither search passes the terminator, as IsCharInSet never matches it. A
// one-character set, the commonest, goes to strchr, which starts up faster.
void SkipToCharInSet(char*& cursor, const char* set)
{
    if (set[0] != 0 && set[1] == 0) {
        char* found = strchr(cursor, set[0]);
        cursor = found != nullptr ? found : cursor + strlen(cursor);
    } else {
        cursor += strcspn(cursor, set);
    }
}

char* CutLine(char*& cursor, char*& lineEnd, char& cutChar)
{
    char* start = cursor;
    cursor = SkipToEnd(SkipLineBlocks(cursor), endsLine, lineBreakSet);
    if (*cursor != 0) {
        lineEnd = cursor;
        cutChar = *cursor;
        *cursor = 0;
    } else {
        lineEnd = nullptr;
    }
    return start;
}

bool CutAtSlash(char*& cursor, bool& found, char*& slash)
{
    cursor = SkipToEnd(cursor, endsSlash, slashSet);
    found = *cursor != 0;
    if (found) {
        slash = cursor;
        *cursor = 0;
    } else {
        slash = nullptr;
    }
    return found;
}

void CutAtAccessKey(char*& cursor, char* labelStart, char& accessKey, char*& ampersand)
{
    cursor = labelStart;
    cursor = SkipToEnd(cursor, endsAmpersand, ampersandSet);
    accessKey = 0;
    if (*cursor == 0) {
        ampersand = nullptr;
        return;
    }
    ampersand = cursor;
    *cursor = 0;
    ++cursor;
    // "&" as the last character of the label leaves no key and an empty tail.
    if (*cursor != 0) {
        accessKey = *cursor;
        ++cursor;
    }
}

bool CopyText(char* dest, size_t size, const char* src)
{
    size_t length = strlen(src);
    if (length >= size)
        return false;
    memcpy(dest, src, length + 1);
    return true;
}

bool AppendText(char* dest, size_t size, const char* src)
{
    // An unterminated destination has no room left to append to.
    size_t used = 0;
    while (used < size && dest[used] != 0)
        ++used;
    if (used == size)
        return false;
    size_t length = strlen(src);
    if (length >= size - used)
        return false;
    memcpy(dest + used, src, length + 1);
    return true;
}
