// Any three texts: the writer must neither crash nor overrun, must restore
// the variables text, and on success must end with the listing as typed. The
// first input byte, when the input is long enough, sets a write limit so that
// failures part-way through are explored too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "builder/page.h"

namespace {

struct Sink {
    std::string bytes;
    size_t limit;
};

ssize_t SinkWrite(void* cookie, const char* bytes, size_t size)
{
    Sink* sink = static_cast<Sink*>(cookie);
    // A full sink takes nothing, as a full disk does; glibc miscounts a -1
    // from a cookie as a write that took everything.
    size_t room = sink->limit - sink->bytes.size();
    size_t taken = size < room ? size : room;
    sink->bytes.append(bytes, taken);
    return static_cast<ssize_t>(taken);
}

// The next text of the input, up to a zero byte or the end.
std::string TakeText(const uint8_t*& data, const uint8_t* end)
{
    const uint8_t* zero = static_cast<const uint8_t*>(memchr(data, 0, end - data));
    const uint8_t* stop = zero != nullptr ? zero : end;
    std::string text(reinterpret_cast<const char*>(data), stop - data);
    data = zero != nullptr ? zero + 1 : end;
    return text;
}

}  // namespace

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

    Sink sink = {std::string(), limit};
    cookie_io_functions_t functions = {nullptr, SinkWrite, nullptr, nullptr};
    FILE* stream = fopencookie(&sink, "w", functions);
    setvbuf(stream, nullptr, _IONBF, 0);
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
