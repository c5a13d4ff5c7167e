// Starting the program, the single instance, and every way the user closes it.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/registry.h"
#include "driver/window_search.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

using StartAndExit = Scenario;

TEST_F(StartAndExit, ShowsTheWindowTitledWithTheProductName)
{
    TelviaProcess& telvia = startAndWaitForWindow();

    EXPECT_EQ(telvia.title(), L"Telvia");
    EXPECT_TRUE(IsWindowVisible(telvia.mainWindow()));

    telvia.postCommand(command::exit);
    EXPECT_EQ(telvia.waitForExit(), 0u);
}

TEST_F(StartAndExit, EveryWayOfClosingTheWindowEndsTheProcessWithCodeZero)
{
    struct Case {
        const char* name;
        std::function<void(const TelviaProcess&)> close;
    };
    const Case cases[] = {
        {"Exit command", [](const TelviaProcess& p) { p.postCommand(command::exit); }},
        {"close box", [](const TelviaProcess& p) { p.post(WM_CLOSE, 0, 0); }},
        {"Alt+F4", [](const TelviaProcess& p) { p.post(WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TelviaProcess& telvia = startAndWaitForWindow();
        const HWND window = telvia.mainWindow();

        c.close(telvia);

        EXPECT_EQ(telvia.waitForExit(), 0u);
        EXPECT_FALSE(IsWindow(window));
    }
}

// A visible top-level window of this process that takes the foreground from the program.
class OtherWindow {
public:
    OtherWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~OtherWindow() { DestroyWindow(window_); }
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;

    [[nodiscard]] HWND handle() const { return window_; }

private:
    HWND window_;
};

TEST_F(StartAndExit, SecondStartBringsTheFirstWindowBackAndEndsWithCodeZero)
{
    struct Case {
        const char* name;
        bool minimise;  // otherwise another window is put in front of it
    };
    for (const Case c : {Case{"minimised", true}, Case{"behind another window", false}}) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        TelviaProcess& first = startAndWaitForWindow();
        const HWND window = first.mainWindow();
        std::optional<OtherWindow> other;
        if (c.minimise) {
            ShowWindow(window, SW_MINIMIZE);
            ASSERT_TRUE(waitUntil([&] { return IsIconic(window) != FALSE; }));
        } else {
            const HWND front = other.emplace().handle();
            ASSERT_NE(front, nullptr);
            SetForegroundWindow(front);
            ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == front; }));
        }

        TelviaProcess& second = start();

        EXPECT_EQ(second.waitForExit(), 0u);
        EXPECT_TRUE(waitUntil([&] { return IsIconic(window) == FALSE && GetForegroundWindow() == window; }))
            << "minimised: " << IsIconic(window) << ", foreground: " << GetForegroundWindow()
            << ", first window: " << window;
        EXPECT_EQ(findTopLevelWindows(WindowQuery{}.ofClass(mainWindowClass)), std::vector<HWND>{window});
        // The first process writes only at its exit, so anything here came from the second.
        EXPECT_EQ(registry::valueNames(registry::settingsKey), std::vector<std::wstring>{});

        first.postCommand(command::exit);
        EXPECT_EQ(first.waitForExit(), 0u);
    }
}

}  // namespace
}  // namespace telvia::e2e
