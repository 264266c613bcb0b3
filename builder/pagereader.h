// Reading a calculator page back: the name, variables and function texts of
// which WriteCalculatorPage gives exactly the page's bytes.
#ifndef TALLISK_PAGEREADER_H
#define TALLISK_PAGEREADER_H

#include <cstddef>
#include <cstdio>

// The longest text a page gives back: what the kept texts file takes, so that
// whatever is loaded can also be kept.
const size_t pageTextLimit = 16UL * 1024 * 1024;
// The largest file read as a page: far more than three texts within the limit
// make, and refused before it is read.
const size_t pageFileLimit = 256UL * 1024 * 1024;

enum PageReadResult {
    pageReadOk = 0,
    pageNotCalculator,  // not a page Tallisk writes
    pageChanged,  // framed as one, but no texts give exactly these bytes
    pageZeroByte,  // holds a zero byte, which no text can
    pageTextTooLong,  // a text longer than pageTextLimit
    pageReadMemory,  // memory ran out
    pageReadFailed,  // the stream reported an error
    pageTooLarge  // larger than pageFileLimit
};

// Each text is malloc'd and zero-terminated; FreePageTexts releases them.
struct PageTexts {
    char* name;
    char* variables;
    char* function;
};

// From the page's bytes. On pageReadOk the caller frees the texts with
// FreePageTexts; on any other result every text is null. Its time grows with
// the page's size, whatever the page holds; `work`, when given, receives a
// count of the steps taken, in bytes looked at.
PageReadResult ReadCalculatorPage(
    const char* page, size_t size, PageTexts* texts, unsigned long long* work = nullptr);
// The same from the whole of a stream opened for binary reading, from its
// current position to its end; one that does not begin as a page is not read
// on, nor one past pageFileLimit: one that tells its size is refused before
// it is read. The caller opens and closes it.
PageReadResult ReadCalculatorPageFile(FILE* file, PageTexts* texts);
// Frees every text and leaves it null; safe to call twice.
void FreePageTexts(PageTexts* texts);

#endif
