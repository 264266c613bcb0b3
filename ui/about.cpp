// The Help menu: the About box with its link button, and the manual.
#include "ui/about.h"

#include <shellapi.h>

#include "files/progfiles.h"
#include "ui/layout.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

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
            // The box stays open; a link that cannot be written opens nothing.
            OpenLinkFile(webAddress, "about.url");
            return TRUE;
        }
        break;
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
