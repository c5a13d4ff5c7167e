#include "app/process_entry.h"

#include <optional>
#include <string>
#include <vector>

#include "app/channel_list_paths.h"
#include "resources/resource.h"

namespace telvia {

namespace {

// The channel file or playlist named on the command line, made absolute against the folder
// the program was started in: the running instance, or this one once it has moved to its
// own folder, reads it from elsewhere.
std::optional<std::u16string> listFromCommandLine(ProcessPort& process)
{
    const std::vector<std::u16string> arguments = process.commandLineArguments();
    const std::optional<std::u16string> list = channelListArgument(arguments);
    if (!list) {
        return std::nullopt;
    }
    return process.fullPath(*list);
}

}  // namespace

int runProcessEntry(AppState& state, TranslationTable& translations, ProcessEntryPorts ports,
                    ListsToLoad& listsToLoad)
{
    ProcessPort& process = ports.process;
    const std::optional<std::u16string> list = listFromCommandLine(process);
    if (list) {
        // Explorer starts the program in the folder of the file it opens. The program keeps
        // its own files (translation, first-run catalogue, saved channels, manual) in its
        // folder and opens them by relative name, so it moves there first, as its shortcut
        // starts it. A failure leaves the start folder, as without a list.
        (void)process.enterProgramFolder();
    }

    // Before the single-instance test, so a second start reads the file as well.
    loadTranslations(translations, ports.files);

    const std::u16string title = process.loadString(IDS_APP_TITLE, resourceTextLimit);
    state.productName = title;
    const std::u16string className = process.loadString(IDS_WINDOW_CLASS, resourceTextLimit);

    if (const auto running = process.findRunningInstance(className)) {
        if (running->minimised) {
            process.restoreWindow(*running);
        }
        const bool handedOver =
            !list || process.sendData(*running, listHandOverTag, encodeListHandOver(*list));
        process.bringToForeground(*running);
        if (!handedOver) {
            // An older or hung instance: the user would otherwise see nothing happen.
            ports.messages.showInformation(
                MessageOwner::none,
                title + u" is already running and did not take the file:\r\n" + *list,
                title);
            return handOverFailedExitCode;
        }
        return 0;
    }

    if (list) {
        // The queue is empty before the window exists, so it takes this one.
        (void)listsToLoad.add(*list);
    }
    process.registerMainWindowClass(className);
    if (!process.createMainWindow(className, title)) {
        return 0;
    }
    process.showMainWindow();
    return process.runMessageLoop();
}

}  // namespace telvia
