// The floor for the page reader's speed: reads a file whole into memory, as
// the reader does, and writes the given number of its bytes to each output
// file in writes of 1 MiB, and does nothing else.
// readfloor PAGE OUTPUT LENGTH [OUTPUT LENGTH]...
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 4 || argc % 2 != 0) {
        fprintf(stderr, "usage: readfloor PAGE OUTPUT LENGTH [OUTPUT LENGTH]...\n");
        return 2;
    }
    FILE* in = fopen(argv[1], "rb");
    if (in == nullptr) {
        fprintf(stderr, "readfloor: cannot read %s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    size_t size = 0, capacity = 1 << 16;
    char* page = static_cast<char*>(malloc(capacity));
    for (size_t got; page != nullptr && (got = fread(page + size, 1, capacity - size, in)) > 0;) {
        size += got;
        if (size == capacity) {
            capacity *= 2;
            char* larger = static_cast<char*>(realloc(page, capacity));
            if (larger == nullptr)
                free(page);
            page = larger;
        }
    }
    if (page == nullptr || ferror(in)) {
        fprintf(stderr, "readfloor: cannot read %s\n", argv[1]);
        return 1;
    }
    fclose(in);
    for (int i = 2; i + 1 < argc; i += 2) {
        size_t length = strtoull(argv[i + 1], nullptr, 10);
        int out = open(argv[i], O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (out < 0 || length > size) {
            fprintf(stderr, "readfloor: cannot write %s\n", argv[i]);
            return 1;
        }
        for (size_t done = 0; done < length;) {
            size_t want = length - done < (1 << 20) ? length - done : (1 << 20);
            ssize_t wrote = write(out, page + done, want);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0) {
                fprintf(stderr, "readfloor: cannot write %s\n", argv[i]);
                return 1;
            }
            done += static_cast<size_t>(wrote);
        }
        if (close(out) != 0) {
            fprintf(stderr, "readfloor: cannot write %s\n", argv[i]);
            return 1;
        }
    }
    free(page);
    return 0;
}
