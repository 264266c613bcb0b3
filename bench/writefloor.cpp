// The floor for the page writer's speed: reads the texts the page is made
// from into memory, as the writer must, then writes a page's bytes, already
// in memory, to another file in writes of 1 MiB, and does nothing else.
// writefloor PAGE OUTPUT [TEXT...]
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The text's bytes read into memory of its own, as the writer reads them.
bool ReadText(const char* path)
{
    int in = open(path, O_RDONLY);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0)
        return false;
    size_t size = static_cast<size_t>(info.st_size);
    char* text = static_cast<char*>(malloc(size + 1));
    size_t done = 0;
    while (text != nullptr && done < size) {
        ssize_t got = read(in, text + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    close(in);
    // Kept to the end, as the writer keeps its texts.
    return text != nullptr && done == size;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: writefloor PAGE OUTPUT [TEXT...]\n");
        return 2;
    }
    for (int i = 3; i < argc; ++i)
        if (!ReadText(argv[i])) {
            fprintf(stderr, "writefloor: cannot read %s: %s\n", argv[i], strerror(errno));
            return 1;
        }
    int in = open(argv[1], O_RDONLY);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0) {
        fprintf(stderr, "writefloor: cannot read %s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    size_t size = static_cast<size_t>(info.st_size);
    // Mapped and populated up front: the bytes are in memory before the first
    // write, as the generator's are in its buffer.
    const char* bytes = size == 0 ? "" : static_cast<const char*>(
        mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, in, 0));
    if (bytes == MAP_FAILED) {
        fprintf(stderr, "writefloor: cannot map %s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out < 0) {
        fprintf(stderr, "writefloor: cannot create %s: %s\n", argv[2], strerror(errno));
        return 1;
    }
    const size_t chunk = 1 << 20;
    for (size_t done = 0; done < size;) {
        size_t want = size - done < chunk ? size - done : chunk;
        ssize_t got = write(out, bytes + done, want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            fprintf(stderr, "writefloor: cannot write %s: %s\n", argv[2], got < 0 ? strerror(errno) : "short write");
            return 1;
        }
        done += static_cast<size_t>(got);
    }
    if (close(out) != 0) {
        fprintf(stderr, "writefloor: cannot write %s: %s\n", argv[2], strerror(errno));
        return 1;
    }
    return 0;
}
