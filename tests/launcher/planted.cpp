// A library planted where the launcher must not look: loaded, it leaves the
// file "planted-library-ran" in the current folder, holding its own path.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = {};
        DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
        HANDLE mark = CreateFileA(
            "planted-library-ran", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (mark != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(mark, path, length, &written, NULL);
            CloseHandle(mark);
        }
    }
    return TRUE;
}
