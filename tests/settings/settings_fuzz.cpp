// Any bytes at all as "conf": the reader must stop cleanly, never overrun, and
// always leave both texts terminated.
#include "files/settingsformat.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;  // fmemopen needs a buffer; the empty file is a unit test
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    char fileName[settingsTextSize];
    char folder[settingsTextSize];
    memset(fileName, 'x', sizeof fileName);
    memset(folder, 'x', sizeof folder);
    int untitled = 0;
    SettingsPlace place;
    SettingsField failed = ReadSettingsHead(file, fileName, folder, &untitled);
    if (failed == settingsOk)
        failed = ReadSettingsPlace(file, &place);
    fclose(file);
    size_t nameLength = strnlen(fileName, sizeof fileName);
    size_t folderLength = strnlen(folder, sizeof folder);
    if (nameLength == sizeof fileName)
        abort();
    if (failed != settingsFileName && folderLength == sizeof folder)
        abort();
    if (failed == settingsOk && nameLength + folderLength > 259)
        abort();
    return 0;
}
