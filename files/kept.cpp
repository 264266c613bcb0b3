// Keeps the editors' texts in "kept" beside "conf". The file is written to a
// name of this process's own and then renamed over the old one, so that an
// interrupted write or a second copy of the program never leaves half a file.
#include "files/kept.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "builder/filecommands.h"
#include "files/keptformat.h"
#include "files/progfiles.h"
#include "ui/resource.h"
#include "ui/winmain.h"

int keptDirty;
bool keepingStopped;
bool keepFailureShown;

static const int keptEditors[keptTextCount] = {IDC_NAME, IDC_FUNCTION, IDC_VARIABLES};

static void ShowKeptMessage(UINT textId)
{
    ShowStringMessage(NULL, programInstance, IDS_ERROR_TITLE, textId, MB_OK | MB_ICONWARNING);
}

// A damaged file goes to the first free name of kept.damaged, kept.damaged2
// to kept.damaged9, so that an earlier one is not lost either.
static bool MoveDamagedAside(const char* path)
{
    for (int number = 1; number <= 9; ++number) {
        char name[] = "kept.damaged\0";
        if (number > 1)
            name[12] = (char)('0' + number);
        char aside[programFilePathSize];
        if (GetProgramFilePath(aside, name) && MoveFileA(path, aside))
            return true;
    }
    return false;
}

static void ShowKeptTexts(const KeptTexts* texts)
{
    for (int i = 0; i < keptTextCount; ++i)
        SetDlgItemTextA(mainWindow, keptEditors[i], texts->text[i]);
}

// Gives the editors what the file holds, or stops keeping for this run.
static void ReadKeptFile()
{
    char path[programFilePathSize];
    if (!GetProgramFilePath(path, "kept"))
        return;
    FILE* file = fopen(path, "rb");
    if (!file) {
        // Not there yet: a first start, or a folder of a version that kept nothing.
        if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
            keepingStopped = true;
            ShowKeptMessage(IDS_KEPT_READ_FAILED);
        }
        return;
    }
    KeptTexts texts;
    KeptResult result = ReadKeptTexts(file, &texts);
    fclose(file);
    if (result == keptOk) {
        ShowKeptTexts(&texts);
        FreeKeptTexts(&texts);
    } else if (result == keptRead || result == keptMemory) {
        keepingStopped = true;
        ShowKeptMessage(IDS_KEPT_READ_FAILED);
    } else if (MoveDamagedAside(path)) {
        ShowKeptMessage(IDS_KEPT_DAMAGED);
    } else {
        keepingStopped = true;
        ShowKeptMessage(IDS_KEPT_NOT_MOVED);
    }
}

void LoadKeptTexts()
{
    ReadKeptFile();
    // What the editors now hold is what the file holds, or all that can be had.
    KillTimer(mainWindow, IDT_KEEP_TEXTS);
    keptDirty = 0;
}

void NoteTextsChanged()
{
    keptDirty = 1;
    SetTimer(mainWindow, IDT_KEEP_TEXTS, keepDelay, NULL);
}

// Writes the editors' texts as the whole kept file.
static bool WriteKeptFile(FILE* file, void*)
{
    char* text[keptTextCount] = {};
    unsigned long length[keptTextCount] = {};
    bool read = true;
    for (int i = 0; i < keptTextCount; ++i) {
        text[i] = ReadEditText(keptEditors[i]);
        read = read && text[i] != NULL;
        length[i] = text[i] ? (unsigned long)strlen(text[i]) : 0;
    }
    bool written = read && WriteKeptTexts(file, text, length) == keptOk;
    for (int i = 0; i < keptTextCount; ++i)
        free(text[i]);
    return written;
}

void SaveKeptTexts()
{
    KillTimer(mainWindow, IDT_KEEP_TEXTS);
    if (!keptDirty || keepingStopped)
        return;
    if (ReplaceProgramFile("kept", WriteKeptFile, NULL)) {
        keptDirty = 0;
        return;
    }
    if (!keepFailureShown) {
        keepFailureShown = true;
        ShowKeptMessage(IDS_KEPT_WRITE_FAILED);
    }
}
