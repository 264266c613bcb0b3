// The file commands of the main window (New, Open, Launch, Select Launch,
// Create Launch and Create Launch As...) and the current calculator file. A
// page is the calculator's document: opening one fills the editors again, and
// nothing typed is replaced, nor another's page overwritten, without asking.
#include "builder/filecommands.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "builder/pagefile.h"
#include "builder/scan.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

char currentFolder[260];
char currentFileName[260];
int isUntitled;
DocumentState document;

// For both dialogs.
static const DWORD calculatorDialogFlags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
static const char saveDialogTitle[] = "Specify a calculator file name to save as and to lauch";
static const char openDialogTitle[] = "Select a calculator to lauch";
static const char editDialogTitle[] = "Select a calculator to edit";

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

static bool JoinPath(char* path, const char* folder, const char* name)
{
    path[0] = 0;
    return CopyText(path, 260, folder) && AppendText(path, 260, name);
}

// Makes folder + name the current file, and notes when that changed.
static bool MakeFileCurrent(const char* folder, const char* name, char* path)
{
    bool same = !isUntitled && strcmp(folder, currentFolder) == 0 && strcmp(name, currentFileName) == 0;
    CopyText(currentFolder, sizeof currentFolder, folder);
    CopyText(currentFileName, sizeof currentFileName, name);
    bool usable = ComposeCurrentPath(path);
    if (!same)
        document.fileChanged = true;
    return usable;
}

// The file dialog, starting from the current file, into folder and name (260
// bytes each); the current file changes only once the choice is taken.
static bool AskForFile(char* folder, char* name, const char* title, BOOL openDialog)
{
    CopyText(folder, 260, currentFolder);
    CopyText(name, 260, currentFileName);
    return ShowFileDialog(
        folder, name, FillCalculatorFilter, mainWindow, title, calculatorDialogFlags, openDialog);
}

static bool EditorsAreEmpty()
{
    return GetWindowTextLengthA(GetDlgItem(mainWindow, IDC_NAME)) == 0
        && GetWindowTextLengthA(GetDlgItem(mainWindow, IDC_VARIABLES)) == 0
        && GetWindowTextLengthA(GetDlgItem(mainWindow, IDC_FUNCTION)) == 0;
}

static int AskQuestion(UINT textId, UINT defaultButton)
{
    return ShowStringMessage(mainWindow, programInstance, IDS_QUESTION_TITLE, textId,
        MB_YESNOCANCEL | MB_ICONQUESTION | defaultButton);
}

// A page that is there but does not read back is another's calculator, or a
// page changed since: it is replaced only when the user says so.
static bool MayReplacePage(const char* path)
{
    if (!PageFileHasBytes(path))
        return true;
    PageTexts texts;
    PageReadResult result = ReadPageFile(path, &texts);
    FreePageTexts(&texts);
    return result == pageReadOk || AskQuestion(IDS_ASK_REPLACE_PAGE, MB_DEFBUTTON2) == IDYES;
}

// Writes the page from the three editors into path whole, or says why not.
static bool WriteEditorsAsPage(const char* path)
{
    char* name = ReadEditText(IDC_NAME);
    char* variables = ReadEditText(IDC_VARIABLES);
    char* function = ReadEditText(IDC_FUNCTION);
    WholeFileResult result = name != NULL && variables != NULL && function != NULL
        ? WritePageFile(path, name, variables, function)
        : fileNotWritten;
    free(name);
    free(variables);
    free(function);
    if (result == fileWritten)
        return true;
    ShowStringMessage(mainWindow, programInstance, IDS_ERROR_TITLE,
        result == fileNotCreated ? IDS_OPEN_FAILED : IDS_WRITE_FAILED, MB_OK);
    return false;
}

// Create Launch without its launch: asks for a file when there is none or
// the dialog is forced, and writes the editors' calculator there. path gets
// the page's path; false when nothing was written.
static bool WriteCalculator(BOOL forceDialog, char* path)
{
    char folder[260], name[260];
    CopyText(folder, sizeof folder, currentFolder);
    CopyText(name, sizeof name, currentFileName);
    bool asked = isUntitled || forceDialog;
    if (asked && !AskForFile(folder, name, saveDialogTitle, FALSE))
        return false;
    if (!MakeFileCurrent(folder, name, path))
        return false;
    // A file chosen in the save dialog was chosen to be written.
    if (!asked && !MayReplacePage(path))
        return false;
    if (!WriteEditorsAsPage(path))
        return false;
    document.textsInPage = true;
    return true;
}

// Before the editors' texts are replaced: true to go on. Texts that no page
// holds are written first if the user says so; wrote tells whether they were.
static bool KeepUnwrittenTexts(bool* wrote)
{
    *wrote = false;
    if (document.textsInPage || EditorsAreEmpty())
        return true;
    char path[260];
    switch (AskQuestion(IDS_ASK_WRITE_TEXTS, MB_DEFBUTTON1)) {
    case IDYES:
        *wrote = WriteCalculator(FALSE, path);
        return *wrote;
    case IDNO:
        return true;
    }
    return false;
}

static bool EditorHolds(int controlId, const char* text)
{
    char* held = ReadEditText(controlId);
    bool same = held != NULL && strcmp(held, text) == 0;
    free(held);
    return same;
}

static bool EditorsHold(const PageTexts* texts)
{
    return EditorHolds(IDC_NAME, texts->name) && EditorHolds(IDC_VARIABLES, texts->variables)
        && EditorHolds(IDC_FUNCTION, texts->function);
}

// The editors get the page's texts. They count as the page's only if the
// editors took them whole.
static void ShowPageTexts(const PageTexts* texts)
{
    SetDlgItemTextA(mainWindow, IDC_NAME, texts->name);
    SetDlgItemTextA(mainWindow, IDC_VARIABLES, texts->variables);
    SetDlgItemTextA(mainWindow, IDC_FUNCTION, texts->function);
    document.textsReplaced = true;
    document.textsInPage = EditorsHold(texts);
}

static UINT PageReadMessage(PageReadResult result)
{
    switch (result) {
    case pageNotCalculator:
        return IDS_PAGE_NOT_CALCULATOR;
    case pageChanged:
        return IDS_PAGE_CHANGED;
    case pageZeroByte:
        return IDS_PAGE_ZERO_BYTE;
    case pageTextTooLong:
        return IDS_PAGE_TOO_LONG;
    case pageReadMemory:
        return IDS_PAGE_NO_MEMORY;
    case pageTooLarge:
        return IDS_PAGE_TOO_LARGE;
    default:
        return IDS_PAGE_NOT_READ;
    }
}

// An open page's texts replace the editors' once the user agrees; the page
// becomes the current file. The texts were read before the question, whose
// Yes may have just written that very page: then it is read again. False
// when the user cancelled, or the page no longer reads back.
static bool LoadPage(const char* folder, const char* name, const char* path, PageTexts* texts)
{
    bool wrote;
    if (!KeepUnwrittenTexts(&wrote))
        return false;
    if (wrote) {
        FreePageTexts(texts);
        PageReadResult result = ReadPageFile(path, texts);
        if (result != pageReadOk) {
            ShowStringMessage(mainWindow, programInstance, IDS_ERROR_TITLE, PageReadMessage(result), MB_OK);
            return false;
        }
    }
    char current[260];
    MakeFileCurrent(folder, name, current);
    ShowPageTexts(texts);
    return true;
}

static void OpenCalculatorAt(const char* folder, const char* name)
{
    char path[260];
    PageTexts texts = {};
    PageReadResult result = JoinPath(path, folder, name) ? ReadPageFile(path, &texts) : pageReadFailed;
    if (result == pageReadOk)
        LoadPage(folder, name, path, &texts);
    else
        ShowStringMessage(mainWindow, programInstance, IDS_ERROR_TITLE, PageReadMessage(result), MB_OK);
    FreePageTexts(&texts);
}

void OpenCalculator()
{
    char folder[260], name[260];
    if (AskForFile(folder, name, editDialogTitle, TRUE))
        OpenCalculatorAt(folder, name);
}

void OpenCalculatorFile(const char* path)
{
    char folder[260] = "", name[260] = "";
    char* bareName = NULL;
    DWORD length = GetFullPathNameA(path, sizeof folder, folder, &bareName);
    if (length == 0 || length >= sizeof folder) {
        ShowStringMessage(mainWindow, programInstance, IDS_ERROR_TITLE, IDS_PAGE_NOT_READ, MB_OK);
        return;
    }
    // A path that ends in a separator names no file; the open says so.
    if (bareName != NULL) {
        CopyText(name, sizeof name, bareName);
        *bareName = 0;
    }
    OpenCalculatorAt(folder, name);
}

void StartNewCalculator()
{
    bool wrote;
    if (!KeepUnwrittenTexts(&wrote))
        return;
    bool changed = !isUntitled;
    NewCalculator();
    document.textsReplaced = true;
    document.textsInPage = true;
    if (changed)
        document.fileChanged = true;
}

void NoteEditorsChanged()
{
    document.textsInPage = false;
}

void NoteStartTexts()
{
    char path[260];
    PageTexts texts = {};
    document.textsInPage = !isUntitled && JoinPath(path, currentFolder, currentFileName)
        && ReadPageFile(path, &texts) == pageReadOk && EditorsHold(&texts);
    FreePageTexts(&texts);
}

void CreateLaunch(BOOL forceDialog)
{
    char path[260];
    if (WriteCalculator(forceDialog, path))
        OpenWithShell(path);
}

// A page chosen here is loaded as Open does, then launched; one that does not
// read back is launched with the editors as they are.
void LaunchCalculator(BOOL forceDialog)
{
    char path[260];
    if (!isUntitled && !forceDialog) {
        if (ComposeCurrentPath(path))
            OpenWithShell(path);
        return;
    }
    char folder[260], name[260];
    if (!AskForFile(folder, name, openDialogTitle, TRUE) || !JoinPath(path, folder, name))
        return;
    PageTexts texts = {};
    bool launch = ReadPageFile(path, &texts) == pageReadOk ? LoadPage(folder, name, path, &texts)
                                                           : MakeFileCurrent(folder, name, path);
    FreePageTexts(&texts);
    if (launch)
        OpenWithShell(path);
}
