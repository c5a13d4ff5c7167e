#include "scenario.h"

#include <string>

#include "driver/dialog.h"
#include "driver/options.h"
#include "driver/registry.h"
#include "driver/window_search.h"

namespace telvia::e2e {

std::optional<unsigned> markedSizeItem(const MenuDump& menus)
{
    std::optional<unsigned> marked;
    for (const unsigned id : {command::size50, command::size100, command::size200, command::sizeFit}) {
        const MenuItem* item = findItem(menus.bar, id);
        if (item != nullptr && item->checked) {
            EXPECT_FALSE(marked.has_value()) << "two size items are marked";
            EXPECT_TRUE(item->radioCheck) << "item " << id << " is marked without the radio style";
            marked = id;
        }
    }
    return marked;
}

namespace {

constexpr std::wstring_view popupMenuClass = L"#32768";

// The visible pop-up menu windows of the program.
std::vector<HWND> openPopups(const TelviaProcess& telvia)
{
    return findTopLevelWindows(WindowQuery{}.ofProcess(telvia.id()).ofClass(popupMenuClass).visible());
}

}  // namespace

std::vector<MenuItem> readChannelsPopup(const TelviaProcess& telvia, const Workspace& workspace)
{
    telvia.postCommand(command::selectChannel);
    if (!waitUntil([&] { return !openPopups(telvia).empty(); })) {
        ADD_FAILURE() << "the Select command opened no pop-up menu";
        return {};
    }
    const MenuDump menus = readMenus(telvia, workspace);
    for (const HWND popup : openPopups(telvia)) {
        PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 1);
    }
    EXPECT_TRUE(waitUntil([&] { return openPopups(telvia).empty(); })) << "Esc did not close the pop-up";
    if (!menus.popup) {
        ADD_FAILURE() << "the probe found no open pop-up";
        return {};
    }
    return *menus.popup;
}

void Scenario::resetRegistry()
{
    registry::deleteTree(registry::makerKey);
    registry::createKey(registry::channelsKey);
}

void Scenario::makeNextStartAFirstRun()
{
    registry::deleteTree(registry::channelsKey);
}

void Scenario::closeEditChannelsIfOpen(const TelviaProcess& telvia, std::chrono::milliseconds within)
{
    if (const std::optional<Dialog> editor = Dialog::findOwned(telvia, within)) {
        editor->press(IDCANCEL);
        EXPECT_TRUE(editor->waitClosed()) << "the channel editor did not close on Cancel";
    }
}

void Scenario::exitNormally(const TelviaProcess& telvia)
{
    telvia.postCommand(command::exit);
    EXPECT_EQ(telvia.waitForExit(), std::optional<DWORD>(0));
}

void Scenario::SetUp()
{
    resetRegistry();
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : name) {
        if (c == '/') {
            c = '_';  // parameterised names
        }
    }
    workspace_.emplace(options().workBase, std::wstring(name.begin(), name.end()), options().program);
}

void Scenario::TearDown()
{
    bool anyRunning = false;
    for (const auto& process : processes_) {
        anyRunning = anyRunning || process->running();
    }
    processes_.clear();  // ends those still running
    // A scenario that passed ends its processes itself; after a failure killing them is expected.
    if (!HasFailure()) {
        EXPECT_FALSE(anyRunning) << "the scenario left telvia.exe running; it was killed";
    }
    EXPECT_TRUE(waitUntil([] { return findTopLevelWindows(WindowQuery{}.ofClass(mainWindowClass)).empty(); }))
        << "a TELVIA window outlived the scenario";
}

TelviaProcess& Scenario::start()
{
    return start({});
}

TelviaProcess& Scenario::start(const std::vector<std::wstring>& arguments,
                               const std::optional<std::filesystem::path>& folder)
{
    processes_.push_back(std::make_unique<TelviaProcess>(workspace().program(),
                                                         folder.value_or(workspace().folder()), arguments));
    return *processes_.back();
}

TelviaProcess& Scenario::startAndWaitForWindow()
{
    TelviaProcess& process = start();
    process.waitForMainWindow();
    return process;
}

}  // namespace telvia::e2e
