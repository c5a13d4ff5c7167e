#include "graph_captures.h"

#include <dshow.h>

#include <algorithm>
#include <utility>

#include "capture_sink.h"
#include "graph_names.h"
#include "media_type_text.h"
#include "platform/win32/base/com_ptr.h"

namespace telvia::probe {

bool GraphCaptures::connect(IGraphBuilder& graph, IPin& pin, int number, const std::wstring& folder)
{
    const std::string name = "capture pin " + std::to_string(number) + " \"" + nameOf(pin).name + "\"";
    std::shared_ptr<PinCapture> capture = PinCapture::create(folder, number);
    if (!capture) {
        report_(name + ": the files pin" + std::to_string(number) + ".es and .txt cannot be written");
        return false;
    }
    win32::ComPtr<IBaseFilter> sink = createCaptureSink(capture);
    if (!sink) {
        report_(name + ": " + resultText(E_OUTOFMEMORY));
        return false;
    }
    const std::wstring sinkName = L"Capture " + std::to_wstring(number);
    if (const HRESULT added = graph.AddFilter(sink.get(), sinkName.c_str()); FAILED(added)) {
        report_(name + " (add sink): " + resultText(added));
        return false;
    }
    win32::ComPtr<IPin> input;
    if (FAILED(sink->FindPin(L"Capture", input.put()))) {
        return false;
    }
    const HRESULT connected = graph.ConnectDirect(&pin, input.get(), nullptr);
    report_(name + ": " + resultText(connected));
    if (FAILED(connected)) {
        return false;
    }
    captures_.push_back({number, std::move(capture)});
    return true;
}

bool GraphCaptures::everyEnded() const
{
    return std::all_of(captures_.begin(), captures_.end(),
                       [](const NumberedCapture& capture) { return capture.files->ended(); });
}

void GraphCaptures::reportOutcome() const
{
    for (const auto& [number, files] : captures_) {
        report_("captured " + std::to_string(number) + ": " + std::to_string(files->samples()) + " samples, " +
                std::to_string(files->bytes()) + " bytes, " +
                (files->failed()    ? "a file could not be written"
                 : files->ended()   ? "end of stream"
                                    : "still streaming"));
    }
}

}  // namespace telvia::probe
