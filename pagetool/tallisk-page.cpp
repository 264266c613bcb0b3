// tallisk-page: writes a calculator page from three text files, or reads one
// back into them, with the same writer and reader the window uses.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <stdio_ext.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A large text, and the output's buffers, go into transparent huge pages where
// the system offers them: on a virtual machine, faulting in a big text 4 KiB at
// a time can cost as much as generating its page. Freed with free().
const size_t hugePage = size_t(2) << 20;

char* AllocateLarge(size_t capacity)
{
    if (capacity < hugePage)
        return static_cast<char*>(malloc(capacity));
    size_t rounded = (capacity + hugePage - 1) / hugePage * hugePage;
    char* text = static_cast<char*>(aligned_alloc(hugePage, rounded));
    if (text != nullptr)
        madvise(text, rounded, MADV_HUGEPAGE);
    return text;
}

// Reads `size` bytes at `offset` of `fd`, or fewer where the file ends
// first, into `to`: the count, or -1 with errno set.
ssize_t ReadAt(int fd, char* to, size_t size, off_t offset)
{
    size_t done = 0;
    while (done < size) {
        ssize_t got = pread(fd, to + done, size - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

// A large regular file is read in two halves at once, the second by a thread
// of its own: copying the text out of the system's cache and faulting in its
// buffer take a sixth of the time its page takes to write. The halves meet at
// a huge-page boundary, so that each thread faults in its own pages. Gives
// the length read, which is shorter where the file has shrunk since its size
// was taken, or -1 with errno set.
const size_t halvesFrom = size_t(8) << 20;

ssize_t ReadInHalves(int fd, char* text, size_t size)
{
    size_t half = size / 2 / hugePage * hugePage;
    ssize_t backGot = 0;
    int backError = 0;
    std::thread back([=, &backGot, &backError] {
        backGot = ReadAt(fd, text + half, size - half, static_cast<off_t>(half));
        backError = errno;
    });
    ssize_t frontGot = ReadAt(fd, text, half, 0);
    back.join();
    if (frontGot < 0)
        return -1;
    if (backGot < 0) {
        errno = backError;
        return -1;
    }
    return static_cast<size_t>(frontGot) < half ? frontGot : frontGot + backGot;
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
    char* text = AllocateLarge(capacity);
    int error = text == nullptr ? ENOMEM : 0;
    if (text != nullptr && regular && capacity - 1 >= halvesFrom) {
        ssize_t got = ReadInHalves(fileno(in), text, capacity - 1);
        if (got < 0)
            error = errno;
        else
            length = static_cast<size_t>(got);
    } else {
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
        if (text == nullptr)
            error = ENOMEM;
        else if (ferror(in) != 0)
            error = errno != 0 ? errno : EIO;
    }
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

// Write-behind output: a second thread hands the stream's full buffers to
// the kernel, oldest first, while the page goes on being generated into the
// next free one, so writing a large page costs little more than generating it
// and no byte is copied on the way. Several buffers, not two: on a busy
// machine the writing thread is often not running when a buffer fills, and
// the generating one should not wait for it each time. A failed write is
// reported when the next buffer is handed over, and by fclose.
const size_t writeBehindBuffers = 4;

struct WriteBehind {
    int fd;
    FILE* stream;
    std::mutex lock;
    std::condition_variable changed;
    char* block;  // the buffers, one after another
    char* buffers[writeBehindBuffers];
    // Buffers handed over and buffers written so far; the stream fills
    // buffers[handed % writeBehindBuffers].
    size_t handed;
    size_t written;
    size_t sizes[writeBehindBuffers];
    bool closing;
    int error;
    std::thread worker;
};

// 0, or the error of the write that failed.
int WriteAll(int fd, const char* bytes, size_t size)
{
    for (size_t done = 0; done < size;) {
        ssize_t got = write(fd, bytes + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO;
        done += static_cast<size_t>(got);
    }
    return 0;
}

void WriteChunks(WriteBehind* behind)
{
    std::unique_lock<std::mutex> hold(behind->lock);
    for (;;) {
        behind->changed.wait(hold, [behind] { return behind->written < behind->handed || behind->closing; });
        if (behind->written == behind->handed)
            return;
        size_t slot = behind->written % writeBehindBuffers;
        hold.unlock();
        int error = WriteAll(behind->fd, behind->buffers[slot], behind->sizes[slot]);
        hold.lock();
        if (behind->error == 0)
            behind->error = error;
        ++behind->written;
        behind->changed.notify_all();
    }
}

ssize_t WriteBehindWrite(void* cookie, const char* bytes, size_t size)
{
    WriteBehind* behind = static_cast<WriteBehind*>(cookie);
    FILE* stream = behind->stream;
    std::unique_lock<std::mutex> hold(behind->lock);
    int error = behind->error;
    if (error == 0 && bytes == stream->_IO_buf_base) {
        // The stream goes on in the next buffer once it is free: glibc sets its
        // write pointers from _IO_buf_base when this call returns.
        size_t capacity = static_cast<size_t>(stream->_IO_buf_end - stream->_IO_buf_base);
        behind->sizes[behind->handed % writeBehindBuffers] = size;
        ++behind->handed;
        behind->changed.notify_all();
        behind->changed.wait(hold, [behind] { return behind->handed - behind->written < writeBehindBuffers; });
        char* next = behind->buffers[behind->handed % writeBehindBuffers];
        stream->_IO_buf_base = next;
        stream->_IO_buf_end = next + capacity;
        return static_cast<ssize_t>(size);
    }
    // Bytes of the caller's, which glibc writes without buffering when they
    // are larger than the buffer, go out here once every buffer before them
    // has, since they are the caller's again when this returns.
    behind->changed.wait(hold, [behind] { return behind->written == behind->handed; });
    error = behind->error;
    if (error == 0) {
        hold.unlock();
        error = WriteAll(behind->fd, bytes, size);
        hold.lock();
    }
    if (error != 0) {
        behind->error = error;
        errno = error;
        return 0;
    }
    return static_cast<ssize_t>(size);
}

int WriteBehindClose(void* cookie)
{
    WriteBehind* behind = static_cast<WriteBehind*>(cookie);
    {
        std::lock_guard<std::mutex> hold(behind->lock);
        behind->closing = true;
        behind->changed.notify_all();
    }
    behind->worker.join();
    int error = behind->error;
    if (close(behind->fd) != 0 && error == 0)
        error = errno;
    free(behind->block);
    delete behind;
    errno = error;
    return error == 0 ? 0 : -1;
}

// Takes over `fd`, which fclose closes. The stream is fully buffered in
// buffers of `bufferSize` bytes, which it owns.
FILE* OpenWriteBehind(int fd, size_t bufferSize)
{
    char* block = AllocateLarge(writeBehindBuffers * bufferSize);
    if (block == nullptr)
        return nullptr;
    WriteBehind* behind = new WriteBehind();
    behind->fd = fd;
    behind->block = block;
    for (size_t i = 0; i < writeBehindBuffers; ++i)
        behind->buffers[i] = block + i * bufferSize;
    behind->handed = 0;
    behind->written = 0;
    behind->closing = false;
    behind->error = 0;
    cookie_io_functions_t functions = {nullptr, WriteBehindWrite, nullptr, WriteBehindClose};
    FILE* out = fopencookie(behind, "w", functions);
    if (out == nullptr) {
        free(block);
        delete behind;
        return nullptr;
    }
    behind->stream = out;
    setvbuf(out, behind->buffers[0], _IOFBF, bufferSize);
    behind->worker = std::thread(WriteChunks, behind);
    return out;
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
    // does not read back, not a fault. One over the limit is not read.
    PageTexts texts = {nullptr, nullptr, nullptr};
    struct stat info;
    errno = 0;
    PageReadResult result = fstat(fileno(in), &info) == 0 && S_ISREG(info.st_mode)
            && static_cast<unsigned long long>(info.st_size) > pageFileLimit
        ? pageTooLarge
        : ReadCalculatorPageFile(in, &texts);
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
    int fd = outputPath != nullptr ? open(outputPath, O_WRONLY | O_CREAT | O_TRUNC, 0666) : STDOUT_FILENO;
    if (fd < 0) {
        fprintf(stderr, "tallisk-page: cannot create %s: %s\n", outputPath, strerror(errno));
        return 1;
    }
    const size_t bufferSize = 1 << 20;
    FILE* out = OpenWriteBehind(fd, bufferSize);
    if (out == nullptr) {
        fprintf(stderr, "tallisk-page: cannot write %s: %s\n", outputName, strerror(errno));
        return 1;
    }
    // The writer makes many small writes: a large buffer, and no locking
    // since only this thread uses the stream, keep each one cheap.
    __fsetlocking(out, FSETLOCKING_BYCALLER);
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
