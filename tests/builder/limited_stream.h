// A glibc stream that keeps what it is given in memory and takes no more
// than `limit` bytes in all, as a disk that fills up would.
#ifndef TALLISK_LIMITED_STREAM_H
#define TALLISK_LIMITED_STREAM_H

#include <cstdio>
#include <string>

struct LimitedSink {
    std::string bytes;
    size_t limit;
};

inline ssize_t LimitedSinkWrite(void* cookie, const char* bytes, size_t size)
{
    // A full sink takes nothing, as a full disk does; glibc miscounts a -1
    // from a cookie as a write that took everything.
    LimitedSink* sink = static_cast<LimitedSink*>(cookie);
    size_t room = sink->limit - sink->bytes.size();
    size_t taken = size < room ? size : room;
    sink->bytes.append(bytes, taken);
    return static_cast<ssize_t>(taken);
}

// Unbuffered unless the caller sets a buffer before the first write.
inline FILE* OpenLimitedStream(LimitedSink& sink)
{
    cookie_io_functions_t functions = {nullptr, LimitedSinkWrite, nullptr, nullptr};
    FILE* stream = fopencookie(&sink, "w", functions);
    if (stream != nullptr)
        setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

#endif
