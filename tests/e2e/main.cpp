// Entry of the end-to-end scenarios: GoogleTest's own arguments, then where telvia.exe,
// the working folders, the menu probe and the demo video are.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "driver/options.h"
#include "driver/text.h"
#include "driver/wine_setup.h"

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::wstring error;
    std::optional<telvia::e2e::DriverOptions> options = telvia::e2e::parseOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "%s\nusage: telvia_e2e_tests [gtest options] --program=telvia.exe --work=FOLDER "
                             "--probe=menu-probe.dll --demo=demo.wmv\n",
                     telvia::e2e::toUtf8(error).c_str());
        return 2;
    }
    telvia::e2e::setOptions(std::move(*options));
    if (telvia::e2e::runningUnderWine()) {
        // This process makes windows too (to take the foreground from the program); the
        // setting is read when its first window is made, so it takes effect here as well.
        telvia::e2e::letWineManageWindowsOf(L"telvia.exe");
        telvia::e2e::letWineManageWindowsOf(std::filesystem::path(argv[0]).filename().wstring());
    }
    return RUN_ALL_TESTS();
}
