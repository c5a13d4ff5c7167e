// telvia-probe: opens a stream the way Telvia does and reports every step of building the
// playback graph, for a user to send when a channel does not play.
//
//   telvia-probe ADDRESS
//
// One line per step, with its result code: the graph, the source the program would use for
// the address (its own for internet streams, the ASF reader for Windows Media and files),
// Load and the time it took, meanwhile every request of the stream source with its HTTP
// status or error, the format it found, the playlists it read and the variants it tried, each output pin with its media types, the rendering of each
// pin and the filters the graph then holds, whether the running graph gets its first
// samples within a few seconds, and the most memory the probe held. The report goes to
// standard output in UTF-8.
//
// Exit code 0 when every pin rendered, 1 when the address did not open (or opened without an
// output pin, which the program reports as a failed connection too), 2 when a pin did not
// render, 64 on a usage error, 70 on an internal error.
#include <windows.h>

#include <cstdio>
#include <exception>
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
    "usage: telvia-probe ADDRESS\n"
    "Opens the address the way Telvia does and reports every step; the address is quoted\n"
    "when it holds spaces or '&'. Exit code 0: every stream rendered, 1: the address did not\n"
    "open, 2: a stream did not render.";

int probeCommand(const wchar_t* address, probe::ConsoleOutput& out)
{
    out.line("telvia-probe " TELVIA_PROBE_VERSION);
    const win32::ComApartment apartment;
    if (FAILED(apartment.result())) {
        out.line("COM: failed");
        return probe::exitInternalError;
    }
    probe::SessionReport report([&out](std::string_view line) { out.line(line); });
    program::StreamSessions sessions(&report);
    const StreamSourceFactory makeStreamSource = sessions.factory();
    const probe::ProbeSummary summary =
        probe::probeAddress(std::u16string_view(reinterpret_cast<const char16_t*>(address)), makeStreamSource,
                            probe::ProbeSettings{}, [&report](std::string_view line) { report.line(line); });
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
    if (argc != 2 || argv[1][0] == L'\0' || argv[1][0] == L'-' || std::wstring_view(argv[1]) == L"/?") {
        errors.line(usage);
        return probe::exitUsage;
    }
    try {
        return probeCommand(argv[1], out);
    } catch (const std::exception& failure) {
        errors.line(std::string("internal error: ") + failure.what());
        return probe::exitInternalError;
    }
}
