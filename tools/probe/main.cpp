// telvia-probe: opens a stream the way Telvia does and reports every step of building the
// playback graph, for a user to send when a channel does not play.
//
//   telvia-probe [--capture DIR] [--seconds N] ADDRESS
//
// One line per step, with its result code: the graph, the source the program would use for
// the address (its own for internet streams, the ASF reader for Windows Media and files),
// Load and the time it took, meanwhile every request of the stream source with its HTTP
// status or error, the format it found, the playlists it read and the variants it tried, each output pin with its media types, the rendering of each
// pin and the filters the graph then holds, whether the running graph gets its first
// samples within a few seconds, and the most memory the probe held. The report goes to
// standard output in UTF-8.
//
// --seconds N lets the graph run N seconds. --capture DIR connects each output pin to a
// sink of the probe's own instead of rendering it and writes what the pin delivers to
// DIR/pinN.es and DIR/pinN.txt (see pin_capture.h): what a user sends when a channel shows
// nothing, since it needs no decoder.
//
// Exit code 0 when every pin rendered, 1 when the address did not open (or opened without an
// output pin, which the program reports as a failed connection too), 2 when a pin did not
// render, 64 on a usage error, 70 on an internal error.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "console_output.h"
#include "graph_probe.h"
#include "process_memory.h"
#include "session_report.h"
#include "platform/win32/base/com_apartment.h"
#include "program/stream_sessions.h"

namespace {

using namespace telvia;

constexpr std::string_view usage =
    "usage: telvia-probe [--capture DIR] [--seconds N] ADDRESS\n"
    "Opens the address the way Telvia does and reports every step; the address is quoted\n"
    "when it holds spaces or '&'. --seconds N runs the graph N seconds (1 to 86400).\n"
    "--capture DIR writes what each stream delivers to DIR\\pinN.es and DIR\\pinN.txt\n"
    "instead of playing it. Exit code 0: every stream rendered (or captured), 1: the\n"
    "address did not open, 2: a stream did not render.";

struct Arguments {
    const wchar_t* address = nullptr;
    probe::ProbeSettings settings;
};

std::optional<std::chrono::seconds> secondsOf(const wchar_t* text)
{
    constexpr long longest = 86400;
    long value = 0;
    for (const wchar_t* digit = text; *digit != L'\0'; ++digit) {
        if (*digit < L'0' || *digit > L'9' || (value = value * 10 + (*digit - L'0')) > longest) {
            return std::nullopt;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    return std::chrono::seconds(value);
}

// Empty on a usage error.
std::optional<Arguments> parseArguments(int argc, wchar_t** argv)
{
    Arguments parsed;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view argument = argv[i];
        const bool hasValue = i + 1 < argc && argv[i + 1][0] != L'\0';
        if (argument == L"--capture" && hasValue && !parsed.settings.captureFolder) {
            parsed.settings.captureFolder = argv[++i];
        } else if (argument == L"--seconds" && hasValue && !parsed.settings.runFor) {
            parsed.settings.runFor = secondsOf(argv[++i]);
            if (!parsed.settings.runFor) {
                return std::nullopt;
            }
        } else if (!argument.empty() && argument[0] != L'-' && argument != L"/?" && parsed.address == nullptr) {
            parsed.address = argv[i];
        } else {
            return std::nullopt;
        }
    }
    if (parsed.address == nullptr) {
        return std::nullopt;
    }
    return parsed;
}

int probeCommand(const Arguments& arguments, probe::ConsoleOutput& out)
{
    out.line("telvia-probe " TELVIA_PROBE_VERSION);
    const win32::ComApartment apartment;
    if (FAILED(apartment.result())) {
        out.line("COM: failed");
        return probe::exitInternalError;
    }
    if (arguments.settings.captureFolder && !CreateDirectoryW(arguments.settings.captureFolder->c_str(), nullptr)) {
        if (const DWORD error = GetLastError(); error != ERROR_ALREADY_EXISTS) {
            out.line("capture: the folder cannot be created, error " + std::to_string(error));
            return probe::exitInternalError;
        }
    }
    probe::SessionReport report([&out](std::string_view line) { out.line(line); });
    program::StreamSessions sessions(&report);
    const StreamSourceFactory makeStreamSource = sessions.factory();
    const probe::ProbeSummary summary = probe::probeAddress(
        std::u16string_view(reinterpret_cast<const char16_t*>(arguments.address)), makeStreamSource,
        arguments.settings, [&report](std::string_view line) { report.line(line); });
    if (const auto memory = probe::peakMemoryLine()) {
        out.line(*memory);
    }
    return probe::exitCodeOf(summary);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    probe::ConsoleOutput out(STD_OUTPUT_HANDLE);
    probe::ConsoleOutput errors(STD_ERROR_HANDLE);
    const std::optional<Arguments> arguments = parseArguments(argc, argv);
    if (!arguments) {
        errors.line(usage);
        return probe::exitUsage;
    }
    try {
        return probeCommand(*arguments, out);
    } catch (const std::exception& failure) {
        errors.line(std::string("internal error: ") + failure.what());
        return probe::exitInternalError;
    }
}
