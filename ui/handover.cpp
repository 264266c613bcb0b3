// One Tallisk for each program folder. The first start of a folder holds a
// mutex named after it for as long as it runs and marks its main window with
// a property of the same name; a later start finds that window, hands it the
// command line's page with WM_COPYDATA and ends without touching conf or kept.
#include "ui/handover.h"

#include <cstring>

#include "builder/scan.h"
#include "files/progfiles.h"
#include "ui/maindialog.h"

// "Tallisk." and 16 hexadecimal digits: mutex and property names have limits
// a folder's path can pass, so the folder is hashed.
static char folderKey[32];
static HANDLE folderMutex;

// Tells a handed page from any other program's WM_COPYDATA.
static const ULONG_PTR handedPageTag = 0x544c4b50;
// How long an open window has to take a page, and how long a start waits for
// a starting or closing Tallisk of its folder to have a window or be gone.
static const UINT handOverTimeout = 5000;
static const DWORD claimTimeout = 10000;

static char queuedPage[260];
static bool pageQueued;
// From the start of the close on, the window takes no page: one opened then
// would write conf and kept from a window that is going.
static bool windowClosing;

// The same folder reached by another spelling (case, short names) is the same
// installation.
static bool MakeFolderKey(char* key)
{
    char folder[260] = "", longFolder[260] = "";
    GetProgramFolder(folder);
    if (folder[0] == 0)
        return false;
    DWORD length = GetLongPathNameA(folder, longFolder, sizeof longFolder);
    if (length == 0 || length >= sizeof longFolder)
        CopyText(longFolder, sizeof longFolder, folder);
    CharLowerBuffA(longFolder, static_cast<DWORD>(strlen(longFolder)));
    unsigned long long hash = 14695981039346656037ull;
    for (const char* at = longFolder; *at != 0; ++at)
        hash = (hash ^ static_cast<unsigned char>(*at)) * 1099511628211ull;
    wsprintfA(key, "Tallisk.%08lx%08lx", static_cast<unsigned long>(hash >> 32),
        static_cast<unsigned long>(hash & 0xffffffffu));
    return true;
}

bool TakeFirstArgument(const char* commandTail, char* page)
{
    page[0] = 0;
    if (commandTail == NULL)
        return false;
    while (*commandTail == ' ' || *commandTail == '\t')
        ++commandTail;
    char end = ' ';
    if (*commandTail == '"') {
        end = '"';
        ++commandTail;
    }
    size_t length = 0;
    while (commandTail[length] != 0 && commandTail[length] != end
        && !(end == ' ' && commandTail[length] == '\t'))
        ++length;
    if (length == 0)
        return false;
    // Cut to 259 characters it would name some other file.
    if (length < 260) {
        memcpy(page, commandTail, length);
        page[length] = 0;
    }
    return true;
}

static BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM found)
{
    if (GetPropA(window, folderKey) == NULL)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

enum HandOverResult { handedOver, windowGone, notAnswered };

// The page goes as a full path, since the open window has a current folder
// of its own; one that cannot be made full goes empty, to be reported there.
static HandOverResult HandOver(HWND window, const char* commandTail)
{
    char argument[260], page[260] = "";
    COPYDATASTRUCT data = {handedPageTag, 0, page};
    if (TakeFirstArgument(commandTail, argument)) {
        DWORD length = argument[0] != 0 ? GetFullPathNameA(argument, sizeof page, page, NULL) : 0;
        if (length == 0 || length >= sizeof page)
            page[0] = 0;
        data.cbData = static_cast<DWORD>(strlen(page)) + 1;
    }
    // This process was just started by the person, so it may hand the
    // foreground on; the open window then brings itself forward.
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    AllowSetForegroundWindow(process);
    DWORD_PTR taken = 0;
    if (SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
            handOverTimeout, &taken)
        == 0)
        return IsWindow(window) ? notAnswered : windowGone;
    // A window that is closing takes no page: this run waits for it to end.
    if (taken != TRUE)
        return windowGone;
    SetForegroundWindow(GetLastActivePopup(window));
    return handedOver;
}

StartRole ClaimProgramFolder(const char* commandTail)
{
    char mutexName[48] = "Local\\";
    // Without a name to share, this run can only go on alone.
    if (!MakeFolderKey(folderKey) || !AppendText(mutexName, sizeof mutexName, folderKey))
        return startHere;
    folderMutex = CreateMutexA(NULL, FALSE, mutexName);
    if (folderMutex == NULL)
        return startHere;
    DWORD started = GetTickCount();
    for (;;) {
        // Abandoned: the last run of this folder ended without closing.
        DWORD waited = WaitForSingleObject(folderMutex, 0);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            return startHere;
        HWND window = NULL;
        EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&window));
        if (window != NULL) {
            switch (HandOver(window, commandTail)) {
            case handedOver:
                return startHandedOver;
            case notAnswered:
                return startNotAnswered;
            case windowGone:
                break;
            }
        }
        // A run that is starting has no window yet, one that is closing has
        // none any more; either soon has one or lets the mutex go.
        if (GetTickCount() - started >= claimTimeout)
            return startNotAnswered;
        waited = WaitForSingleObject(folderMutex, 100);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            return startHere;
    }
}

void ReleaseProgramFolder()
{
    if (folderMutex == NULL)
        return;
    ReleaseMutex(folderMutex);
    CloseHandle(folderMutex);
    folderMutex = NULL;
}

void MarkMainWindow(HWND dialog)
{
    windowClosing = false;
    if (folderMutex != NULL)
        SetPropA(dialog, folderKey, dialog);
}

void UnmarkMainWindow(HWND dialog)
{
    windowClosing = true;
    pageQueued = false;
    if (folderMutex != NULL)
        RemovePropA(dialog, folderKey);
}

bool TakeHandedPage(HWND dialog, const COPYDATASTRUCT* data)
{
    // The page must end within a path buffer, with its zero.
    if (windowClosing || data == NULL || data->dwData != handedPageTag || data->cbData > sizeof queuedPage
        || (data->cbData > 0
            && (data->lpData == NULL || static_cast<const char*>(data->lpData)[data->cbData - 1] != 0)))
        return false;
    if (data->cbData > 0)
        QueuePage(dialog, static_cast<const char*>(data->lpData));
    if (IsIconic(dialog))
        ShowWindow(dialog, SW_RESTORE);
    // A dialog of the window's own comes forward with it.
    SetForegroundWindow(GetLastActivePopup(dialog));
    return true;
}

void QueuePage(HWND dialog, const char* path)
{
    if (!CopyText(queuedPage, sizeof queuedPage, path))
        queuedPage[0] = 0;
    pageQueued = true;
    // The loop looks for queued pages after each message; with a full queue
    // the next message that comes opens it.
    PostMessageA(dialog, pageQueuedMessage, 0, 0);
}

void OpenQueuedPages()
{
    // A page handed over while this one's question is open waits for it.
    while (pageQueued) {
        char page[260];
        CopyText(page, sizeof page, queuedPage);
        pageQueued = false;
        OpenPageFile(page);
    }
}
