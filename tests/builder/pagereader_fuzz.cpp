// Pages read back: any bytes read as a page never crash the reader, and
// texts it gives back rewrite to exactly those bytes. The input split at zero
// bytes into three texts makes a page that must read back, and that page with
// one byte changed reads back only as texts that give it; none costs more
// than a fixed multiple of its size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "builder/page.h"
#include "builder/pagereader.h"
#include "tests/builder/fuzz_texts.h"
#include "tests/builder/limited_stream.h"

namespace {

// Reads `page` and, when it reads back, checks the texts give it again.
PageReadResult ReadAndCheck(const std::string& page)
{
    // An exact-size heap copy, so ASan sees any read past the page.
    char* bytes = static_cast<char*>(malloc(page.size() + 1));
    memcpy(bytes, page.data(), page.size());
    PageTexts texts;
    unsigned long long work = 0;
    PageReadResult result = ReadCalculatorPage(bytes, page.size(), &texts, &work);
    // However the bytes are made, the work stays within a multiple of the size.
    if (work > 64 * (page.size() + 1024))
        abort();
    if (result == pageReadOk) {
        if (!CalculatorPageMatches(bytes, page.size(), texts.name, texts.variables, texts.function))
            abort();
    } else if (texts.name != nullptr || texts.variables != nullptr || texts.function != nullptr) {
        abort();
    }
    FreePageTexts(&texts);
    free(bytes);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadAndCheck(std::string(reinterpret_cast<const char*>(data), size));

    const uint8_t* cursor = data;
    const uint8_t* end = data + size;
    std::string name = TakeText(cursor, end);
    std::string variables = TakeText(cursor, end);
    std::string function = TakeText(cursor, end);
    LimitedSink sink = {std::string(), SIZE_MAX};
    FILE* stream = OpenLimitedStream(sink);
    bool written = WriteCalculatorPage(stream, name.c_str(), &variables[0], function.c_str());
    fclose(stream);
    if (!written || ReadAndCheck(sink.bytes) != pageReadOk)
        abort();
    if (size > 0) {
        sink.bytes[(size_t(data[0]) * 131 + size) % sink.bytes.size()] ^= data[size - 1] | 1;
        ReadAndCheck(sink.bytes);
    }
    return 0;
}
