#include "fake_ports.h"

#include <functional>
#include <utility>

namespace telvia::fakes {

void FakeMainWindow::setTitle(std::u16string_view newTitle)
{
    title = newTitle;
    log_.add("window.setTitle " + narrow(newTitle));
}
void FakeMainWindow::destroy() { log_.add("window.destroy"); }
void FakeMainWindow::postCommand(int commandId)
{
    postedCommands.push_back(commandId);
    log_.add("window.postCommand " + std::to_string(commandId));
}
void FakeMainWindow::postQuit(int exitCode) { log_.add("window.postQuit " + std::to_string(exitCode)); }
void FakeMainWindow::startTimer(int timerId, int periodMs)
{
    log_.add("window.startTimer " + std::to_string(timerId) + " " + std::to_string(periodMs));
}
void FakeMainWindow::checkMenuRadio(int firstId, int lastId, int checkedId)
{
    log_.add("window.checkMenuRadio " + std::to_string(firstId) + " " + std::to_string(lastId) +
             " " + std::to_string(checkedId));
}
Point FakeMainWindow::cursorPosition()
{
    log_.add("window.cursorPosition");
    return cursor;
}

void FakeChannelsMenu::rebuild(std::span<const ChannelsMenuItem> newItems)
{
    items.clear();
    for (const ChannelsMenuItem& item : newItems) {
        items.push_back({item.commandId, std::u16string(item.text), item.startsColumn});
    }
    log_.add("channelsMenu.rebuild " + std::to_string(items.size()));
}
void FakeChannelsMenu::track(Point screenPoint)
{
    log_.add("channelsMenu.track " + std::to_string(screenPoint.x) + " " +
             std::to_string(screenPoint.y));
}
std::u16string FakeChannelsMenu::itemText(int commandId)
{
    log_.add("channelsMenu.itemText " + std::to_string(commandId));
    for (const Item& item : items) {
        if (item.commandId == commandId) {
            return item.text;
        }
    }
    return {};
}

HResult FakeSystem::initialiseCom()
{
    log_.add("system.initialiseCom");
    return comResult;
}
void FakeSystem::uninitialiseCom() { log_.add("system.uninitialiseCom"); }
void FakeSystem::initialiseCommonControls() { log_.add("system.initialiseCommonControls"); }
void FakeSystem::exitProcess(int code)
{
    exitCode = code;
    log_.add("system.exitProcess " + std::to_string(code));
}

void FakeMessageBoxes::showInformation(MessageOwner owner, std::u16string_view text,
                                       std::u16string_view caption)
{
    shown.push_back({owner, std::u16string(text), std::u16string(caption)});
    log_.add("messages.showInformation " + narrow(text));
    // Once: what it does may show another box.
    if (const std::function<void()> dispatch = std::exchange(whileShown, {})) {
        dispatch();
    }
}

void FakeShell::open(std::u16string_view target) { log_.add("shell.open " + narrow(target)); }

}  // namespace telvia::fakes
