// tallisk-page: writes a calculator page from three text files, with the
// same writer the window uses.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/mman.h>
#include <sys/stat.h>
#if defined(__GLIBC__)
#include <stdio_ext.h>
#endif

#include "builder/page.h"

namespace {

const char usageText[] =
    "Usage: tallisk-page [-o OUTPUT] NAME_FILE VARIABLES_FILE FUNCTION_FILE\n"
    "Writes the calculator page for the name, variables and function texts read\n"
    "from the three files (each may be empty) to OUTPUT, or to standard output.\n"
    "\n"
    "  -o OUTPUT  write the page to the file OUTPUT instead of standard output\n"
    "  --help     show this help and exit\n";

// A large text goes into transparent huge pages where the system offers them:
// on a virtual machine, faulting in a big text 4 KiB at a time can cost as much
// as generating its page.
char* AllocateText(size_t capacity)
{
    const size_t hugePage = size_t(2) << 20;
    if (capacity < hugePage)
        return static_cast<char*>(malloc(capacity));
    size_t rounded = (capacity + hugePage - 1) / hugePage * hugePage;
    char* text = static_cast<char*>(aligned_alloc(hugePage, rounded));
    if (text != nullptr)
        madvise(text, rounded, MADV_HUGEPAGE);
    return text;
}

// Reads a whole file as a zero-terminated text in a malloc'd buffer, or says
// why it cannot and returns null. The buffer is not cleared first: for a large
// variables text that pass costs as much as the read.
char* ReadText(const char* path)
{
    FILE* in = fopen(path, "rb");
    if (in == nullptr) {
        fprintf(stderr, "tallisk-page: cannot open %s: %s\n", path, strerror(errno));
        return nullptr;
    }
    // A regular file is read in one piece at its size; anything else grows.
    struct stat info;
    bool regular = fstat(fileno(in), &info) == 0 && S_ISREG(info.st_mode);
    size_t capacity = regular ? static_cast<size_t>(info.st_size) + 1 : 65536;
    size_t length = 0;
    char* text = AllocateText(capacity);
    while (text != nullptr) {
        size_t got = fread(text + length, 1, capacity - 1 - length, in);
        length += got;
        if (got == 0 || regular)
            break;
        if (length + 1 == capacity) {
            capacity *= 2;
            char* larger = static_cast<char*>(realloc(text, capacity));
            if (larger == nullptr)
                free(text);
            text = larger;
        }
    }
    int error = text == nullptr ? ENOMEM : errno;
    bool failed = text == nullptr || ferror(in) != 0;
    fclose(in);
    if (failed) {
        fprintf(stderr, "tallisk-page: cannot read %s: %s\n", path, strerror(error));
        free(text);
        return nullptr;
    }
    if (memchr(text, 0, length) != nullptr) {
        fprintf(stderr, "tallisk-page: %s holds a zero byte; texts must not contain one\n", path);
        free(text);
        return nullptr;
    }
    text[length] = 0;
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* outputPath = nullptr;
    std::vector<const char*> inputs;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(usageText, stdout);
            return 0;
        }
        if (strcmp(argv[i], "-o") == 0) {
            if (i + 1 == argc || outputPath != nullptr) {
                fputs(usageText, stderr);
                return 2;
            }
            outputPath = argv[++i];
        } else if (strcmp(argv[i], "--") == 0) {
            for (++i; i < argc; ++i)
                inputs.push_back(argv[i]);
        } else if (argv[i][0] == '-' && argv[i][1] != 0) {
            fprintf(stderr, "tallisk-page: unknown option %s\n", argv[i]);
            fputs(usageText, stderr);
            return 2;
        } else {
            inputs.push_back(argv[i]);
        }
    }
    if (inputs.size() != 3) {
        fputs(usageText, stderr);
        return 2;
    }

    char* texts[3] = {nullptr, nullptr, nullptr};
    for (int i = 0; i < 3; ++i) {
        texts[i] = ReadText(inputs[i]);
        if (texts[i] == nullptr)
            return 1;
    }

    const char* outputName = outputPath != nullptr ? outputPath : "standard output";
    FILE* out = outputPath != nullptr ? fopen(outputPath, "wb") : stdout;
    if (out == nullptr) {
        fprintf(stderr, "tallisk-page: cannot create %s: %s\n", outputPath, strerror(errno));
        return 1;
    }
    // The writer makes many small writes: a large buffer and no per-call
    // locking (one thread) keep it close to a plain copy.
    static char buffer[1 << 18];
    setvbuf(out, buffer, _IOFBF, sizeof buffer);
#if defined(__GLIBC__)
    __fsetlocking(out, FSETLOCKING_BYCALLER);
#endif
    errno = 0;
    bool written = WriteCalculatorPage(out, texts[0], texts[1], texts[2]);
    written = fflush(out) == 0 && written;
    int error = errno;
    written = fclose(out) == 0 && written;
    for (char* text : texts)
        free(text);
    if (!written) {
        if (error == 0)
            error = errno != 0 ? errno : EIO;
        fprintf(stderr, "tallisk-page: cannot write %s: %s\n", outputName, strerror(error));
        return 1;
    }
    return 0;
}
