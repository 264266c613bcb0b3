#include "builder/page.h"

#include <cstring>

#if defined(__GLIBC__)
#include <stdio_ext.h>
#endif

#include "builder/scan.h"

namespace {

// The bytes a page is compared with, in place of a file: the part not yet
// matched.
struct ExpectedBytes {
    const char* next;
    size_t left;
};

// The page's stream. When the caller has taken over the stream's locking
// (glibc only), a piece that fits the stream's buffer is stored directly, as
// glibc's own putc_unlocked does, instead of through a full fwrite call.
// With `expected` set there is no file: each piece is compared instead, so the
// reader checks a page with the writer itself.
struct PageStream {
    FILE* file;
    bool direct;
    ExpectedBytes* expected;
};

// The characters cut out of one line of the variables text; each non-null
// position gets its character back once the line's row is written.
struct LineCuts {
    char* lineEnd;
    char lineEndChar;
    char* ampersand;
    char* firstSlash;
    char* secondSlash;
};

void RestoreCuts(const LineCuts& cuts)
{
    if (cuts.lineEnd != nullptr)
        *cuts.lineEnd = cuts.lineEndChar;
    if (cuts.ampersand != nullptr)
        *cuts.ampersand = '&';
    if (cuts.firstSlash != nullptr)
        *cuts.firstSlash = '/';
    if (cuts.secondSlash != nullptr)
        *cuts.secondSlash = '/';
}

// A piece that differs from the expected bytes, or runs past them, fails like
// a short write and so ends the page there. Kept out of WriteBytes, whose
// every call would otherwise save the registers this needs.
__attribute__((noinline)) bool ComparePiece(ExpectedBytes& expected, const char* bytes, size_t length)
{
    if (length > expected.left || memcmp(expected.next, bytes, length) != 0)
        return false;
    expected.next += length;
    expected.left -= length;
    return true;
}

// One write per piece; a zero-length piece passes the same check. Comparing
// is never direct, so the direct path pays nothing for it.
bool WriteBytes(const PageStream& out, const char* bytes, size_t length)
{
#if defined(__GLIBC__)
    FILE* file = out.file;
    if (out.direct && static_cast<size_t>(file->_IO_write_end - file->_IO_write_ptr) >= length) {
        memcpy(file->_IO_write_ptr, bytes, length);
        file->_IO_write_ptr += length;
        return true;
    }
#endif
    if (out.expected != nullptr)
        return ComparePiece(*out.expected, bytes, length);
    return fwrite(bytes, 1, length, out.file) == length;
}

bool WriteText(const PageStream& out, const char* text)
{
    return WriteBytes(out, text, strlen(text));
}

template <typename Sink, size_t N>
bool WriteLiteral(Sink& out, const char (&literal)[N])
{
    return WriteBytes(out, literal, N - 1);
}

// The two sinks of a variable row whose room in the stream's buffer is
// checked once for the whole row: one adds up the row's length, the other
// stores it into that room (or, when comparing, into a buffer compared as one
// piece). The row is laid out once, in WriteRowPieces, for them and for the
// stream itself.
struct RowLength {
    size_t total;
};

struct RowStore {
    char* at;
};

bool WriteBytes(RowLength& sink, const char*, size_t length)
{
    sink.total += length;
    return true;
}

// A row's parts are mostly a few bytes long, shorter than a call to memcpy
// is worth: up to 16 bytes go in two moves that may overlap.
bool WriteBytes(RowStore& sink, const char* bytes, size_t length)
{
    char* to = sink.at;
    if (length >= 8 && length <= 16) {
        memcpy(to, bytes, 8);
        memcpy(to + length - 8, bytes + length - 8, 8);
    } else if (length >= 4 && length < 8) {
        memcpy(to, bytes, 4);
        memcpy(to + length - 4, bytes + length - 4, 4);
    } else if (length < 4) {
        for (size_t i = 0; i < length; ++i)
            to[i] = bytes[i];
    } else {
        memcpy(to, bytes, length);
    }
    sink.at = to + length;
    return true;
}

// In 16-byte moves, the last overlapping the one before: GCC stores a
// literal of 40 bytes or more with rep movsb, which is slow to start.
template <size_t N>
bool WriteLiteral(RowStore& sink, const char (&literal)[N])
{
    const size_t length = N - 1;
    if (length < 16) {
        memcpy(sink.at, literal, length);
    } else {
        for (size_t done = 0; done + 16 < length; done += 16)
            memcpy(sink.at + done, literal + done, 16);
        memcpy(sink.at + length - 16, literal + length - 16, 16);
    }
    sink.at += length;
    return true;
}

// A part of a cut line: the cuts give every part's end, so no part is measured.
struct Span {
    const char* start;
    size_t length;
};

Span SpanOf(const char* start, const char* end)
{
    Span span = {start, static_cast<size_t>(end - start)};
    return span;
}

template <typename Sink>
bool WriteSpan(Sink& out, const Span& span)
{
    return WriteBytes(out, span.start, span.length);
}

// A label split at its first "&": lead, optional key, tail. The input name is
// the three together; it is written from the cut text itself rather than
// gathered in a buffer, so a label of any length keeps its whole name.
struct Label {
    Span lead;
    char key;
    Span tail;
};

// `end` is the label's terminator: a cut, or the end of the text.
void SplitLabel(char* start, const char* end, LineCuts& cuts, Label& label)
{
    char* cursor = start;
    CutAtAccessKey(cursor, start, label.key, cuts.ampersand);
    label.lead = SpanOf(start, cuts.ampersand != nullptr ? cuts.ampersand : end);
    label.tail = SpanOf(cursor, end);
}

// Inlined, as is WriteRowPieces, so that a sink's position stays in a
// register: through a reference to it, each byte stored might change it, and
// it would be loaded again after every piece.
template <typename Sink>
__attribute__((always_inline)) inline bool WriteInputName(Sink& out, const Label& label)
{
    if (!WriteSpan(out, label.lead))
        return false;
    return label.key == 0 || (WriteBytes(out, &label.key, 1) && WriteSpan(out, label.tail));
}

// A variable line's parts, all cut before any of its row is written.
struct VariableRow {
    Label label;
    Span text;  // empty when the line has none
    bool hasValue;
    Span value;
};

// `line` runs to `lineEnd`, where it has been cut or where the text ends.
// The row, like the label, is filled in place: returned by value it was
// copied with loads wider than the stores that had just filled it, which
// stalled every row.
void CutVariableLine(char* line, char* lineEnd, LineCuts& cuts, VariableRow& row)
{
    char* cursor = line;
    bool hasText = false;
    CutAtSlash(cursor, hasText, cuts.firstSlash);
    SplitLabel(line, hasText ? cuts.firstSlash : lineEnd, cuts, row.label);
    row.text = SpanOf(lineEnd, lineEnd);
    row.hasValue = false;
    if (hasText) {
        cursor = cuts.firstSlash + 1;
        CutAtSlash(cursor, row.hasValue, cuts.secondSlash);
        row.text = SpanOf(cuts.firstSlash + 1, cursor);
        if (row.hasValue)
            row.value = SpanOf(cuts.secondSlash + 1, lineEnd);
    }
}

template <typename Sink>
__attribute__((always_inline)) inline bool WriteRowPieces(Sink& out, const VariableRow& row)
{
    const Label& label = row.label;
    if (!WriteLiteral(out, "<tr><td  align=left><font color=#ffffff><b>") || !WriteSpan(out, label.lead))
        return false;
    if (label.key != 0) {
        if (!WriteLiteral(out, "<u>") || !WriteBytes(out, &label.key, 1) || !WriteLiteral(out, "</u>")
            || !WriteSpan(out, label.tail))
            return false;
    }
    if (row.text.length != 0
        && !(WriteLiteral(out, " (") && WriteSpan(out, row.text) && WriteLiteral(out, ")")))
        return false;
    if (!WriteLiteral(out, "</b></font></td><td align=left> <input type=\"text\" size=50 "))
        return false;
    if (label.key != 0) {
        if (!WriteLiteral(out, " accesskey=\"") || !WriteBytes(out, &label.key, 1)
            || !WriteLiteral(out, "\""))
            return false;
    }
    if (row.hasValue
        && !(WriteLiteral(out, " value=\"") && WriteSpan(out, row.value) && WriteLiteral(out, "\"")))
        return false;
    // The id makes the input reachable from the script as a global by its name.
    return WriteLiteral(out, " name=\"") && WriteInputName(out, label) && WriteLiteral(out, "\" id=\"")
        && WriteInputName(out, label) && WriteLiteral(out, "\"> </td> </tr>\r\n");
}

// A row of some twenty short pieces: on the direct path one check of the
// buffer's room for all of them, instead of one for each, when they fit; when
// comparing, one comparison of the row laid out in a buffer.
bool WriteVariableRow(const PageStream& out, const VariableRow& row)
{
#if defined(__GLIBC__)
    if (out.direct) {
        RowLength length = {0};
        WriteRowPieces(length, row);
        FILE* file = out.file;
        if (static_cast<size_t>(file->_IO_write_end - file->_IO_write_ptr) >= length.total) {
            RowStore store = {file->_IO_write_ptr};
            WriteRowPieces(store, row);
            file->_IO_write_ptr = store.at;
            return true;
        }
    }
#endif
    if (out.expected != nullptr) {
        RowLength length = {0};
        WriteRowPieces(length, row);
        char laid[512];
        if (length.total <= sizeof laid) {
            RowStore store = {laid};
            WriteRowPieces(store, row);
            return ComparePiece(*out.expected, laid, length.total);
        }
    }
    return WriteRowPieces(out, row);
}

// `cursor` is at the "?" of the button line, or at the end of the text.
bool WriteButtonRow(const PageStream& out, char* cursor, LineCuts& cuts)
{
    if (!WriteLiteral(out, "<tr><td colspan=2 align=left><input value=\""))
        return false;
    if (*cursor != '?')
        return WriteLiteral(out, "Calculate\"")
            && WriteLiteral(out, " type=\"button\" onclick=\"ftn();\"></td></tr>\r\n\r\n");
    ++cursor;
    char* caption = CutLine(cursor, cuts.lineEnd, cuts.lineEndChar);
    Label label;
    SplitLabel(caption, cursor, cuts, label);
    if (!WriteSpan(out, label.lead))
        return false;
    if (label.key != 0) {
        if (!WriteBytes(out, &label.key, 1) || !WriteSpan(out, label.tail)
            || !WriteLiteral(out, "\" accesskey=\"") || !WriteBytes(out, &label.key, 1)
            || !WriteLiteral(out, "\""))
            return false;
    } else if (!WriteLiteral(out, "\"")) {
        return false;
    }
    return WriteLiteral(out, " type=\"button\" onclick=\"ftn();\"></td></tr>\r\n\r\n");
}

// Rows for the variable lines, then the button row. Every line is restored
// before the next is read and before a failure is returned.
bool WriteRows(const PageStream& out, char* variables)
{
    char* cursor = variables;
    while (*cursor != 0 && *cursor != '?') {
        LineCuts cuts = {};
        char* line = CutLine(cursor, cuts.lineEnd, cuts.lineEndChar);
        VariableRow row;
        CutVariableLine(line, cursor, cuts, row);
        bool written = WriteVariableRow(out, row);
        RestoreCuts(cuts);
        if (!written)
            return false;
        SkipCharsInSet(cursor, lineBreakSet);
    }
    LineCuts cuts = {};
    bool written = WriteButtonRow(out, cursor, cuts);
    RestoreCuts(cuts);
    return written;
}

// "#" reads an input's value: each becomes ".value"; the runs between them go
// out as single writes.
bool WriteScriptBody(const PageStream& out, const char* function)
{
    for (;;) {
        const char* mark = strchr(function, '#');
        if (mark == nullptr)
            return WriteText(out, function);
        if (!WriteBytes(out, function, mark - function) || !WriteLiteral(out, ".value"))
            return false;
        function = mark + 1;
    }
}

bool WritePage(const PageStream& out, const char* name, char* variables, const char* function)
{
    return WriteLiteral(out, "<title>") && WriteText(out, name) && WriteLiteral(out, "</title>\r\n\r\n")
        && WriteLiteral(out, "<table bgcolor=#005588 cellpadding=3>\r\n")
        && WriteLiteral(out, "<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b>")
        && WriteText(out, name) && WriteLiteral(out, "</b></font> </td></tr>\r\n\r\n")
        && WriteRows(out, variables) && WriteLiteral(out, "<script> function ftn () {\r\n")
        && WriteScriptBody(out, function) && WriteLiteral(out, "\r\n} </script>\r\n\r\n")
        && WriteLiteral(out, "<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\n")
        && WriteText(out, function) && WriteLiteral(out, "\r\n</textarea></td></tr>\r\n\r\n")
        && WriteLiteral(out, "<tr><td colspan=2><xmp>\r\n") && WriteText(out, variables)
        && WriteLiteral(out, "\r\n</xmp></td></tr>") && WriteLiteral(out, "</table>\r\n\r\n");
}

}  // namespace

bool WriteCalculatorPage(FILE* file, const char* name, char* variables, const char* function)
{
#if defined(__GLIBC__)
    const PageStream out = {file, __fsetlocking(file, FSETLOCKING_QUERY) == FSETLOCKING_BYCALLER, nullptr};
#else
    const PageStream out = {file, false, nullptr};
#endif
    return WritePage(out, name, variables, function);
}

bool CalculatorPageMatches(
    const char* page, size_t size, const char* name, char* variables, const char* function)
{
    ExpectedBytes expected = {page, size};
    const PageStream out = {nullptr, false, &expected};
    return WritePage(out, name, variables, function) && expected.left == 0;
}
