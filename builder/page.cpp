#include "builder/page.h"

#include <cstring>

#include "builder/scan.h"

namespace {

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

// One write per piece; a zero-length piece passes the same check.
bool WriteBytes(FILE* out, const char* bytes, size_t length)
{
    return fwrite(bytes, 1, length, out) == length;
}

bool WriteText(FILE* out, const char* text)
{
    return WriteBytes(out, text, strlen(text));
}

template <size_t N>
bool WriteLiteral(FILE* out, const char (&literal)[N])
{
    return WriteBytes(out, literal, N - 1);
}

// A label split at its first "&": lead, optional key, tail. The input name is
// the three together; it is written from the cut text itself rather than
// gathered in a buffer, so a label of any length keeps its whole name.
struct Label {
    const char* lead;
    char key;
    const char* tail;
};

Label SplitLabel(char* start, LineCuts& cuts)
{
    Label label;
    char* cursor = start;
    CutAtAccessKey(cursor, start, label.key, cuts.ampersand);
    label.lead = start;
    label.tail = cursor;
    return label;
}

bool WriteInputName(FILE* out, const Label& label)
{
    if (!WriteText(out, label.lead))
        return false;
    if (label.key != 0 && !(WriteBytes(out, &label.key, 1) && WriteText(out, label.tail)))
        return false;
    return true;
}

bool WriteVariableRow(FILE* out, char* line, LineCuts& cuts)
{
    char* cursor = line;
    bool hasText = false;
    CutAtSlash(cursor, hasText, cuts.firstSlash);
    Label label = SplitLabel(line, cuts);

    if (!WriteLiteral(out, "<tr><td  align=left><font color=#ffffff><b>") || !WriteText(out, label.lead))
        return false;
    if (label.key != 0) {
        if (!WriteLiteral(out, "<u>") || !WriteBytes(out, &label.key, 1) || !WriteLiteral(out, "</u>")
            || !WriteText(out, label.tail))
            return false;
    }
    bool hasValue = false;
    const char* value = nullptr;
    if (hasText) {
        const char* text = cuts.firstSlash + 1;
        cursor = cuts.firstSlash + 1;
        CutAtSlash(cursor, hasValue, cuts.secondSlash);
        if (hasValue)
            value = cuts.secondSlash + 1;
        if (*text != 0 && !(WriteLiteral(out, " (") && WriteText(out, text) && WriteLiteral(out, ")")))
            return false;
    }
    if (!WriteLiteral(out, "</b></font></td><td align=left> <input type=\"text\" size=50 "))
        return false;
    if (label.key != 0) {
        if (!WriteLiteral(out, " accesskey=\"") || !WriteBytes(out, &label.key, 1) || !WriteLiteral(out, "\""))
            return false;
    }
    if (hasValue && !(WriteLiteral(out, " value=\"") && WriteText(out, value) && WriteLiteral(out, "\"")))
        return false;
    // The id makes the input reachable from the script as a global by its name.
    return WriteLiteral(out, " name=\"") && WriteInputName(out, label) && WriteLiteral(out, "\" id=\"")
        && WriteInputName(out, label) && WriteLiteral(out, "\"> </td> </tr>\r\n");
}

// `cursor` is at the "?" of the button line, or at the end of the text.
bool WriteButtonRow(FILE* out, char* cursor, LineCuts& cuts)
{
    if (!WriteLiteral(out, "<tr><td colspan=2 align=left><input value=\""))
        return false;
    if (*cursor == '?') {
        ++cursor;
        char* caption = CutLine(cursor, cuts.lineEnd, cuts.lineEndChar);
        Label label = SplitLabel(caption, cuts);
        if (!WriteText(out, label.lead))
            return false;
        if (label.key != 0) {
            if (!WriteBytes(out, &label.key, 1) || !WriteText(out, label.tail) || !WriteLiteral(out, "\" accesskey=\"")
                || !WriteBytes(out, &label.key, 1) || !WriteLiteral(out, "\""))
                return false;
        } else if (!WriteLiteral(out, "\"")) {
            return false;
        }
    } else if (!WriteLiteral(out, "Calculate\"")) {
        return false;
    }
    return WriteLiteral(out, " type=\"button\" onclick=\"ftn();\"></td></tr>\r\n\r\n");
}

// Rows for the variable lines, then the button row. Every line is restored
// before the next is read and before a failure is returned.
bool WriteRows(FILE* out, char* variables)
{
    char* cursor = variables;
    while (*cursor != 0 && *cursor != '?') {
        LineCuts cuts = {};
        char* line = CutLine(cursor, cuts.lineEnd, cuts.lineEndChar);
        bool written = WriteVariableRow(out, line, cuts);
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
bool WriteScriptBody(FILE* out, const char* function)
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

}  // namespace

bool WriteCalculatorPage(FILE* out, const char* name, char* variables, const char* function)
{
    return WriteLiteral(out, "<title>") && WriteText(out, name) && WriteLiteral(out, "</title>\r\n\r\n")
        && WriteLiteral(out, "<table bgcolor=#005588 cellpadding=3>\r\n")
        && WriteLiteral(out, "<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b>")
        && WriteText(out, name) && WriteLiteral(out, "</b></font> </td></tr>\r\n\r\n")
        && WriteRows(out, variables)
        && WriteLiteral(out, "<script> function ftn () {\r\n") && WriteScriptBody(out, function)
        && WriteLiteral(out, "\r\n} </script>\r\n\r\n")
        && WriteLiteral(out, "<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\n")
        && WriteText(out, function) && WriteLiteral(out, "\r\n</textarea></td></tr>\r\n\r\n")
        && WriteLiteral(out, "<tr><td colspan=2><xmp>\r\n") && WriteText(out, variables)
        && WriteLiteral(out, "\r\n</xmp></td></tr>") && WriteLiteral(out, "</table>\r\n\r\n");
}
