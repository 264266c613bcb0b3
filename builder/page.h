// The calculator page writer.
#ifndef TALLISK_PAGE_H
#define TALLISK_PAGE_H

#include <cstddef>
#include <cstdio>

// Streams the page for one calculator to `out`, which is open for binary
// writing. Each piece is one checked write; the first short write ends the
// call with false. `variables` is cut in place while it is parsed and is
// restored byte for byte before the call returns, whatever the result.
// Each input carries an id equal to its name, so that the button's script can
// read it as a global; the name is written whole, however long its label.
bool WriteCalculatorPage(FILE* out, const char* name, char* variables, const char* function);

// Whether the page for these texts is exactly `size` bytes at `page`: the
// writer itself, comparing each piece instead of writing it, and stopping at
// the first that differs. `variables` is cut and restored as above.
bool CalculatorPageMatches(
    const char* page, size_t size, const char* name, char* variables, const char* function);

#endif
