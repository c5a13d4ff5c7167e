#include "graph_probe.h"

#include <dshow.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "graph_captures.h"
#include "graph_names.h"
#include "media_type_text.h"
#include "platform/win32/base/com_ptr.h"
#include "platform/win32/media/media_type.h"
#include "platform/win32/media/win32_media.h"
#include "playback/source_opening.h"
#include "playback/stream/address/address_classification.h"

namespace telvia::probe {

namespace {

using win32::ComPtr;
using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string routeText(stream::AddressRoute route)
{
    switch (route) {
    case stream::AddressRoute::streamSource:
        return "stream source";
    case stream::AddressRoute::asfReader:
        return "ASF reader";
    case stream::AddressRoute::none:
        break;
    }
    return "none";
}

// Frees an event's parameters once it has been reported.
class ReceivedEvent {
public:
    explicit ReceivedEvent(IMediaEvent& events) : events_(events) {}
    ~ReceivedEvent()
    {
        if (received_) {
            events_.FreeEventParams(code, param1, param2);
        }
    }
    ReceivedEvent(const ReceivedEvent&) = delete;
    ReceivedEvent& operator=(const ReceivedEvent&) = delete;

    bool take(long timeoutMs)
    {
        received_ = events_.GetEvent(&code, &param1, &param2, timeoutMs) == S_OK;
        return received_;
    }

    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;

private:
    IMediaEvent& events_;
    bool received_ = false;
};

struct TaskMemMediaTypeDeleter {
    void operator()(AM_MEDIA_TYPE* type) const noexcept { win32::deleteTaskMemMediaType(type); }
};

// Reports each step of putting the source in and opening the address, as the program
// takes them.
class ReportedSteps final : public SourceSteps {
public:
    explicit ReportedSteps(const ReportLine& report) : report_(report) {}

    void begin(SourceStep step) override
    {
        if (step == SourceStep::load) {
            loadStart_ = Clock::now();
        } else if (step == SourceStep::removeFromGraph) {
            report_("fallback: the stream source does not read this stream; the ASF reader tries it");
        }
    }

    void end(SourceStep step, HResult result) override
    {
        std::string line = std::string(nameOf(step)) + ": " + resultText(result);
        if (step == SourceStep::load) {
            line += ", took " + std::to_string(millisecondsSince(loadStart_)) + " ms";
        }
        report_(line);
    }

private:
    static std::string_view nameOf(SourceStep step)
    {
        switch (step) {
        case SourceStep::createStreamSource:
            return "create source (stream source)";
        case SourceStep::createAsfReader:
            return "create source (ASF reader)";
        case SourceStep::addToGraph:
            return "add source";
        case SourceStep::queryFileSource:
            return "file source interface";
        case SourceStep::load:
            return "load";
        case SourceStep::removeFromGraph:
            return "remove stream source";
        }
        return "step";
    }

    const ReportLine& report_;
    Clock::time_point loadStart_ = Clock::now();
};

class GraphProbe {
public:
    GraphProbe(const StreamSourceFactory& makeStreamSource, const ProbeSettings& settings, const ReportLine& report)
        : media_(noWindow_, makeStreamSource), settings_(settings), report_(report)
    {
    }

    ProbeSummary run(std::u16string_view address)
    {
        const std::string utf8Address = utf8Of(address);
        report_("address: " + utf8Address);
        const stream::AddressRoute route = stream::routeOfAddress(address);
        report_("route: " + routeText(route) + " (" +
                std::string(stream::describe(stream::classifyAddress(utf8Address))) + ")");
        if (route == stream::AddressRoute::none) {
            report_("result: the program opens no such address");
            return summary_;
        }
        Obtained<GraphBuilder> created = media_.createFilterGraph();
        graphRef_ = std::move(created.value);
        if (!step("create graph", created.result) ||
            FAILED(win32::queryGraphInterface(*graphRef_, IID_IGraphBuilder, graph_.putVoid()))) {
            report_("result: the graph could not be built");
            return summary_;
        }
        // The same steps as the program's, with the same fall-back to the ASF reader.
        ReportedSteps steps(report_);
        const GraphSource source{sourceRef_, fileSourceRef_};
        const SourceOpened opened =
            addGraphSource(media_, *graphRef_, route, source, steps)
                ? openGraphSource(media_, *graphRef_, route, address, source, steps)
                : SourceOpened{false, resultOk};
        if (!opened.built ||
            FAILED(win32::queryFilterInterface(*sourceRef_, IID_IBaseFilter, source_.putVoid()))) {
            report_("result: the graph could not be built");
            return summary_;
        }
        if (FAILED(opened.loaded)) {
            report_("result: Load failed");
            return summary_;
        }
        summary_.loaded = true;
        describePins();
        if (settings_.captureFolder) {
            capturePins(*settings_.captureFolder);
        } else {
            renderPins();
        }
        listFilters();
        runGraph();
        report_(resultLine());
        return summary_;
    }

private:
    // Reports the step with its result; true when it succeeded.
    bool step(std::string_view what, HRESULT result)
    {
        report_(std::string(what) + ": " + resultText(result));
        return SUCCEEDED(result);
    }

    void describePins()
    {
        ComPtr<IEnumPins> pins;
        if (!step("enumerate pins", source_->EnumPins(pins.put()))) {
            return;
        }
        ComPtr<IPin> pin;
        int number = 0;
        while (pins->Next(1, pin.put(), nullptr) == S_OK && pin) {
            ++number;
            const PinName name = nameOf(*pin.get());
            const bool output = name.direction == PINDIR_OUTPUT;
            report_("pin " + std::to_string(number) + " \"" + name.name + "\": " + (output ? "output" : "input"));
            if (output) {
                describeTypes(*pin.get());
                outputs_.push_back(std::move(pin));
            }
        }
        summary_.outputPins = static_cast<int>(outputs_.size());
        if (outputs_.empty()) {
            report_("no output pin");
        }
    }

    void describeTypes(IPin& pin)
    {
        ComPtr<IEnumMediaTypes> types;
        if (FAILED(pin.EnumMediaTypes(types.put())) || !types) {
            report_("  media types: none offered");
            return;
        }
        int number = 0;
        AM_MEDIA_TYPE* raw = nullptr;
        while (types->Next(1, &raw, nullptr) == S_OK && raw != nullptr) {
            const std::unique_ptr<AM_MEDIA_TYPE, TaskMemMediaTypeDeleter> type(std::exchange(raw, nullptr));
            report_("  type " + std::to_string(++number) + ": " + describeMediaType(*type));
        }
    }

    void renderPins()
    {
        int number = 0;
        for (const ComPtr<IPin>& pin : outputs_) {
            ++number;
            if (step("render pin " + std::to_string(number) + " \"" + nameOf(*pin.get()).name + "\"",
                     graph_->Render(pin.get()))) {
                ++summary_.renderedPins;
            }
        }
    }

    void capturePins(const std::wstring& folder)
    {
        int number = 0;
        for (const ComPtr<IPin>& pin : outputs_) {
            if (captures_.connect(*graph_.get(), *pin.get(), ++number, folder)) {
                ++summary_.renderedPins;
            }
        }
    }

    void listFilters()
    {
        ComPtr<IEnumFilters> filters;
        if (FAILED(graph_->EnumFilters(filters.put())) || !filters) {
            return;
        }
        ComPtr<IBaseFilter> filter;
        while (filters->Next(1, filter.put(), nullptr) == S_OK && filter) {
            FILTER_INFO info{};
            if (FAILED(filter->QueryFilterInfo(&info))) {
                continue;
            }
            ComPtr<IFilterGraph> graph;
            *graph.put() = info.pGraph;  // the reference QueryFilterInfo handed over
            info.achName[MAX_FILTER_NAME - 1] = L'\0';
            report_("filter: " + utf8Of(info.achName));
        }
    }

    // Runs the graph and waits until its renderers hold their first samples, which is when
    // the graph reports that it has reached the running state.
    void runGraph()
    {
        if (summary_.renderedPins == 0) {
            report_("run: skipped, nothing rendered");
            return;
        }
        ComPtr<IMediaControl> control;
        ComPtr<IMediaEvent> events;
        if (!step("media control interface", graph_.query(IID_IMediaControl, control)) ||
            !step("media event interface", graph_.query(IID_IMediaEvent, events))) {
            return;
        }
        const Clock::time_point start = Clock::now();
        if (!step("run", control->Run())) {
            return;
        }
        if (settings_.captureFolder) {
            waitForCaptures(*events.get(), start);
        } else {
            waitForFirstSample(*events.get(), *control.get(), start);
        }
        keepRunning(*events.get(), start);
        reportEvents(*events.get());
        step("stop", control->Stop());
        captures_.reportOutcome();
    }

    static constexpr long pollMs = 100;

    void waitForFirstSample(IMediaEvent& events, IMediaControl& control, Clock::time_point start)
    {
        OAFilterState state = State_Stopped;
        HRESULT got = E_FAIL;
        for (;;) {
            reportEvents(events);
            got = control.GetState(pollMs, &state);
            if (got == S_OK && state == State_Running) {
                report_("first sample: arrived, graph running after " + std::to_string(millisecondsSince(start)) +
                        " ms");
                return;
            }
            if (Clock::now() - start >= settings_.firstSampleWait) {
                report_("first sample: none within " + std::to_string(settings_.firstSampleWait.count()) +
                        " ms, state " + stateName(state) + ", " + resultText(got));
                return;
            }
        }
    }

    // Without a run time of its own, a capture lasts until every stream ended, at most as
    // long as the wait for the first samples.
    void waitForCaptures(IMediaEvent& events, Clock::time_point start)
    {
        const std::chrono::milliseconds limit = settings_.runFor.value_or(
            std::chrono::duration_cast<std::chrono::seconds>(settings_.firstSampleWait));
        while (!captures_.everyEnded() && Clock::now() - start < limit) {
            reportEvents(events);
            Sleep(static_cast<DWORD>(pollMs));
        }
        if (captures_.everyEnded()) {
            report_("capture: every stream ended after " + std::to_string(millisecondsSince(start)) + " ms");
        }
    }

    // With a run time, the graph runs that long from Run, or in a capture until every
    // stream ended.
    void keepRunning(IMediaEvent& events, Clock::time_point start)
    {
        if (!settings_.runFor) {
            return;
        }
        while (Clock::now() - start < *settings_.runFor && !(settings_.captureFolder && captures_.everyEnded())) {
            reportEvents(events);
            Sleep(static_cast<DWORD>(pollMs));
        }
        report_("ran: " + std::to_string(millisecondsSince(start)) + " ms");
    }

    void reportEvents(IMediaEvent& events)
    {
        for (;;) {
            ReceivedEvent event(events);
            if (!event.take(0)) {
                return;
            }
            char params[64];
            std::snprintf(params, sizeof params, "0x%llx, 0x%llx", static_cast<unsigned long long>(event.param1),
                          static_cast<unsigned long long>(event.param2));
            report_("event: " + eventName(event.code) + ", " + params);
        }
    }

    static std::string stateName(OAFilterState state)
    {
        switch (state) {
        case State_Stopped:
            return "stopped";
        case State_Paused:
            return "paused";
        case State_Running:
            return "running";
        default:
            return std::to_string(state);
        }
    }

    [[nodiscard]] std::string resultLine() const
    {
        if (summary_.outputPins == 0) {
            return "result: the source opened but offers no stream";
        }
        const char* done = settings_.captureFolder ? "captured" : "rendered";
        if (summary_.renderedPins == summary_.outputPins) {
            return std::string("result: every pin ") + done;
        }
        return "result: " + std::to_string(summary_.outputPins - summary_.renderedPins) + " of " +
               std::to_string(summary_.outputPins) + " pins not " + done;
    }

    win32::Win32MainWindow noWindow_;  // the probe shows no picture: the overlay has no window
    win32::Win32MediaFramework media_;
    const ProbeSettings& settings_;
    const ReportLine& report_;
    ProbeSummary summary_;
    // Declared in the order of creation: released in reverse, pins before the graph, the
    // file source before its filter.
    MediaRef<GraphBuilder> graphRef_;
    ComPtr<IGraphBuilder> graph_;
    MediaRef<BaseFilter> sourceRef_;
    ComPtr<IBaseFilter> source_;
    MediaRef<FileSource> fileSourceRef_;
    std::vector<ComPtr<IPin>> outputs_;
    GraphCaptures captures_{report_};
};

}  // namespace

int exitCodeOf(const ProbeSummary& summary)
{
    // A source that opens but offers no stream is a failed connection to the program too.
    if (!summary.loaded || summary.outputPins == 0) {
        return exitNotLoaded;
    }
    return summary.renderedPins == summary.outputPins ? exitAllRendered : exitNotRendered;
}

ProbeSummary probeAddress(std::u16string_view address, const StreamSourceFactory& makeStreamSource,
                          const ProbeSettings& settings, const ReportLine& report)
{
    return GraphProbe(makeStreamSource, settings, report).run(address);
}

}  // namespace telvia::probe
