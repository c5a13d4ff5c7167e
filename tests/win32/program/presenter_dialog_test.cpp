// The dialog procedure that forwards to a portable handler, on the program's own templates:
// initialisation, button commands (and nothing else of WM_COMMAND), the channel list's
// notifications, a move to a display of another resolution, a nested dialog owned by the first, and the dialog port over the main window.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "platform/dialog_port.h"
#include "program/dialogs.h"
#include "program/presenter_dialog.h"
#include "resources/resource.h"

namespace {

using telvia::DialogHandler;
using telvia::DialogView;
using telvia::program::PresenterDialog;
using telvia::test::WindowHandle;

// Records what reached it, one entry per event (a repeated list change counts once), and
// runs what the test gives it on init and on each command.
class ScriptedHandler final : public DialogHandler {
public:
    std::function<void(DialogView&)> init;
    std::function<void(DialogView&, int)> command;
    std::vector<std::string> events;

    void onInit(DialogView& view) override
    {
        view_ = &view;
        record("init");
        if (init) {
            init(view);
        }
    }
    void onCommand(int id) override
    {
        record("command " + std::to_string(id));
        if (command) {
            command(*view_, id);
        }
    }
    void onListItemChanged() override { record("item changed"); }
    void onListDoubleClick() override { record("double click"); }
    void onListDeleteKey() override { record("delete key"); }
    void onDpiChanged(int dpi) override { record("dpi " + std::to_string(dpi)); }

private:
    void record(const std::string& event)
    {
        if (events.empty() || events.back() != event || event.rfind("command", 0) == 0) {
            events.push_back(event);
        }
    }

    DialogView* view_ = nullptr;
};

// The dialog that the handler is running: given a title it can be found by.
HWND dialogTitled(DialogView& view, const wchar_t* title)
{
    view.setTitle(std::u16string(title, title + std::char_traits<wchar_t>::length(title)));
    return FindWindowW(L"#32770", title);
}

HINSTANCE thisModule() { return GetModuleHandleW(nullptr); }

class PresenterDialogTest : public ::testing::Test {
protected:
    void SetUp() override { telvia::test::initialiseCommonControls(); }
};

TEST_F(PresenterDialogTest, ButtonsAndTheListsNotificationsReachTheHandler)
{
    ScriptedHandler handler;
    HWND dialog = nullptr;
    handler.init = [&dialog](DialogView& view) {
        dialog = dialogTitled(view, L"Forwarding under test");
        auto& list = view.channelList();
        list.setListStyles();
        list.addColumn("Menu", telvia::TextEncoding::ansi, 50);
        // Rows going in while the handler sets up are not reported back to it.
        list.insertTopRow(false);
        list.insertTopRow(true);
        list.setChecked(0, true);
        HWND add = GetDlgItem(dialog, IDC_LIST_ADD);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LIST_ADD, BN_CLICKED),
                     reinterpret_cast<LPARAM>(add));
    };
    handler.command = [&dialog](DialogView& view, int id) {
        if (id == IDC_LIST_ADD) {
            HWND list = GetDlgItem(dialog, IDC_CHANNEL_LIST);
            view.channelList().selectRow(1);
            SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
            SendMessageW(list, WM_KEYDOWN, VK_INSERT, 0);  // another key: not forwarded
            NMITEMACTIVATE activate{};
            activate.hdr = {list, IDC_CHANNEL_LIST, static_cast<UINT>(NM_DBLCLK)};
            activate.iItem = 1;
            SendMessageW(dialog, WM_NOTIFY, IDC_CHANNEL_LIST, reinterpret_cast<LPARAM>(&activate));
            // The same notification from another control is not the list's.
            activate.hdr = {list, IDC_LIST_EDIT, static_cast<UINT>(NM_DBLCLK)};
            SendMessageW(dialog, WM_NOTIFY, IDC_LIST_EDIT, reinterpret_cast<LPARAM>(&activate));
            // Moved to a display of 144 dots per inch, with the place the system suggests.
            RECT suggested{};
            GetWindowRect(dialog, &suggested);
            SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
            // Esc goes through the dialog manager as Cancel.
            PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
        } else if (id == IDCANCEL) {
            view.end(7);
        }
    };
    PresenterDialog presenter(handler, thisModule());
    EXPECT_EQ(presenter.run(IDD_CHANNEL_LIST, nullptr), 7);
    EXPECT_EQ(handler.events, (std::vector<std::string>{"init", "command 3", "item changed",
                                                        "delete key", "double click", "dpi 144",
                                                        "command 2"}));
}

TEST_F(PresenterDialogTest, EditAndComboBoxNotificationsAreNotCommands)
{
    ScriptedHandler handler;
    HWND dialog = nullptr;
    handler.init = [&dialog](DialogView& view) {
        dialog = dialogTitled(view, L"Form under test");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    };
    handler.command = [&dialog](DialogView& view, int id) {
        if (id != IDOK) {
            return;
        }
        // Typing, setting texts and moving the focus: EN_* and CBN_* notifications.
        view.setText(IDC_FORM_NAME, u"Radio");
        SetFocus(GetDlgItem(dialog, IDC_FORM_NOTE));
        SendMessageW(GetDlgItem(dialog, IDC_FORM_NOTE), WM_CHAR, L'x', 0);
        SetFocus(GetDlgItem(dialog, IDC_FORM_COUNTRY));
        view.addComboItem(IDC_FORM_COUNTRY, u"DEU");
        view.selectComboItem(IDC_FORM_COUNTRY, 0);
        HWND combo = GetDlgItem(dialog, IDC_FORM_COUNTRY);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FORM_COUNTRY, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FORM_COUNTRY, CBN_DROPDOWN),
                     reinterpret_cast<LPARAM>(combo));
        // A click on the check box is a button's.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FORM_ON, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_FORM_ON)));
        view.end(3);
    };
    PresenterDialog presenter(handler, thisModule());
    EXPECT_EQ(presenter.run(IDD_CHANNEL_FORM, nullptr), 3);
    EXPECT_EQ(handler.events, (std::vector<std::string>{"init", "command 1", "command 1008"}));
}

TEST_F(PresenterDialogTest, AChildDialogRunsOwnedByItsParentWhichIsDisabledMeanwhile)
{
    struct Seen {
        HWND parent = nullptr;
        HWND childOwner = nullptr;
        bool parentEnabledDuringChild = true;
        bool parentEnabledAfterChild = false;
        std::u16string childCountry;
    } seen;

    ScriptedHandler child;
    child.init = [&seen](DialogView& view) {
        HWND self = dialogTitled(view, L"Child under test");
        seen.childOwner = GetWindow(self, GW_OWNER);
        view.addComboItem(IDC_FORM_COUNTRY, u"ita");
        view.selectComboItem(IDC_FORM_COUNTRY, 0);
        PostMessageW(self, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    child.command = [&seen](DialogView& view, int id) {
        seen.parentEnabledDuringChild = IsWindowEnabled(seen.parent) != FALSE;
        seen.childCountry = view.text(IDC_FORM_COUNTRY, 3);
        view.end(id == IDCANCEL ? 0 : 1);
    };

    ScriptedHandler parent;
    parent.init = [&seen](DialogView& view) {
        seen.parent = dialogTitled(view, L"Parent under test");
        PostMessageW(seen.parent, WM_COMMAND, MAKEWPARAM(IDC_LIST_ADD, BN_CLICKED), 0);
    };
    parent.command = [&seen, &child](DialogView& view, int) {
        view.runChild(IDD_CHANNEL_FORM, child);
        seen.parentEnabledAfterChild = IsWindowEnabled(seen.parent) != FALSE;
        view.end(1);
    };

    PresenterDialog presenter(parent, thisModule());
    EXPECT_EQ(presenter.run(IDD_CHANNEL_LIST, nullptr), 1);
    EXPECT_EQ(parent.events, (std::vector<std::string>{"init", "command 3"}));
    EXPECT_EQ(child.events, (std::vector<std::string>{"init", "command 2"}));
    ASSERT_NE(seen.parent, nullptr);
    EXPECT_EQ(seen.childOwner, seen.parent);
    EXPECT_FALSE(seen.parentEnabledDuringChild);
    EXPECT_TRUE(seen.parentEnabledAfterChild);
    EXPECT_EQ(seen.childCountry, u"ITA") << "the child's own controls";
}

TEST_F(PresenterDialogTest, AHandlerThatThrowsEndsTheDialogWithoutCrossingTheSystem)
{
    ScriptedHandler handler;
    handler.init = [](DialogView& view) {
        HWND self = dialogTitled(view, L"Throwing under test");
        PostMessageW(self, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    handler.command = [](DialogView&, int) { throw std::runtime_error("command"); };
    PresenterDialog presenter(handler, thisModule());
    EXPECT_EQ(presenter.run(IDD_CHANNEL_LIST, nullptr), PresenterDialog::failed);
}

TEST_F(PresenterDialogTest, ThePortRunsTheDialogOverTheMainWindow)
{
    WindowHandle mainWindow(CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                            100, nullptr, nullptr, thisModule(), nullptr));
    ASSERT_NE(mainWindow, nullptr);
    telvia::win32::Win32MainWindow owner;
    owner.attach(mainWindow.get());
    telvia::program::Dialogs dialogs(thisModule(), owner);

    HWND seenOwner = nullptr;
    ScriptedHandler handler;
    handler.init = [&seenOwner](DialogView& view) {
        HWND self = dialogTitled(view, L"Port under test");
        seenOwner = GetWindow(self, GW_OWNER);
        PostMessageW(self, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    handler.command = [](DialogView& view, int) { view.end(0); };
    dialogs.runModal(IDD_CHANNEL_FORM, handler);
    EXPECT_EQ(handler.events, (std::vector<std::string>{"init", "command 2"}));
    EXPECT_EQ(seenOwner, owner.handle());
}

}  // namespace
