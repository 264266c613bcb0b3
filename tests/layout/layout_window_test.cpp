// The real main dialog resized, its menus highlighted and its tooltips shown,
// and the About box opened from it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/window/harness.h"
#include "ui/about.h"
#include "ui/layout.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

namespace {

const int stack[] = {IDC_NAME, IDC_FUNCTION, IDC_VARIABLES, IDM_CREATE_LAUNCH, IDM_LAUNCH};

// A control's rectangle in the dialog's client coordinates.
RECT ChildRect(HWND dialog, int id)
{
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(NULL, dialog, (POINT*)&rect, 2);
    return rect;
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemovePath(ProgramFile("conf"));
        dialog = CreateMainWindow();
        ASSERT_TRUE(dialog != NULL);
        statusBar = GetDlgItem(dialog, IDC_STATUSBAR);
    }
    void TearDown() override
    {
        DestroyMainWindow(dialog);
        RemovePath(ProgramFile("conf"));
        RemovePath(ProgramFile("about.url"));
    }
    std::string StatusText()
    {
        // In simple mode the status bar answers for its simple text at part 0.
        char text[300] = {0};
        SendMessageA(statusBar, SB_GETTEXTA, 0, (LPARAM)text);
        return text;
    }
    bool StatusSimple() { return SendMessageA(statusBar, SB_ISSIMPLE, 0, 0) != 0; }
    void Resize(int width, int height)
    {
        RECT outer = OuterRect(dialog);
        MoveWindow(dialog, outer.left, outer.top, width, height, TRUE);
    }
    // Every control spans the fitted extra width; the function editor the extra height.
    void ExpectInvariant()
    {
        int width = MainLayout.appliedWidth - MainLayout.minWidth;
        for (int id : stack) {
            RECT r = ChildRect(dialog, id);
            EXPECT_EQ(width, r.right - r.left) << "control " << id;
        }
        RECT function = ChildRect(dialog, IDC_FUNCTION);
        EXPECT_EQ(MainLayout.appliedHeight - MainLayout.minHeight, function.bottom - function.top);
    }
    HWND dialog = NULL;
    HWND statusBar = NULL;
};

TEST_F(MainWindow, MeasuresItsMinimumFromTheTemplate)
{
    RECT outer = OuterRect(dialog);
    EXPECT_EQ(outer.right - outer.left, MainLayout.appliedWidth);
    EXPECT_EQ(outer.bottom - outer.top, MainLayout.appliedHeight);
    RECT function = ChildRect(dialog, IDC_FUNCTION);
    EXPECT_EQ(MainLayout.appliedWidth - (function.right - function.left), MainLayout.minWidth);
    EXPECT_EQ(MainLayout.appliedHeight - (function.bottom - function.top), MainLayout.minHeight);
    EXPECT_GT(MainLayout.minWidth, 0);
    EXPECT_GT(MainLayout.minHeight, 0);
    ExpectInvariant();

    MINMAXINFO info;
    memset(&info, 0x55, sizeof info);
    SendMessageA(dialog, WM_GETMINMAXINFO, 0, (LPARAM)&info);
    EXPECT_EQ(MainLayout.minWidth, info.ptMinTrackSize.x);
    EXPECT_EQ(MainLayout.minHeight, info.ptMinTrackSize.y);
    EXPECT_EQ(0x55555555, info.ptMaxTrackSize.x);
}

TEST_F(MainWindow, EverySizeFitsAndReturningRestoresEveryControl)
{
    RECT before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = ChildRect(dialog, stack[i]);
    RECT start = OuterRect(dialog);
    int width = start.right - start.left, height = start.bottom - start.top;

    const SIZE sizes[] = {{width + 120, height + 90}, {width + 7, height + 300}, {width + 200, height},
        {1, 1}, {width + 31, height + 17}};
    for (SIZE size : sizes) {
        Resize(size.cx, size.cy);
        RECT outer = OuterRect(dialog);
        EXPECT_EQ(outer.right - outer.left, MainLayout.appliedWidth);
        EXPECT_EQ(outer.bottom - outer.top, MainLayout.appliedHeight);
        ExpectInvariant();
        // The variables editor and the buttons keep their height and their gaps.
        for (int i = 2; i < 5; ++i) {
            RECT now = ChildRect(dialog, stack[i]);
            EXPECT_EQ(before[i].bottom - before[i].top, now.bottom - now.top);
            RECT above = ChildRect(dialog, stack[i - 1]);
            RECT above0 = before[i - 1];
            EXPECT_EQ(before[i].top - above0.bottom, now.top - above.bottom);
        }
    }
    // Too small is held at the minimum: no width, and a function editor with no height.
    Resize(1, 1);
    EXPECT_EQ(MainLayout.minWidth, MainLayout.appliedWidth);
    EXPECT_EQ(MainLayout.minHeight, MainLayout.appliedHeight);

    // Minimising and maximising are sizes like any other.
    ShowWindow(dialog, SW_MAXIMIZE);
    ExpectInvariant();
    ShowWindow(dialog, SW_RESTORE);
    ShowWindow(dialog, SW_MINIMIZE);
    ShowWindow(dialog, SW_RESTORE);
    Resize(width, height);
    for (int i = 0; i < 5; ++i) {
        RECT now = ChildRect(dialog, stack[i]);
        EXPECT_TRUE(EqualRect(&before[i], &now)) << "control " << stack[i];
    }
    EXPECT_EQ(1, settingsDirty);
}

TEST_F(MainWindow, StatusBarFollowsTheBottomEdge)
{
    RECT start = OuterRect(dialog);
    Resize(start.right - start.left + 50, start.bottom - start.top + 60);
    RECT client, bar;
    GetClientRect(dialog, &client);
    GetWindowRect(statusBar, &bar);
    MapWindowPoints(NULL, dialog, (POINT*)&bar, 2);
    EXPECT_EQ(client.bottom, bar.bottom);
    EXPECT_EQ(client.right - client.left, bar.right - bar.left);
}

TEST_F(MainWindow, MenuHelpInTheStatusBar)
{
    HMENU menuBar = GetMenu(dialog);
    ASSERT_TRUE(menuBar != NULL);
    SendMessageA(dialog, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE), (LPARAM)menuBar);
    EXPECT_TRUE(StatusSimple());
    EXPECT_EQ("Launch or save the calculator. Exit the program.", StatusText());
    SendMessageA(dialog, WM_MENUSELECT, MAKEWPARAM(1, MF_POPUP | MF_HILITE), (LPARAM)menuBar);
    EXPECT_EQ(ProgramString(IDS_HELP_POPUP_HELP), StatusText());
    EXPECT_NE("", StatusText());

    const struct {
        int popup;
        UINT id;
        const char* help;
    } entries[] = {{0, IDM_NEW, "Reset the file path and clear the sources."},
        {0, IDM_LAUNCH, "Launch the calculator file."},
        {0, IDM_SELECT_LAUNCH, "Select a calculator file and launch it."},
        {0, IDM_CREATE_LAUNCH, "Save to the calculator file and launch it."},
        {0, IDM_CREATE_LAUNCH_AS, "Save to a calculator file and launch it."},
        {0, IDM_EXIT, "Quit the program."},
        {1, IDM_MANUAL, "Open the manual for helps and license agreement."},
        {1, IDM_ABOUT, "Show the version and the copyright."}};
    for (auto entry : entries) {
        SendMessageA(
            dialog, WM_MENUSELECT, MAKEWPARAM(entry.id, MF_HILITE), (LPARAM)GetSubMenu(menuBar, entry.popup));
        EXPECT_TRUE(StatusSimple());
        EXPECT_EQ(entry.help, StatusText()) << "entry " << entry.id;
    }
    // Closing the menu empties the bar.
    SendMessageA(dialog, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_FALSE(StatusSimple());
}

TEST_F(MainWindow, TooltipsInTheirOrderWithHelpWhileShown)
{
    ASSERT_TRUE(mainTooltip != NULL);
    ASSERT_EQ(5, SendMessageA(mainTooltip, TTM_GETTOOLCOUNT, 0, 0));
    const struct {
        int id;
        UINT tip;
        const char* help;
    } tools[] = {{IDC_NAME, IDS_TIP_NAME, "Specify the calculator's name."},
        {IDC_FUNCTION, IDS_TIP_FUNCTION, "Specify the function"},
        {IDC_VARIABLES, IDS_TIP_VARIABLES, "Specify the variables."},
        {IDM_CREATE_LAUNCH, IDS_TIP_CREATE, "Save to the calculator file and launch it."},
        {IDM_LAUNCH, IDS_TIP_LAUNCH, "Launch the calculator file."}};
    for (int i = 0; i < 5; ++i) {
        HWND control = GetDlgItem(dialog, tools[i].id);
        TTTOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        ASSERT_TRUE(SendMessageA(mainTooltip, TTM_ENUMTOOLSA, i, (LPARAM)&tool));
        EXPECT_EQ((UINT_PTR)control, tool.uId) << "tool " << i;
        EXPECT_EQ(dialog, tool.hwnd);
        EXPECT_EQ(UINT(TTF_IDISHWND | TTF_SUBCLASS), tool.uFlags & (TTF_IDISHWND | TTF_SUBCLASS));

        NMHDR header = {mainTooltip, (UINT_PTR)control, (UINT)TTN_SHOW};
        SendMessageA(dialog, WM_NOTIFY, 0, (LPARAM)&header);
        EXPECT_TRUE(StatusSimple());
        EXPECT_EQ(tools[i].help, StatusText());
        header.code = TTN_POP;
        SendMessageA(dialog, WM_NOTIFY, 0, (LPARAM)&header);
        EXPECT_FALSE(StatusSimple());
    }
}

// The manifest in the resources makes the process take common controls 6,
// which every test here then runs against. It comes from the side-by-side
// store, not the system folder (Wine's copy reports version 5 either way).
TEST_F(MainWindow, RunsOnCommonControlsSix)
{
    char path[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, sizeof path), 0u);
    CharLowerA(path);
    EXPECT_TRUE(strstr(path, "\\winsxs\\") != NULL) << path;
    EXPECT_TRUE(strstr(path, "microsoft.windows.common-controls_6595b64144ccf1df_6.") != NULL) << path;
}

TEST_F(MainWindow, EveryChildHasTheDefaultGuiFont)
{
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    for (int id : stack)
        EXPECT_EQ((LRESULT)font, SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0)) << id;
    EXPECT_EQ((LRESULT)font, SendMessageA(statusBar, WM_GETFONT, 0, 0));
}

// The About box as it is seen when it comes up; the harness records its
// caption and owner.
struct AboutSeen {
    std::string line1, line2, link, label;
    LRESULT font = 0;
    bool linkOpenedInClick = false;
};
AboutSeen aboutSeen;
WPARAM aboutEnding;

std::string ItemText(HWND box, int id)
{
    return WindowText(GetDlgItem(box, id));
}

// Presses the link, then ends the box the way the test asks.
bool AnswerAbout(HWND box)
{
    aboutSeen.line1 = ItemText(box, IDC_ABOUT_LINE1);
    aboutSeen.line2 = ItemText(box, IDC_ABOUT_LINE2);
    aboutSeen.link = ItemText(box, IDC_LINK_BUTTON);
    aboutSeen.label = ItemText(box, IDC_LINK_LABEL);
    aboutSeen.font = SendDlgItemMessageA(box, IDC_LINK_BUTTON, WM_GETFONT, 0, 0);
    // The button opens the link by a message it posts, so the ending is
    // posted after that.
    SendMessageA(
        box, WM_COMMAND, MAKEWPARAM(IDC_LINK_BUTTON, BN_CLICKED), (LPARAM)GetDlgItem(box, IDC_LINK_BUTTON));
    aboutSeen.linkOpenedInClick
        = GetFileAttributesA(ProgramFile("about.url").c_str()) != INVALID_FILE_ATTRIBUTES;
    if (aboutEnding == SC_CLOSE)
        PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    else
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(aboutEnding, BN_CLICKED), 0);
    return true;
}

TEST_F(MainWindow, AboutBoxShowsItsTextsAndItsLinkWritesAboutUrl)
{
    answerShown = AnswerAbout;
    // OK, Escape and the close box each end it; the link leaves it open.
    const WPARAM endings[] = {IDOK, IDCANCEL, SC_CLOSE};
    for (WPARAM ending : endings) {
        aboutSeen = AboutSeen();
        aboutEnding = ending;
        shown.clear();
        RemovePath(ProgramFile("about.url"));
        SendMessageA(dialog, WM_COMMAND, IDM_ABOUT, 0);
        ASSERT_EQ(1u, shown.size()) << "ending " << ending;
        EXPECT_EQ("About", shown[0].caption);
        EXPECT_EQ(dialog, shown[0].owner);
        EXPECT_EQ(std::string(programTitle), aboutSeen.line1);
        EXPECT_EQ(std::string(aboutSecondLine), aboutSeen.line2);
        EXPECT_EQ(std::string(webAddress), aboutSeen.link);
        EXPECT_EQ(std::string(linkLabel), aboutSeen.label);
        EXPECT_EQ((LRESULT)GetStockObject(DEFAULT_GUI_FONT), aboutSeen.font);
        std::string link = ReadWholeFile(ProgramFile("about.url"));
        // Opened inside the click, the shell would wait inside that input
        // message, which Wine then can keep delivering for good.
        EXPECT_FALSE(aboutSeen.linkOpenedInClick);
        EXPECT_EQ("[InternetShortcut]\r\nURL=" + std::string(webAddress) + std::string(1, '\0'), link);
        EXPECT_TRUE(IsWindowEnabled(dialog));
    }
    answerShown = NULL;
    EXPECT_NE("", std::string(programTitle));
    EXPECT_NE("", std::string(aboutSecondLine));
}

}  // namespace
