// The Help menu: the About box with its link button, and the manual.
#include "ui/about.h"

#include <shellapi.h>

#include "files/progfiles.h"
#include "ui/layout.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

// Posted by the link button; the box opens the link when that message comes.
// Opening it straight from the button's notification runs the shell inside
// the key-up or click that pressed it, and under Wine the shell's wait for
// the .url handler can leave that input message in the queue for good: the
// box then sees it again and again and stops answering.
static constexpr UINT openLinkMessage = WM_APP + 1;

static void FillAboutTexts(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_ABOUT_LINE1, programTitle);
    SetDlgItemTextA(dialog, IDC_ABOUT_LINE2, aboutSecondLine);
    SetDlgItemTextA(dialog, IDC_LINK_BUTTON, webAddress);
    SetDlgItemTextA(dialog, IDC_LINK_LABEL, linkLabel);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        FillAboutTexts(dialog);
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            break;
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_LINK_BUTTON:
            PostOrRunNow(dialog, openLinkMessage, 0);
            return TRUE;
        }
        break;
    case openLinkMessage:
        // The box stays open; a link that cannot be written opens nothing.
        OpenLinkFile(webAddress, "about.url");
        return TRUE;
    case WM_DESTROY:
        return TRUE;
    }
    return DialogFallback(dialog, message, wParam, lParam);
}

void ShowAboutBox(HWND owner)
{
    DialogBoxParamA(programInstance, "About", owner, AboutDialogProc, 0);
}

void OpenManual()
{
    char path[programFilePathSize];
    if (GetProgramFilePath(path, "manual.htm"))
        ShellExecuteA(NULL, NULL, path, NULL, NULL, SW_SHOWNORMAL);
}
