// The main window's own commands and what its menus show while the program runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/dialog.h"
#include "driver/menu_probe.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

using MainWindow = Scenario;

constexpr int aboutProductLine = 1009;

TEST_F(MainWindow, AboutBoxNamesProductAndVersionAndClosesWithOkOrCancel)
{
    TelviaProcess& telvia = startAndWaitForWindow();

    for (const int closer : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(closer == IDOK ? "OK" : "Cancel (Esc, close box)");
        // Posted: the box is modal, a sent command would return only when it closes.
        telvia.postCommand(command::about);
        const Dialog about = Dialog::waitForOwned(telvia);

        EXPECT_EQ(about.controlText(aboutProductLine), L"Telvia version " TELVIA_EXPECTED_VERSION);

        about.press(closer);
        EXPECT_TRUE(about.waitClosed());
        EXPECT_TRUE(telvia.running());
    }

    telvia.postCommand(command::exit);
    EXPECT_EQ(telvia.waitForExit(), 0u);
}

TEST_F(MainWindow, MenuBarHasItsFourHeadingsAndMarksVideoSize100AtStart)
{
    TelviaProcess& telvia = startAndWaitForWindow();

    const MenuDump menus = readMenus(telvia, workspace());

    ASSERT_TRUE(menus.hasMenuBar);
    EXPECT_EQ(topLevelTexts(menus.bar),
              (std::vector<std::wstring>{L"&Channels", L"Con&trol", L"&Video size", L"&Help"}));
    const MenuItem* stop = findItem(menus.bar, command::stop);
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->text, L"&Stop\tBackspace");
    EXPECT_EQ(stop->depth, 1);

    const struct {
        unsigned id;
        bool marked;
    } sizes[] = {
        {command::size50, false},
        {command::size100, true},
        {command::size200, false},
        {command::sizeFit, false},
    };
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.id);
        const MenuItem* item = findItem(menus.bar, size.id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->checked, size.marked);
        if (size.marked) {
            EXPECT_TRUE(item->radioCheck);
        }
    }
    EXPECT_FALSE(menus.popup.has_value());

    telvia.postCommand(command::exit);
    EXPECT_EQ(telvia.waitForExit(), 0u);
}

TEST_F(MainWindow, AltCOpensTheChannelsMenuWithSelectFirst)
{
    TelviaProcess& telvia = startAndWaitForWindow();
    ASSERT_FALSE(readMenus(telvia, workspace()).popup.has_value());

    // What Alt+C sends to the window: the menu bar opened at the heading with mnemonic C.
    telvia.post(WM_SYSCOMMAND, SC_KEYMENU, L'c');
    ASSERT_TRUE(waitUntil([&] {
        return !findTopLevelWindows(WindowQuery{}.ofProcess(telvia.id()).ofClass(L"#32768").visible()).empty();
    })) << "no pop-up menu opened";
    const MenuDump menus = readMenus(telvia, workspace());

    ASSERT_TRUE(menus.popup.has_value());
    ASSERT_FALSE(menus.popup->empty());
    EXPECT_EQ(menus.popup->front().id, 32797u);
    EXPECT_EQ(menus.popup->front().text, L"&Select\tCTRL+C");
    EXPECT_EQ(menus.popup->back().id, command::exit);

    // The menu loop still dispatches posted commands; Exit ends it together with the window.
    telvia.postCommand(command::exit);
    EXPECT_EQ(telvia.waitForExit(), 0u);
}

}  // namespace
}  // namespace telvia::e2e
