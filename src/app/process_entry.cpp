#include "app/process_entry.h"

#include "resources/resource.h"

namespace telvia {

int runProcessEntry(AppState& state, TranslationTable& translations, ProcessPort& process,
                    FilePort& files)
{
    // Before the single-instance test, so a second start reads the file as well.
    loadTranslations(translations, files);

    const std::u16string title = process.loadString(IDS_APP_TITLE, resourceTextLimit);
    state.productName = title;
    const std::u16string className = process.loadString(IDS_WINDOW_CLASS, resourceTextLimit);

    if (const auto running = process.findRunningInstance(className)) {
        if (running->minimised) {
            process.restoreWindow(*running);
        }
        process.bringToForeground(*running);
        return 0;
    }

    process.registerMainWindowClass(className);
    if (!process.createMainWindow(className, title)) {
        return 0;
    }
    process.showMainWindow();
    return process.runMessageLoop();
}

}  // namespace telvia
