// Process entry of telvia.exe.
#include <memory>

#include "program/application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // Lives for the whole process: the window procedure reaches it until the loop ends.
    static auto application = std::make_unique<telvia::program::Application>(instance, showCommand);
    return application->run();
}
