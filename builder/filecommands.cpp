// The four file commands of the main window (New, Launch, Select Launch,
// Create Launch and Create Launch As...) and the current calculator file.
#include "builder/filecommands.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "builder/page.h"
#include "builder/scan.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

char currentFolder[260];
char currentFileName[260];
int isUntitled;

// OFN_FILEMUSTEXIST | OFN_HIDEREADONLY for both dialogs.
static const DWORD calculatorDialogFlags = 0x1004;
static const char saveDialogTitle[] = "Specify a calculator file name to save as and to lauch";
static const char openDialogTitle[] = "Select a calculator to lauch";

void ShowTitleWithFile(const char* text)
{
    // Title (11), separator (3) and a path of up to 259 characters fit.
    char caption[280] = "";
    CopyText(caption, sizeof caption, programTitle);
    AppendText(caption, sizeof caption, " - ");
    AppendText(caption, sizeof caption, text);
    SetWindowTextA(mainWindow, caption);
}

void NewCalculator()
{
    isUntitled = 1;
    ShowTitleWithFile("New");
    SetDlgItemTextA(mainWindow, IDC_NAME, "");
    SetDlgItemTextA(mainWindow, IDC_VARIABLES, "");
    SetDlgItemTextA(mainWindow, IDC_FUNCTION, "");
}

bool ComposeCurrentPath(char* path)
{
    // The settings file may restore a folder and a name that join to more
    // than a path holds; such a file cannot be written or opened.
    path[0] = 0;
    if (!CopyText(path, 260, currentFolder) || !AppendText(path, 260, currentFileName)) {
        path[0] = 0;
        isUntitled = 1;
        ShowTitleWithFile("New");
        return false;
    }
    isUntitled = 0;
    ShowTitleWithFile(path);
    return true;
}

void FillCalculatorFilter(char* filter)
{
    static const UINT ids[]
        = {IDS_FILTER_HTML_NAME, IDS_FILTER_HTML_PATTERN, IDS_FILTER_ALL_NAME, IDS_FILTER_ALL_PATTERN};
    char* at = filter;
    for (UINT id : ids) {
        at[0] = 0;
        LoadStringA(programInstance, id, at, 260);
        at += strlen(at) + 1;
    }
    at[0] = 0;
}

// The selected filter's pattern after its "*." is the default extension,
// unless it is "*" (or nothing). index counts from 1.
static const char* FilterDefaultExtension(const char* filter, int index)
{
    const char* at = filter;
    for (int skipped = 1; skipped < index; ++skipped) {
        at += strlen(at) + 1;
        at += strlen(at) + 1;
    }
    at += strlen(at) + 1;
    if (strlen(at) < 2)
        return NULL;
    at += 2;
    if (*at == '*' || *at == 0)
        return NULL;
    return at;
}

BOOL ShowFileDialog(char* folder, char* fileName, FilterBuilder buildFilter, HWND owner, const char* title,
    DWORD flags, BOOL openDialog)
{
    char file[260] = "";
    CopyText(file, sizeof file, fileName);
    char filter[filterListSize] = "";
    const char* defaultExtension = NULL;
    DWORD filterIndex = 0;
    if (buildFilter != NULL) {
        buildFilter(filter);
        filterIndex = 1;
        defaultExtension = FilterDefaultExtension(filter, filterIndex);
    }

    OPENFILENAMEA record = {};
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record.hwndOwner = owner;
    record.lpstrFilter = buildFilter != NULL ? filter : NULL;
    record.nFilterIndex = filterIndex;
    record.lpstrFile = file;
    record.nMaxFile = sizeof file;
    record.lpstrFileTitle = fileName;
    record.nMaxFileTitle = 260;
    record.lpstrInitialDir = folder;
    record.lpstrTitle = title;
    record.Flags = flags;
    record.lpstrDefExt = defaultExtension;

    BOOL confirmed = openDialog ? GetOpenFileNameA(&record) : GetSaveFileNameA(&record);
    if (!confirmed)
        return FALSE;
    // What comes before the name is the folder, with its trailing separator.
    if (record.nFileOffset < sizeof file)
        file[record.nFileOffset] = 0;
    CopyText(folder, 260, file);
    return TRUE;
}

char* ReadEditText(int controlId)
{
    // An editor can hold more than its limit (text set by the program), and
    // a text as long as the limit would lose its last character.
    HWND editor = GetDlgItem(mainWindow, controlId);
    size_t limit = static_cast<size_t>(SendMessageA(editor, EM_GETLIMITTEXT, 0, 0));
    size_t length = static_cast<size_t>(GetWindowTextLengthA(editor));
    size_t size = length >= limit ? length + 1 : limit;
    char* text = static_cast<char*>(calloc(size, 1));
    if (text != NULL)
        GetDlgItemTextA(mainWindow, controlId, text, static_cast<int>(size));
    return text;
}

int ShowStringMessage(HWND owner, HINSTANCE instance, UINT titleId, UINT textId, UINT type)
{
    char title[260] = "";
    char text[260] = "";
    LoadStringA(instance, titleId, title, sizeof title);
    LoadStringA(instance, textId, text, sizeof text);
    return MessageBoxA(owner, text, title, type);
}

static void OpenWithShell(const char* path)
{
    ShellExecuteA(NULL, NULL, path, NULL, NULL, SW_SHOWNORMAL);
}

// Writes the page from the three editors; false when anything fell short.
static bool WriteEditorsAsPage(FILE* page)
{
    char* name = ReadEditText(IDC_NAME);
    char* variables = ReadEditText(IDC_VARIABLES);
    char* function = ReadEditText(IDC_FUNCTION);
    bool written = name != NULL && variables != NULL && function != NULL
        && WriteCalculatorPage(page, name, variables, function);
    free(name);
    free(variables);
    free(function);
    return written;
}

// Asks for a file when there is no current one or the dialog is forced, and
// makes it current; false when the dialog was cancelled or the path is unusable.
static bool ChooseCurrentFile(BOOL forceDialog, const char* title, BOOL openDialog, char* path)
{
    if ((isUntitled || forceDialog)
        && !ShowFileDialog(currentFolder, currentFileName, FillCalculatorFilter, mainWindow, title,
            calculatorDialogFlags, openDialog))
        return false;
    return ComposeCurrentPath(path);
}

void CreateLaunch(BOOL forceDialog)
{
    char path[260];
    if (!ChooseCurrentFile(forceDialog, saveDialogTitle, FALSE, path))
        return;
    FILE* page = fopen(path, "wb");
    if (page == NULL) {
        ShowStringMessage(mainWindow, programInstance, IDS_ERROR_TITLE, IDS_OPEN_FAILED, MB_OK);
        return;
    }
    bool written = WriteEditorsAsPage(page);
    // A small page sits in the stream's buffer: a full disk only shows when
    // it is flushed, so check that too before the page counts as written.
    written = fflush(page) == 0 && written;
    written = fclose(page) == 0 && written;
    if (!written) {
        ShowStringMessage(mainWindow, programInstance, IDS_ERROR_TITLE, IDS_WRITE_FAILED, MB_OK);
        return;
    }
    OpenWithShell(path);
}

void LaunchCalculator(BOOL forceDialog)
{
    char path[260];
    if (ChooseCurrentFile(forceDialog, openDialogTitle, TRUE, path))
        OpenWithShell(path);
}
