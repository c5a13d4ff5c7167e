// The dialog base on a real dialog: the object is reached from WM_INITDIALOG on, commands
// and notifications reach it, what it gives to end() is what run() returns, and nothing it
// throws crosses the system's frames.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "program/modal_dialog.h"
#include "resources/resource.h"

namespace {

using telvia::program::ModalDialog;

// Runs the About box template; each handler does what the test gives it.
class ScriptedDialog final : public ModalDialog {
public:
    std::function<bool(ScriptedDialog&)> init;
    std::function<bool(ScriptedDialog&, int)> command;
    std::vector<int> commands;
    std::vector<UINT> notifications;

    INT_PTR runAbout() { return run(GetModuleHandleW(nullptr), IDD_ABOUT, nullptr); }

    using ModalDialog::end;
    using ModalDialog::window;

protected:
    bool onInit() override { return init(*this); }
    bool onCommand(int id, int) override
    {
        commands.push_back(id);
        return command ? command(*this, id) : false;
    }
    bool onNotify(const NMHDR& header, LRESULT& result) override
    {
        notifications.push_back(header.code);
        result = 42;
        end(IDOK);
        return true;
    }
};

TEST(ModalDialogTest, ForwardsToTheObjectAndReturnsWhatItEndedWith)
{
    const struct {
        const char* name;
        std::function<bool(ScriptedDialog&)> init;
        INT_PTR result;
    } cases[] = {
        {"ends in init", [](ScriptedDialog& d) { d.end(7); return true; }, 7},
        {"a command ends it",
         [](ScriptedDialog& d) {
             PostMessageW(d.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
             return true;
         },
         IDCANCEL},
        {"a throwing init ends as failed",
         [](ScriptedDialog&) -> bool { throw std::runtime_error("init"); }, ModalDialog::failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDialog dialog;
        dialog.init = c.init;
        dialog.command = [](ScriptedDialog& d, int id) {
            d.end(id);
            return true;
        };
        EXPECT_EQ(dialog.runAbout(), c.result);
    }
}

TEST(ModalDialogTest, AThrowingCommandHandlerEndsTheDialogAsFailed)
{
    ScriptedDialog dialog;
    dialog.init = [](ScriptedDialog& d) {
        PostMessageW(d.window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    };
    dialog.command = [](ScriptedDialog&, int) -> bool { throw std::runtime_error("command"); };
    EXPECT_EQ(dialog.runAbout(), ModalDialog::failed);
    EXPECT_EQ(dialog.commands, std::vector<int>{IDOK});
}

TEST(ModalDialogTest, NotificationsReachTheObjectAndTheirResultTheSender)
{
    ScriptedDialog dialog;
    LRESULT answered = 0;
    dialog.init = [&answered](ScriptedDialog& d) {
        NMHDR header{};
        header.hwndFrom = d.window();
        header.idFrom = IDOK;
        header.code = NM_CLICK;
        answered = SendMessageW(d.window(), WM_NOTIFY, IDOK, reinterpret_cast<LPARAM>(&header));
        return true;
    };
    EXPECT_EQ(dialog.runAbout(), IDOK);
    EXPECT_EQ(dialog.notifications, std::vector<UINT>{static_cast<UINT>(NM_CLICK)});
    EXPECT_EQ(answered, 42);
}

}  // namespace
