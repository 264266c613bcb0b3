// The floor for the page writer's speed: writes a file's bytes, already in
// memory, to another file in writes of the writer's own size (1 MiB), and
// does nothing else. writefloor INPUT OUTPUT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: writefloor INPUT OUTPUT\n");
        return 2;
    }
    int in = open(argv[1], O_RDONLY);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0) {
        fprintf(stderr, "writefloor: cannot read %s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    size_t size = static_cast<size_t>(info.st_size);
    // Read whole before the first write, as the generator's bytes are in its
    // buffer.
    char* bytes = static_cast<char*>(malloc(size + 1));
    size_t have = 0;
    while (bytes != nullptr && have < size) {
        ssize_t got = read(in, bytes + have, size - have);
        if (got <= 0)
            break;
        have += static_cast<size_t>(got);
    }
    if (bytes == nullptr || have != size) {
        fprintf(stderr, "writefloor: cannot read %s\n", argv[1]);
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
            fprintf(stderr, "writefloor: cannot write %s: %s\n", argv[2],
                got < 0 ? strerror(errno) : "short write");
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
