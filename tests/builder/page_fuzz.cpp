// Any three texts: the writer must neither crash nor overrun, must restore
// the variables text, and on success must begin with the title and end with
// the listing as typed. A first input byte below 64 sets a write limit (37
// bytes a step), so that failures part-way through the page are explored too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "builder/page.h"
#include "tests/builder/fuzz_texts.h"
#include "tests/builder/limited_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t* end = data + size;
    size_t limit = SIZE_MAX;
    if (size > 0 && data[0] < 64) {
        limit = data[0] * 37;
        ++data;
    }
    std::string name = TakeText(data, end);
    std::string variables = TakeText(data, end);
    std::string function = TakeText(data, end);

    // An exact-size heap copy, so ASan sees any read or write past it.
    char* text = static_cast<char*>(malloc(variables.size() + 1));
    memcpy(text, variables.c_str(), variables.size() + 1);

    LimitedSink sink = {std::string(), limit};
    FILE* stream = OpenLimitedStream(sink);
    bool written = WriteCalculatorPage(stream, name.c_str(), text, function.c_str());
    fclose(stream);

    if (memcmp(text, variables.c_str(), variables.size() + 1) != 0)
        abort();
    std::string ending = "<tr><td colspan=2><xmp>\r\n" + variables + "\r\n</xmp></td></tr></table>\r\n\r\n";
    if (written) {
        if (sink.bytes.size() < ending.size()
            || sink.bytes.compare(sink.bytes.size() - ending.size(), ending.size(), ending) != 0
            || sink.bytes.compare(0, 7 + name.size(), "<title>" + name) != 0)
            abort();
    } else if (sink.bytes.size() != limit) {
        abort();
    }
    free(text);
    return 0;
}
