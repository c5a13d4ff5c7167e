// In-memory ports that record what the logic asked of the platform.
#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ports.h"
#include "call_log.h"
#include "fake_dialogs.h"
#include "fake_files.h"
#include "fake_locale.h"
#include "fake_media.h"
#include "fake_registry.h"
#include "fake_text_ports.h"
#include "fake_window_control.h"
#include "narrow_text.h"

namespace telvia::fakes {


class FakeMainWindow final : public MainWindowPort {
public:
    explicit FakeMainWindow(CallLog& log) : log_(log) {}

    void setTitle(std::u16string_view title) override;
    void destroy() override;
    void postCommand(int commandId) override;
    void postQuit(int exitCode) override;
    void startTimer(int timerId, int periodMs) override;
    void checkMenuRadio(int firstId, int lastId, int checkedId) override;
    Point cursorPosition() override;

    std::u16string title;
    std::vector<int> postedCommands;
    Point cursor{};

private:
    CallLog& log_;
};

class FakeChannelsMenu final : public ChannelsMenuPort {
public:
    explicit FakeChannelsMenu(CallLog& log) : log_(log) {}

    void rebuild(std::span<const ChannelsMenuItem> items) override;
    void track(Point screenPoint) override;
    std::u16string itemText(int commandId) override;

    struct Item {
        int commandId;
        std::u16string text;
        bool startsColumn;
    };
    std::vector<Item> items;

private:
    CallLog& log_;
};

class FakeSystem final : public SystemPort {
public:
    explicit FakeSystem(CallLog& log) : log_(log) {}

    HResult initialiseCom() override;
    void uninitialiseCom() override;
    void initialiseCommonControls() override;
    void exitProcess(int exitCode) override;

    HResult comResult = 0;
    std::optional<int> exitCode;

private:
    CallLog& log_;
};

class FakeMessageBoxes final : public MessageBoxPort {
public:
    explicit FakeMessageBoxes(CallLog& log) : log_(log) {}

    void showInformation(MessageOwner owner, std::u16string_view text,
                         std::u16string_view caption) override;

    struct Shown {
        MessageOwner owner;
        std::u16string text;
        std::u16string caption;
    };
    std::vector<Shown> shown;
    // Run inside the next box, as the messages its loop dispatches to the main window.
    std::function<void()> whileShown;

private:
    CallLog& log_;
};

class FakeShell final : public ShellPort {
public:
    explicit FakeShell(CallLog& log) : log_(log) {}
    void open(std::u16string_view target) override;

private:
    CallLog& log_;
};

// A deterministic, case-sensitive order: UTF-16 units compared one by one.
class FakeCollation final : public CollationPort {
public:
    int compare(std::u16string_view a, std::u16string_view b) override { return a.compare(b); }
};

// A clipboard that holds a UTF-16 text, or none (nothing copied, a picture, or another
// program holding it open). Hands out what the real one does: up to the terminator, cut.
class FakeClipboard final : public ClipboardPort {
public:
    std::u16string text(std::size_t maxLength) override
    {
        reads.push_back(maxLength);
        if (!content) {
            return {};
        }
        const std::u16string_view held(*content);
        return std::u16string(held.substr(0, std::min(held.find(u'\0'), maxLength)));
    }

    std::optional<std::u16string> content;
    std::vector<std::size_t> reads;
};

// All fakes of one test, sharing one call log, and the Ports view of them.
struct FakePlatform {
    CallLog log;
    FakeMainWindow window{log};
    FakeChannelsMenu channelsMenu{log};
    FakeSystem system{log};
    FakeMessageBoxes messages{log};
    FakeShell shell{log};
    FakeDialogs dialogs{log};
    FakeFiles files{log};
    FakeMenuTexts menuTexts{log};
    FakeTextConversion textConversion{log};
    FakeRegistry registry{log};
    FakeLocale locale{log};
    FakeCollation collation;
    FakeMediaFramework media{log};
    FakeWindowControl windowControl{log};
    FakeScreen screen{log};
    FakeClipboard clipboard;
    Ports ports{window, channelsMenu, system, messages,
                shell, dialogs, files, menuTexts, textConversion, registry, locale,
                collation, media, windowControl, screen, clipboard};
};

}  // namespace telvia::fakes
