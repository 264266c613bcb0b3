// Small file helpers for the tests that run under Wine.
#ifndef TALLISK_TESTS_TESTFILES_H
#define TALLISK_TESTS_TESTFILES_H

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

// The whole file, or "<missing>" when it cannot be opened.
inline std::string ReadWholeFile(const std::string& path)
{
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == NULL)
        return "<missing>";
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

// Points the test prefix's recording handler, a Unix script, at dosPath
// (on Z:, the Unix root).
inline void RecordOpenedFilesIn(const std::string& dosPath)
{
    std::string unixPath = dosPath.substr(2);
    std::replace(unixPath.begin(), unixPath.end(), '\\', '/');
    SetEnvironmentVariableA("TALLISK_OPEN_LOG", unixPath.c_str());
}

#endif
