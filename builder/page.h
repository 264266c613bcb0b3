// The calculator page writer.
#ifndef TALLISK_PAGE_H
#define TALLISK_PAGE_H

#include <cstddef>
#include <cstdio>

// Where the writer's pieces go: a stream; a comparison with the bytes a page
// should hold, so that the reader checks a page with the writer itself; a
// count; or a hash (builder/pagehash.h), with which the reader tells in
// constant time whether rows stand in a page.
enum PageSinkKind { sinkStream, sinkCompare, sinkCount, sinkHash };

struct PageSink {
    PageSinkKind kind;
    FILE* file;  // sinkStream, written a buffer at a time:
    char* buffer;
    size_t bufferSize;
    size_t buffered;
    const char* expected;  // sinkCompare: the bytes not yet matched
    size_t expectedLeft;
    unsigned long long hash;  // sinkHash: of the bytes taken so far
    unsigned long long hashBase;
    const struct HashTables* hashTables;  // null, or the tables of hashBase
    unsigned long long taken;  // every kind: the bytes taken so far
};

// A sink of `kind` with nothing taken; the caller fills in its own field.
PageSink MakePageSink(PageSinkKind kind);

// Streams the page for one calculator to `out`, which is open for binary
// writing. The pieces are gathered into a buffer, each buffer is one checked
// write, and the first short write ends the call with false. `variables` is
// cut in place while it is parsed and is restored byte for byte before the
// call returns, whatever the result. Each input carries an id equal to its
// name, so that the button's script can read it as a global; the name is
// written whole, however long its label.
bool WriteCalculatorPage(FILE* out, const char* name, char* variables, const char* function);
// The same to any sink. With sinkCompare, false as soon as a piece differs
// from the bytes expected or runs past them.
bool WritePage(PageSink& sink, const char* name, char* variables, const char* function);
// The rows one line of the variables text makes: a variable row, or the
// button row for a line that begins with "?". `line` holds no line break and
// is restored; null stands for the end of the text, which gives the
// Calculate button.
bool WriteLineRow(PageSink& sink, char* line);

// Whether the page for these texts is exactly `size` bytes at `page`.
// `variables` is cut and restored as above.
bool CalculatorPageMatches(
    const char* page, size_t size, const char* name, char* variables, const char* function);

#endif
