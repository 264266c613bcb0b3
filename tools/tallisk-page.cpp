// tallisk-page: writes a calculator page from three text files, with the
// same writer the window uses.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// Zero-terminated, so the writer can take it as a text.
bool ReadText(const char* path, std::vector<char>& text)
{
    FILE* in = fopen(path, "rb");
    if (in == nullptr) {
        fprintf(stderr, "tallisk-page: cannot open %s: %s\n", path, strerror(errno));
        return false;
    }
    struct stat info;
    if (fstat(fileno(in), &info) == 0 && S_ISREG(info.st_mode))
        text.reserve(static_cast<size_t>(info.st_size) + 1);
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, in)) > 0)
        text.insert(text.end(), chunk, chunk + got);
    bool failed = ferror(in) != 0;
    int error = errno;
    fclose(in);
    if (failed) {
        fprintf(stderr, "tallisk-page: cannot read %s: %s\n", path, strerror(error));
        return false;
    }
    if (memchr(text.data(), 0, text.size()) != nullptr) {
        fprintf(stderr, "tallisk-page: %s holds a zero byte; texts must not contain one\n", path);
        return false;
    }
    text.push_back(0);
    return true;
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

    std::vector<char> name, variables, function;
    if (!ReadText(inputs[0], name) || !ReadText(inputs[1], variables) || !ReadText(inputs[2], function))
        return 1;

    const char* outputName = outputPath != nullptr ? outputPath : "standard output";
    FILE* out = outputPath != nullptr ? fopen(outputPath, "wb") : stdout;
    if (out == nullptr) {
        fprintf(stderr, "tallisk-page: cannot create %s: %s\n", outputPath, strerror(errno));
        return 1;
    }
    // The writer makes many small writes: a large buffer and no per-call
    // locking (one thread) keep it close to a plain copy.
    static char buffer[1 << 20];
    setvbuf(out, buffer, _IOFBF, sizeof buffer);
#if defined(__GLIBC__)
    __fsetlocking(out, FSETLOCKING_BYCALLER);
#endif
    errno = 0;
    bool written = WriteCalculatorPage(out, name.data(), variables.data(), function.data());
    written = fflush(out) == 0 && written;
    int error = errno;
    written = fclose(out) == 0 && written;
    if (!written) {
        if (error == 0)
            error = errno != 0 ? errno : EIO;
        fprintf(stderr, "tallisk-page: cannot write %s: %s\n", outputName, strerror(error));
        return 1;
    }
    return 0;
}
