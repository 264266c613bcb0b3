// "conf" next to the test program, read when the real main dialog starts and
// written when it closes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "builder/filecommands.h"
#include "files/settings.h"
#include "tests/window/harness.h"
#include "ui/layout.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

namespace {

std::string Int32(unsigned int v)
{
    return std::string {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

std::string Conf(const std::string& name, const std::string& folder, unsigned int untitled, int left, int top,
    int w, int h)
{
    return name + '\0' + folder + '\0' + Int32(untitled) + Int32(left) + Int32(top) + Int32(w) + Int32(h);
}

const std::string example = Conf("calc.htm", "D:\\Calc\\", 0, 100, 50, 0, 24);

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemovePath(conf);
        // The template's place, as a first start shows it.
        HWND dialog = CreateMainWindow();
        templateRect = OuterRect(dialog);
        DestroyMainWindow(dialog);
    }
    void TearDown() override
    {
        DestroyMainWindow(dialog);
        RemovePath(conf);
    }
    HWND Start(const std::string& bytes)
    {
        EXPECT_TRUE(WriteWholeFile(conf, bytes));
        dialog = CreateMainWindow();
        return dialog;
    }
    std::string NewCaption() { return std::string(programTitle) + " - New"; }
    void ExpectNewStateAtTemplatePlace()
    {
        EXPECT_EQ(NewCaption(), WindowText(dialog));
        EXPECT_EQ(1, isUntitled);
        RECT outer = OuterRect(dialog);
        EXPECT_TRUE(EqualRect(&templateRect, &outer));
    }
    void ExpectOneReadError()
    {
        ASSERT_EQ(1u, shown.size());
        EXPECT_EQ(ProgramString(IDS_CONF_READ_FAILED), shown[0].text);
        EXPECT_TRUE(shown[0].owner == NULL);
        shown.clear();
    }
    const std::string conf = ProgramFile("conf");
    RECT templateRect;
    HWND dialog = NULL;
};

TEST_F(Settings, FirstStartWithoutConf)
{
    dialog = CreateMainWindow();
    ExpectNewStateAtTemplatePlace();
    EXPECT_TRUE(shown.empty());
    // Showing the dialog fits it once, which counts as a size change: the
    // first close already writes the New state and the template's place.
    EXPECT_EQ(1, settingsDirty);
    CloseMainWindow(dialog);
    EXPECT_EQ(
        Conf("", "", 1, templateRect.left, templateRect.top, MainLayout.appliedWidth - MainLayout.minWidth,
            MainLayout.appliedHeight - MainLayout.minHeight),
        ReadWholeFile(conf));
    EXPECT_TRUE(shown.empty());
}

TEST_F(Settings, CleanRunLeavesConfAlone)
{
    Start(example + "x");
    settingsDirty = 0;
    SaveSettings();
    EXPECT_EQ(example + "x", ReadWholeFile(conf));
}

TEST_F(Settings, ExampleRestoresFilePlaceAndSize)
{
    // Bytes after the last field are ignored.
    for (const std::string& bytes : {example, example + "more"}) {
        Start(bytes);
        EXPECT_TRUE(shown.empty());
        EXPECT_EQ(std::string(programTitle) + " - D:\\Calc\\calc.htm", WindowText(dialog));
        EXPECT_EQ(0, isUntitled);
        RECT outer = OuterRect(dialog);
        EXPECT_EQ(100, outer.left);
        EXPECT_EQ(50, outer.top);
        EXPECT_EQ(MainLayout.minWidth, outer.right - outer.left);
        EXPECT_EQ(MainLayout.minHeight + 24, outer.bottom - outer.top);
        // The restored size was fitted like any other.
        EXPECT_EQ(MainLayout.minHeight + 24, MainLayout.appliedHeight);
        EXPECT_EQ(1, settingsDirty);
        DestroyMainWindow(dialog);
    }
}

TEST_F(Settings, StoredValuesAreTakenAsTheyStand)
{
    // A name as long as a path allows, negative coordinates, no range check.
    std::string longest(259, 'n');
    Start(Conf(longest, "", 0, -8, -5, 10, 20));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(std::string(programTitle) + " - " + longest, WindowText(dialog));
    RECT outer = OuterRect(dialog);
    EXPECT_EQ(-8, outer.left);
    EXPECT_EQ(-5, outer.top);
    EXPECT_EQ(MainLayout.minWidth + 10, outer.right - outer.left);
    DestroyMainWindow(dialog);

    // Any non-zero flag is the New state; name and folder stay for the file dialogs.
    Start(Conf("a.htm", "C:\\x\\", 2, 30, 40, 0, 0));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(NewCaption(), WindowText(dialog));
    EXPECT_EQ(1, isUntitled);
    EXPECT_STREQ("a.htm", currentFileName);
    EXPECT_STREQ("C:\\x\\", currentFolder);
    EXPECT_EQ(30, OuterRect(dialog).left);
}

TEST_F(Settings, PlaceOffTheScreenOrLargerIsBroughtInside)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(GetDesktopWindow(), MONITOR_DEFAULTTOPRIMARY), &monitor));
    const RECT work = monitor.rcWork;
    const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    struct {
        int left, top, extraWidth, extraHeight;
    } places[] = {
        {5000, 3000, 0, 24},  // a monitor that is gone
        {-2000, 100, 40, 0},  // left of the screen
        {100, work.bottom - 3, 0, 0},  // only the top edge shows
        {0, 0, 5000, 5000},  // larger than the screen
    };
    for (const auto& place : places) {
        std::string bytes
            = Conf("calc.htm", "D:\\Calc\\", 0, place.left, place.top, place.extraWidth, place.extraHeight);
        Start(bytes);
        EXPECT_TRUE(shown.empty());
        RECT outer = OuterRect(dialog);
        int width = outer.right - outer.left, height = outer.bottom - outer.top;
        EXPECT_TRUE(outer.left >= work.left && outer.top >= work.top && outer.right <= work.right
            && outer.bottom <= work.bottom)
            << "stored at " << place.left << "," << place.top;
        EXPECT_EQ(std::min(MainLayout.minWidth + place.extraWidth, std::max(workWidth, MainLayout.minWidth)),
            width);
        EXPECT_EQ(
            std::min(MainLayout.minHeight + place.extraHeight, std::max(workHeight, MainLayout.minHeight)),
            height);
        // The controls were fitted to the new size; the load wrote nothing.
        EXPECT_EQ(width, MainLayout.appliedWidth);
        EXPECT_EQ(height, MainLayout.appliedHeight);
        EXPECT_EQ(bytes, ReadWholeFile(conf));
        DestroyMainWindow(dialog);
    }
}

TEST_F(Settings, DamagedFileGivesOneMessageAndTheNewState)
{
    const std::string damaged[] = {
        "",  // empty
        std::string(260, 'n') + '\0' + example,  // a name with no zero in 260 bytes
        Conf(std::string(130, 'n'), std::string(130, 'f'), 0, 1, 2, 3, 4),  // joined past a path
    };
    for (const std::string& bytes : damaged) {
        Start(bytes);
        ExpectOneReadError();
        ExpectNewStateAtTemplatePlace();
        EXPECT_LT(strlen(currentFileName), sizeof currentFileName);
        DestroyMainWindow(dialog);
    }
    // Cut short inside each field: name, folder, flag, left, top, width, height.
    const size_t cuts[] = {4, 12, 20, 24, 28, 32, 37};
    for (size_t cut : cuts) {
        Start(example.substr(0, cut));
        ExpectOneReadError();
        ExpectNewStateAtTemplatePlace();
        DestroyMainWindow(dialog);
    }
    // What was read before the damage stays as the dialogs' starting point.
    EXPECT_STREQ("calc.htm", currentFileName);
    EXPECT_STREQ("D:\\Calc\\", currentFolder);
}

TEST_F(Settings, SavedAtCloseAndLoadedAgain)
{
    Start(example);
    MoveWindow(dialog, 120, 70, MainLayout.minWidth + 40, MainLayout.minHeight + 30, FALSE);
    CloseMainWindow(dialog);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(Conf("calc.htm", "D:\\Calc\\", 0, 120, 70, 40, 30), ReadWholeFile(conf));

    Start(ReadWholeFile(conf));
    EXPECT_EQ(std::string(programTitle) + " - D:\\Calc\\calc.htm", WindowText(dialog));
    RECT outer = OuterRect(dialog);
    EXPECT_EQ(120, outer.left);
    EXPECT_EQ(70, outer.top);
    EXPECT_EQ(MainLayout.minWidth + 40, outer.right - outer.left);
    EXPECT_EQ(MainLayout.minHeight + 30, outer.bottom - outer.top);
    // New, then close: the flag is stored, and the example loads byte for byte back out.
    SendMessageA(dialog, WM_COMMAND, IDM_NEW, 0);
    MoveWindow(dialog, 100, 50, MainLayout.minWidth, MainLayout.minHeight + 24, FALSE);
    CloseMainWindow(dialog);
    EXPECT_EQ(Conf("calc.htm", "D:\\Calc\\", 1, 100, 50, 0, 24), ReadWholeFile(conf));
}

TEST_F(Settings, UnwritableProgramFolderSaysSoAndStillCloses)
{
    // fopen "wb" fails on a directory even for root, who ignores read-only modes.
    ASSERT_TRUE(CreateDirectoryA(conf.c_str(), NULL));
    dialog = CreateMainWindow();
    EXPECT_TRUE(shown.empty());  // unreadable: silently the New state
    ExpectNewStateAtTemplatePlace();
    SendMessageA(dialog, WM_MOVING, 0, (LPARAM)&templateRect);
    CloseMainWindow(dialog);
    EXPECT_FALSE(IsWindow(dialog));
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(ProgramString(IDS_CONF_WRITE_FAILED), shown[0].text);
    EXPECT_TRUE(shown[0].owner == NULL);
}

}  // namespace
