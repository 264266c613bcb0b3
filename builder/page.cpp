#include "builder/page.h"

#include <cstring>

#include "builder/pagehash.h"
#include "builder/pagepieces.h"
#include "builder/scan.h"

PageSink MakePageSink(PageSinkKind kind)
{
    PageSink sink = {kind, nullptr, nullptr, 0, 0, nullptr, 0, 0, 0, nullptr, 0};
    return sink;
}

namespace {

bool FlushSink(PageSink& sink)
{
    const size_t count = sink.buffered;
    sink.buffered = 0;
    return fwrite(sink.buffer, 1, count, sink.file) == count;
}

// A piece of the page for any sink; a zero-length piece passes the same checks.
bool TakeBytes(PageSink& sink, const char* bytes, size_t length)
{
    switch (sink.kind) {
    case sinkStream:
        if (length > sink.bufferSize - sink.buffered) {
            if (!FlushSink(sink))
                return false;
            // A piece as large as the buffer goes out as it is.
            if (length >= sink.bufferSize) {
                if (fwrite(bytes, 1, length, sink.file) != length)
                    return false;
                break;
            }
        }
        memcpy(sink.buffer + sink.buffered, bytes, length);
        sink.buffered += length;
        break;
    case sinkCompare:
        if (length > sink.expectedLeft || memcmp(sink.expected, bytes, length) != 0)
            return false;
        sink.expected += length;
        sink.expectedLeft -= length;
        break;
    case sinkCount:
        break;
    case sinkHash:
        sink.hash = HashRun(
            sink.hashTables, sink.hashBase, sink.hash, reinterpret_cast<const unsigned char*>(bytes), length);
        break;
    }
    sink.taken += length;
    return true;
}

// Nearly every piece is short and goes to a stream's buffer with room left:
// copied here, where a literal's length is known, without the call.
inline bool WriteBytes(PageSink& sink, const char* bytes, size_t length)
{
    if (sink.kind != sinkStream || length > sink.bufferSize - sink.buffered)
        return TakeBytes(sink, bytes, length);
    memcpy(sink.buffer + sink.buffered, bytes, length);
    sink.buffered += length;
    sink.taken += length;
    return true;
}

bool WriteText(PageSink& sink, const char* text)
{
    return WriteBytes(sink, text, strlen(text));
}

template <size_t N>
bool WriteLiteral(PageSink& sink, const char (&literal)[N])
{
    return WriteBytes(sink, literal, N - 1);
}

// The characters cut out of one line of the variables text; each non-null
// position gets its character back once the line's row is written.
struct LineCuts {
    char* ampersand;
    char* firstSlash;
    char* secondSlash;
};

void RestoreCuts(const LineCuts& cuts)
{
    if (cuts.ampersand != nullptr)
        *cuts.ampersand = '&';
    if (cuts.firstSlash != nullptr)
        *cuts.firstSlash = '/';
    if (cuts.secondSlash != nullptr)
        *cuts.secondSlash = '/';
}

// A label split at its first "&": `lead` (cut there), the key, `tail`. The
// input name is the three together; it is written from the cut text itself
// rather than gathered in a buffer, so a label of any length keeps its whole
// name. Each part is written more than once, so its length is taken once.
struct Label {
    const char* lead;
    size_t leadLength;
    char key;
    const char* tail;
    size_t tailLength;
};

Label SplitLabel(char* start, LineCuts& cuts)
{
    Label label;
    char* cursor = start;
    CutAtAccessKey(cursor, start, label.key, cuts.ampersand);
    label.lead = start;
    label.leadLength = strlen(start);
    label.tail = cursor;
    label.tailLength = strlen(cursor);
    return label;
}

bool WriteInputName(PageSink& sink, const Label& label)
{
    return WriteBytes(sink, label.lead, label.leadLength)
        && (label.key == 0
            || (WriteBytes(sink, &label.key, 1) && WriteBytes(sink, label.tail, label.tailLength)));
}

// The row of a variable line: label, optional text in parentheses, the input
// with its optional key and value, its name and id.
bool WriteVariableRow(PageSink& sink, char* line, LineCuts& cuts)
{
    char* cursor = line;
    bool hasText = false, hasValue = false;
    CutAtSlash(cursor, hasText, cuts.firstSlash);
    const Label label = SplitLabel(line, cuts);
    const char* text = "";
    const char* value = "";
    if (hasText) {
        text = cursor = cuts.firstSlash + 1;
        CutAtSlash(cursor, hasValue, cuts.secondSlash);
        if (hasValue)
            value = cuts.secondSlash + 1;
    }
    if (!WriteLiteral(sink, "<tr><td  align=left><font color=#ffffff><b>")
        || !WriteBytes(sink, label.lead, label.leadLength))
        return false;
    if (label.key != 0
        && !(WriteLiteral(sink, "<u>") && WriteBytes(sink, &label.key, 1) && WriteLiteral(sink, "</u>")
            && WriteBytes(sink, label.tail, label.tailLength)))
        return false;
    if (*text != 0 && !(WriteLiteral(sink, " (") && WriteText(sink, text) && WriteLiteral(sink, ")")))
        return false;
    if (!WriteLiteral(sink, "</b></font></td><td align=left> <input type=\"text\" size=50 "))
        return false;
    if (label.key != 0
        && !(WriteLiteral(sink, " accesskey=\"") && WriteBytes(sink, &label.key, 1)
            && WriteLiteral(sink, "\"")))
        return false;
    if (hasValue && !(WriteLiteral(sink, " value=\"") && WriteText(sink, value) && WriteLiteral(sink, "\"")))
        return false;
    // The id makes the input reachable from the script as a global by its name.
    return WriteLiteral(sink, " name=\"") && WriteInputName(sink, label) && WriteLiteral(sink, "\" id=\"")
        && WriteInputName(sink, label) && WriteLiteral(sink, "\"> </td> </tr>\r\n");
}

// `caption` follows the "?" of the button line, or is null at the end of the
// text.
bool WriteButtonRow(PageSink& sink, char* caption, LineCuts& cuts)
{
    if (!WriteLiteral(sink, "<tr><td colspan=2 align=left><input value=\""))
        return false;
    if (caption == nullptr)
        return WriteLiteral(sink, "Calculate\"")
            && WriteLiteral(sink, " type=\"button\" onclick=\"ftn();\"></td></tr>\r\n\r\n");
    const Label label = SplitLabel(caption, cuts);
    if (!WriteBytes(sink, label.lead, label.leadLength))
        return false;
    if (label.key != 0) {
        if (!WriteBytes(sink, &label.key, 1) || !WriteBytes(sink, label.tail, label.tailLength)
            || !WriteLiteral(sink, "\" accesskey=\"") || !WriteBytes(sink, &label.key, 1)
            || !WriteLiteral(sink, "\""))
            return false;
    } else if (!WriteLiteral(sink, "\"")) {
        return false;
    }
    return WriteLiteral(sink, " type=\"button\" onclick=\"ftn();\"></td></tr>\r\n\r\n");
}

// Rows for the variable lines, then the button row. Every line is restored
// before the next is read and before a failure is returned.
bool WriteRows(PageSink& sink, char* variables)
{
    char* cursor = variables;
    for (;;) {
        char* lineEnd = nullptr;
        char lineEndChar = 0;
        char* line = *cursor != 0 ? CutLine(cursor, lineEnd, lineEndChar) : nullptr;
        bool written = WriteLineRow(sink, line);
        if (lineEnd != nullptr)
            *lineEnd = lineEndChar;
        if (!written || line == nullptr || *line == '?')
            return written;
        SkipCharsInSet(cursor, lineBreakSet);
    }
}

// "#" reads an input's value: each becomes ".value"; the runs between them go
// out as single writes.
bool WriteScriptBody(PageSink& sink, const char* function)
{
    for (;;) {
        const char* mark = strchr(function, '#');
        if (mark == nullptr)
            return WriteText(sink, function);
        if (!WriteBytes(sink, function, mark - function) || !WriteLiteral(sink, PAGE_SCRIPT_HASH))
            return false;
        function = mark + 1;
    }
}

}  // namespace

bool WriteLineRow(PageSink& sink, char* line)
{
    LineCuts cuts = {nullptr, nullptr, nullptr};
    bool written = line == nullptr || *line == '?'
        ? WriteButtonRow(sink, line != nullptr ? line + 1 : nullptr, cuts)
        : WriteVariableRow(sink, line, cuts);
    RestoreCuts(cuts);
    return written;
}

bool WritePage(PageSink& sink, const char* name, char* variables, const char* function)
{
    return WriteLiteral(sink, PAGE_TITLE_START) && WriteText(sink, name) && WriteLiteral(sink, PAGE_TITLE_END)
        && WriteLiteral(sink, PAGE_TABLE_START) && WriteLiteral(sink, PAGE_NAME_CELL_START)
        && WriteText(sink, name) && WriteLiteral(sink, PAGE_NAME_CELL_END) && WriteRows(sink, variables)
        && WriteLiteral(sink, PAGE_SCRIPT_START) && WriteScriptBody(sink, function)
        && WriteLiteral(sink, PAGE_SCRIPT_END) && WriteLiteral(sink, PAGE_TEXTAREA_START)
        && WriteText(sink, function) && WriteLiteral(sink, PAGE_TEXTAREA_END)
        && WriteLiteral(sink, PAGE_LISTING_START) && WriteText(sink, variables)
        && WriteLiteral(sink, PAGE_LISTING_END) && WriteLiteral(sink, PAGE_TABLE_END);
}

bool WriteCalculatorPage(FILE* out, const char* name, char* variables, const char* function)
{
    char buffer[65536];
    PageSink sink = MakePageSink(sinkStream);
    sink.file = out;
    sink.buffer = buffer;
    sink.bufferSize = sizeof buffer;
    return WritePage(sink, name, variables, function) && FlushSink(sink);
}

bool CalculatorPageMatches(
    const char* page, size_t size, const char* name, char* variables, const char* function)
{
    PageSink sink = MakePageSink(sinkCompare);
    sink.expected = page;
    sink.expectedLeft = size;
    return WritePage(sink, name, variables, function) && sink.expectedLeft == 0;
}
