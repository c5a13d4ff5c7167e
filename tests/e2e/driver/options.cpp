#include "driver/options.h"

#include <utility>

namespace telvia::e2e {

namespace {

DriverOptions& current()
{
    static DriverOptions instance;
    return instance;
}

}  // namespace

std::filesystem::path windowsPath(std::wstring_view argument)
{
    if (argument.empty() || argument.front() != L'/') {
        return std::filesystem::path(argument);
    }
    std::wstring converted = L"Z:";
    for (const wchar_t c : argument) {
        converted += c == L'/' ? L'\\' : c;
    }
    return std::filesystem::path(converted);
}

std::optional<DriverOptions> parseOptions(int argc, wchar_t** argv, std::wstring& error)
{
    DriverOptions parsed;
    const std::pair<std::wstring_view, std::filesystem::path*> names[] = {
        {L"--program=", &parsed.program},
        {L"--work=", &parsed.workBase},
        {L"--probe=", &parsed.menuProbe},
        {L"--demo=", &parsed.demoVideo},
    };
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view argument = argv[i];
        bool known = false;
        for (const auto& [prefix, target] : names) {
            if (argument.substr(0, prefix.size()) == prefix) {
                *target = windowsPath(argument.substr(prefix.size()));
                known = true;
            }
        }
        if (!known) {
            error = L"unknown argument: " + std::wstring(argument);
            return std::nullopt;
        }
    }
    for (const auto& [prefix, target] : names) {
        if (target->empty()) {
            error = L"missing argument: " + std::wstring(prefix) + L"PATH";
            return std::nullopt;
        }
    }
    return parsed;
}

void setOptions(DriverOptions options)
{
    current() = std::move(options);
}

const DriverOptions& options()
{
    return current();
}

}  // namespace telvia::e2e
