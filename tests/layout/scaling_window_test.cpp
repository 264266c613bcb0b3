// The main window and the About box on a first start at whatever scaling and
// screen the prefix has: inside the work area, the minimum size kept, and no
// caption, menu, button or label text wider than the room it is drawn in.
// With TALLISK_SHOT set, the window stays up until that file's ".taken" twin
// appears, so that the caller can take a screenshot of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/window/harness.h"
#include "ui/about.h"
#include "ui/layout.h"
#include "ui/winmain.h"

namespace {

// The text's width and height in a font, with "&" marks taken as the controls take them.
SIZE TextSize(HWND window, HFONT font, const std::string& text, UINT format)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    RECT rect = {0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE | format);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return SIZE {rect.right - rect.left, rect.bottom - rect.top};
}

// A push button draws its text inside its edges; a label uses its whole client area.
BOOL CALLBACK ExpectChildTextFits(HWND child, LPARAM)
{
    std::string text = WindowText(child);
    char className[32] = "";
    GetClassNameA(child, className, sizeof className);
    if (text.empty() || _stricmp(className, "Edit") == 0 || _stricmp(className, "msctls_statusbar32") == 0)
        return TRUE;
    RECT client;
    GetClientRect(child, &client);
    int room = client.right;
    if (_stricmp(className, "Button") == 0)
        room -= 2 * (GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXBORDER));
    HFONT font = (HFONT)SendMessageA(child, WM_GETFONT, 0, 0);
    SIZE size = TextSize(child, font ? font : (HFONT)GetStockObject(SYSTEM_FONT), text, 0);
    EXPECT_LE(size.cx, room) << "cut: \"" << text << "\"";
    EXPECT_LE(size.cy, client.bottom) << "cut in height: \"" << text << "\"";
    return TRUE;
}

NONCLIENTMETRICSA NonClientMetrics()
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    EXPECT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    return metrics;
}

void ExpectCaptionFits(HWND window)
{
    NONCLIENTMETRICSA metrics = NonClientMetrics();
    HFONT font = CreateFontIndirectA(&metrics.lfCaptionFont);
    RECT outer = OuterRect(window);
    // Icon and the three caption buttons take their share of the caption.
    int room = outer.right - outer.left - 2 * GetSystemMetrics(SM_CXSIZEFRAME) - GetSystemMetrics(SM_CXSMICON)
        - 3 * GetSystemMetrics(SM_CXSIZE);
    EXPECT_LE(TextSize(window, font, WindowText(window), 0).cx, room) << "caption cut";
    DeleteObject(font);
}

void ExpectMenuBarFits(HWND window)
{
    NONCLIENTMETRICSA metrics = NonClientMetrics();
    HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
    HMENU menu = GetMenu(window);
    RECT outer = OuterRect(window);
    ASSERT_GT(GetMenuItemCount(menu), 0);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        RECT item;
        ASSERT_TRUE(GetMenuItemRect(window, menu, i, &item));
        EXPECT_TRUE(item.left >= outer.left && item.right <= outer.right)
            << "menu item off the window: " << text;
        EXPECT_LE(TextSize(window, font, text, 0).cx, item.right - item.left) << "menu item cut: " << text;
    }
    DeleteObject(font);
}

bool CheckAboutBox(HWND box)
{
    ExpectCaptionFits(box);
    EnumChildWindows(box, ExpectChildTextFits, 0);
    return false;
}

// Keeps the window up, its messages handled, until the caller took its picture.
void WaitForScreenshot(const char* ready)
{
    FILE* file = fopen(ready, "w");
    ASSERT_TRUE(file != NULL) << ready;
    ASSERT_EQ(6, fprintf(file, "ready\n"));
    ASSERT_EQ(0, fclose(file));
    std::string taken = std::string(ready) + ".taken";
    for (int waited = 0; GetFileAttributesA(taken.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 50) {
        ASSERT_LT(waited, 30000) << "no screenshot taken";
        PumpMessages();
        Sleep(50);
    }
}

TEST(Scaling, FirstStartFitsTheScreenAndCutsNoText)
{
    RemovePath(ProgramFile("conf"));
    HWND dialog = CreateMainWindow();
    ASSERT_TRUE(dialog != NULL);
    RECT outer = OuterRect(dialog);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& work = monitor.rcWork;
    HDC screen = GetDC(NULL);
    printf("%d DPI, work area %ldx%ld: window %ldx%ld at (%ld,%ld), minimum %dx%d\n",
        GetDeviceCaps(screen, LOGPIXELSY), work.right - work.left, work.bottom - work.top,
        outer.right - outer.left, outer.bottom - outer.top, outer.left, outer.top, MainLayout.minWidth,
        MainLayout.minHeight);
    ReleaseDC(NULL, screen);

    EXPECT_TRUE(outer.left >= work.left && outer.top >= work.top && outer.right <= work.right
        && outer.bottom <= work.bottom);
    EXPECT_GE(outer.right - outer.left, MainLayout.minWidth);
    EXPECT_GE(outer.bottom - outer.top, MainLayout.minHeight);
    ExpectCaptionFits(dialog);
    ExpectMenuBarFits(dialog);
    EnumChildWindows(dialog, ExpectChildTextFits, 0);

    // The minimum fits the screen and still holds: the controls are fitted no smaller.
    EXPECT_LE(MainLayout.minWidth, work.right - work.left);
    EXPECT_LE(MainLayout.minHeight, work.bottom - work.top);
    MoveWindow(dialog, work.left, work.top, 1, 1, TRUE);
    EXPECT_EQ(MainLayout.minWidth, MainLayout.appliedWidth);
    EXPECT_EQ(MainLayout.minHeight, MainLayout.appliedHeight);
    MoveWindow(dialog, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top, TRUE);

    answerShown = CheckAboutBox;
    ShowAboutBox(dialog);
    answerShown = NULL;
    ASSERT_EQ(1u, shown.size());

    if (const char* ready = getenv("TALLISK_SHOT"))
        WaitForScreenshot(ready);
    DestroyMainWindow(dialog);
    RemovePath(ProgramFile("conf"));
}

}  // namespace
