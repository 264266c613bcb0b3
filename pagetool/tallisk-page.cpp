// tallisk-page: writes a calculator page from three text files, or reads one
// back into them, with the same writer and reader the window uses.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/stat.h>

#include "builder/page.h"
#include "builder/pagereader.h"

namespace {

const char usageText[] = "Usage: tallisk-page [-o OUTPUT] NAME_FILE VARIABLES_FILE FUNCTION_FILE\n"
                         "   or: tallisk-page --read PAGE NAME_FILE VARIABLES_FILE FUNCTION_FILE\n"
                         "Writes the calculator page for the name, variables and function texts read\n"
                         "from the three files (each may be empty) to OUTPUT, or to standard output.\n"
                         "With --read, reads the calculator page PAGE back and writes its three texts\n"
                         "to the three files; a page changed since it was written is refused.\n"
                         "\n"
                         "  -o OUTPUT  write the page to the file OUTPUT instead of standard output\n"
                         "  --read     read the page PAGE back into its texts\n"
                         "  --help     show this help and exit\n";

// Reads a whole file as a zero-terminated text in a malloc'd buffer, or says
// why it cannot and returns null.
char* ReadText(const char* path)
{
    FILE* in = fopen(path, "rb");
    if (in == nullptr) {
        fprintf(stderr, "tallisk-page: cannot open %s: %s\n", path, strerror(errno));
        return nullptr;
    }
    // A regular file is read into one buffer of its size; anything else grows.
    struct stat info;
    bool regular = fstat(fileno(in), &info) == 0 && S_ISREG(info.st_mode);
    size_t capacity = regular ? static_cast<size_t>(info.st_size) + 1 : 65536;
    size_t length = 0;
    char* text = static_cast<char*>(malloc(capacity));
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
    int error = text == nullptr ? ENOMEM : ferror(in) != 0 ? (errno != 0 ? errno : EIO) : 0;
    fclose(in);
    if (error != 0) {
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

// Why a page does not read back; `error` is the stream's, for a failed read.
void ReportNotRead(const char* path, PageReadResult result, int error)
{
    const char* reason = nullptr;
    switch (result) {
    case pageNotCalculator:
        reason = "is not a calculator page";
        break;
    case pageChanged:
        reason = "has been changed since it was written: no texts give exactly its bytes";
        break;
    case pageZeroByte:
        reason = "holds a zero byte, which no text can";
        break;
    case pageTextTooLong:
        reason = "holds a text longer than 16 MiB";
        break;
    case pageReadMemory:
        reason = "is too large to read: out of memory";
        break;
    case pageTooLarge:
        reason = "is larger than 256 MiB, too large to be a calculator page";
        break;
    default:
        fprintf(stderr, "tallisk-page: cannot read %s: %s\n", path, strerror(error));
        return;
    }
    fprintf(stderr, "tallisk-page: %s %s\n", path, reason);
}

bool WriteTextFile(const char* path, const char* text)
{
    FILE* out = fopen(path, "wb");
    if (out == nullptr) {
        fprintf(stderr, "tallisk-page: cannot create %s: %s\n", path, strerror(errno));
        return false;
    }
    size_t length = strlen(text);
    errno = 0;
    bool written = fwrite(text, 1, length, out) == length;
    written = fflush(out) == 0 && written;
    int error = errno;
    written = fclose(out) == 0 && written;
    if (!written) {
        if (error == 0)
            error = errno != 0 ? errno : EIO;
        fprintf(stderr, "tallisk-page: cannot write %s: %s\n", path, strerror(error));
    }
    return written;
}

// Reads `pagePath` back into the three files named by `outputs`.
int ReadPage(const char* pagePath, const char* const* outputs)
{
    FILE* in = fopen(pagePath, "rb");
    if (in == nullptr) {
        fprintf(stderr, "tallisk-page: cannot open %s: %s\n", pagePath, strerror(errno));
        return 1;
    }
    // Read, not mapped: a page cut short while it is read is then one that
    // does not read back, not a fault.
    PageTexts texts = {nullptr, nullptr, nullptr};
    errno = 0;
    PageReadResult result = ReadCalculatorPageFile(in, &texts);
    int error = errno != 0 ? errno : EIO;
    fclose(in);
    if (result != pageReadOk) {
        ReportNotRead(pagePath, result, error);
        return 1;
    }
    const char* parts[3] = {texts.name, texts.variables, texts.function};
    bool written = true;
    for (int i = 0; i < 3 && written; ++i)
        written = WriteTextFile(outputs[i], parts[i]);
    FreePageTexts(&texts);
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* outputPath = nullptr;
    bool reading = false;
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
        } else if (strcmp(argv[i], "--read") == 0) {
            reading = true;
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
    if (inputs.size() != (reading ? 4u : 3u) || (reading && outputPath != nullptr)) {
        fputs(usageText, stderr);
        return 2;
    }
    if (reading)
        return ReadPage(inputs[0], inputs.data() + 1);

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
    // Written a megabyte at a time: fewer calls into the system.
    setvbuf(out, nullptr, _IOFBF, 1 << 20);
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
