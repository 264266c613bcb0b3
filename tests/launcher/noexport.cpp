// A velmora.dll without Velmora_LoadBase, for the launcher tests: it records in
// the test log when it is unloaded, to show the launcher releases it.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

extern "C" int __stdcall Velmora_Version() { return 1; }

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  const char* name = getenv("VELMORA_TEST_LOG");
  if (reason == DLL_PROCESS_DETACH && !reserved && name) {
    if (FILE* log = fopen(name, "a")) {
      fputs("unload without export\n", log);
      fclose(log);
    }
  }
  return TRUE;
}
