// Process entry of telvia.exe.
#include <memory>

#include "program/application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // On the heap for its size; the window procedure reaches it until the loop ends, and it
    // goes before the process does.
    const auto application = std::make_unique<telvia::program::Application>(instance, showCommand);
    return application->run();
}
