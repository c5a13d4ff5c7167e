// The probe's walk through a playback graph: the address opened by the source the program
// would use, each output pin with its media types, each pin rendered, the filters the graph
// then holds, and a short run. Every step is reported as one line with its result code.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/stream_source_port.h"

namespace telvia::probe {

// Receives the report, one UTF-8 line at a time, without the line end.
using ReportLine = std::function<void(std::string_view line)>;

struct ProbeSettings {
    // How long the running graph may take to get its first samples to the renderers.
    std::chrono::milliseconds firstSampleWait{5000};
    // How long the graph runs; without it, until the first samples arrived (or, for a
    // capture, until every stream ended), at most firstSampleWait.
    std::optional<std::chrono::seconds> runFor;
    // Capture into this folder instead of rendering: each output pin goes to a sink that
    // writes pinN.es and pinN.txt (see pin_capture.h).
    std::optional<std::wstring> captureFolder;
};

struct ProbeSummary {
    bool loaded = false;
    int outputPins = 0;
    int renderedPins = 0;  // captured, in a capture
};

// Exit codes of the probe.
inline constexpr int exitAllRendered = 0;
inline constexpr int exitNotLoaded = 1;    // also when the source opened but offers no output pin
inline constexpr int exitNotRendered = 2;
inline constexpr int exitUsage = 64;
inline constexpr int exitInternalError = 70;

[[nodiscard]] int exitCodeOf(const ProbeSummary& summary);

// Probes the address from a thread that is in a COM apartment; makeStreamSource makes the
// sessions of the program's own source filter.
[[nodiscard]] ProbeSummary probeAddress(std::u16string_view address, const StreamSourceFactory& makeStreamSource,
                                        const ProbeSettings& settings, const ReportLine& report);

}  // namespace telvia::probe
