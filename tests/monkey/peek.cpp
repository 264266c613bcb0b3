// Looks at a running Tallisk from outside, as the random tester needs it.
// For each folder read from standard input, one a line, it writes the three
// editors' texts there and then a file "state": how many main windows there
// are, the main window's caption, outer rectangle, function editor size,
// state, focused control, a point of its caption bar, and every other
// visible window of its process, with a message box's text.
// "state" appears last, whole, by renaming.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static HWND mainWindow;
static int mainCount;
static DWORD mainProcess;

static bool IsMain(HWND window)
{
    char name[64] = "", caption[300] = "";
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, caption, sizeof caption);
    return lstrcmpA(name, "IconDialog") == 0 && strncmp(caption, "Tallisk ", 8) == 0;
}

static BOOL CALLBACK FindMain(HWND window, LPARAM)
{
    if (IsWindowVisible(window) && IsMain(window)) {
        ++mainCount;
        mainWindow = window;
    }
    return TRUE;
}

// PathIn: dir\file into path; false when it does not fit whole.
typedef char PathBuffer[MAX_PATH + 16];
static bool PathIn(PathBuffer& path, const char* dir, const char* file)
{
    int n = snprintf(path, sizeof path, "%s\\%s", dir, file);
    return n > 0 && n < static_cast<int>(sizeof path);
}

// Another process's editor answers WM_GETTEXT itself; GetWindowText would
// not ask it.
static bool SaveEditor(const char* dir, const char* file, int id)
{
    HWND editor = GetDlgItem(mainWindow, id);
    DWORD_PTR length = 0;
    if (!editor || !SendMessageTimeoutA(editor, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 3000, &length))
        return false;
    char* text = static_cast<char*>(calloc(length + 2, 1));
    if (!text)
        return false;
    DWORD_PTR got = 0;
    PathBuffer path;
    bool ok = SendMessageTimeoutA(editor, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text),
                  SMTO_ABORTIFHUNG, 3000, &got)
        && PathIn(path, dir, file);
    FILE* out = ok ? fopen(path, "wb") : NULL;
    ok = out && fwrite(text, 1, got, out) == got;
    if (out)
        ok = fclose(out) == 0 && ok;
    free(text);
    return ok;
}

// A point of the caption bar, to drag it by: the first that the window calls
// caption, by rows from the top, each tried at seven points across. A few
// hit-tests, not a scan of every pixel, keep a look well under a tenth of a
// second. A narrow window's buttons may leave no caption: no point then.
static void PrintCaptionPoint(FILE* out, HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    for (int y = r.top + 2; y < r.top + 40 && y < r.bottom; y += 2)
        for (int eighth = 1; eighth < 8; ++eighth) {
            int x = r.left + (r.right - r.left) * eighth / 8;
            DWORD_PTR hit = 0;
            if (!SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 500, &hit))
                return; // a busy window: no point rather than a stalled look
            if (hit == HTCAPTION) {
                fprintf(out, "bar %d %d\n", x, y);
                return;
            }
        }
}

static FILE* out;

// A message box's text, so the driver can see which question is asked.
static BOOL CALLBACK PrintBoxText(HWND child, LPARAM)
{
    char name[64] = "", text[600] = "";
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, text, sizeof text);
    if (lstrcmpiA(name, "Static") == 0 && text[0] != 0)
        fprintf(out, "message %s\n", text);
    return TRUE;
}

static void PrintRect(const char* what, HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    fprintf(out, "%s %ld %ld %ld %ld\n", what, r.left, r.top, r.right, r.bottom);
}

static BOOL CALLBACK PrintOther(HWND window, LPARAM)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (window == mainWindow || process != mainProcess || !IsWindowVisible(window))
        return TRUE;
    char name[64] = "", caption[300] = "";
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(name, "tooltips_class32") == 0)
        return TRUE;
    fprintf(out, "window %s|%s\n", name, caption);
    if (lstrcmpA(name, "#32770") == 0 && (lstrcmpA(caption, "Tallisk") == 0 || lstrcmpA(caption, "Error") == 0))
        EnumChildWindows(window, PrintBoxText, 0);
    return TRUE;
}

static void Look(const char* dir)
{
    mainWindow = NULL;
    mainCount = 0;
    EnumWindows(FindMain, 0);
    fprintf(out, "mains %d\n", mainCount);
    if (!mainWindow)
        return;
    DWORD thread = GetWindowThreadProcessId(mainWindow, &mainProcess);
    char caption[300] = "";
    GetWindowTextA(mainWindow, caption, sizeof caption);
    fprintf(out, "caption %s\n", caption);
    PrintRect("rect", mainWindow);
    RECT f;
    GetWindowRect(GetDlgItem(mainWindow, 2002), &f);
    fprintf(out, "func %ld %ld\n", f.right - f.left, f.bottom - f.top);
    fprintf(out, "state %s\n", IsIconic(mainWindow) ? "min" : IsZoomed(mainWindow) ? "max" : "normal");
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    fprintf(out, "focus %d\n", info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0);
    PrintCaptionPoint(out, mainWindow);
    EnumWindows(PrintOther, 0);
    bool saved = SaveEditor(dir, "name", 2000) && SaveEditor(dir, "variables", 2001)
        && SaveEditor(dir, "function", 2002);
    fprintf(out, "texts %s\n", saved ? "ok" : "unreadable");
}

int main()
{
    char dir[MAX_PATH];
    while (fgets(dir, sizeof dir, stdin)) {
        // A folder longer than the buffer would be read as two: end instead.
        if (!strchr(dir, '\n'))
            return 1;
        dir[strcspn(dir, "\r\n")] = 0;
        PathBuffer part, whole;
        if (!PathIn(part, dir, "state.part") || !PathIn(whole, dir, "state"))
            return 1;
        out = fopen(part, "w");
        if (!out)
            return 1;
        Look(dir);
        // A look that could not be stored whole ends the helper: the driver
        // then says so rather than reading half of one.
        if (fclose(out) != 0 || !MoveFileExA(part, whole, MOVEFILE_REPLACE_EXISTING))
            return 1;
    }
    return 0;
}
