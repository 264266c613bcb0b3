// Fuzz inputs cut into texts at their zero bytes.
#ifndef TALLISK_TESTS_BUILDER_FUZZ_TEXTS_H
#define TALLISK_TESTS_BUILDER_FUZZ_TEXTS_H

#include <cstdint>
#include <cstring>
#include <string>

// The next text of the input, up to a zero byte or the end.
inline std::string TakeText(const uint8_t*& data, const uint8_t* end)
{
    const uint8_t* zero = static_cast<const uint8_t*>(memchr(data, 0, end - data));
    const uint8_t* stop = zero != nullptr ? zero : end;
    std::string text(reinterpret_cast<const char*>(data), stop - data);
    data = zero != nullptr ? zero + 1 : end;
    return text;
}

#endif
