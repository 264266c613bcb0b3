// The yardstick for Tallisk's start-up time: a bare modeless dialog with a few
// controls and a message loop, built with the same flags as Tallisk.exe.
#include <windows.h>

static INT_PTR CALLBACK BareDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(dialog);
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND dialog = CreateDialogParamA(instance, "BareDialog", NULL, BareDialogProc, 0);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (IsDialogMessageA(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
