// The captures of a probe run: each output pin of the source connected straight to a sink
// of its own, which takes the pin's first media type and writes what arrives (see
// pin_capture.h). No decoder is needed, so every stream can be captured.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "graph_probe.h"
#include "pin_capture.h"

namespace telvia::probe {

class GraphCaptures {
public:
    explicit GraphCaptures(const ReportLine& report) : report_(report) {}

    // Connects output pin `number` to a new sink writing into the folder, reporting the
    // step; true when connected.
    bool connect(IGraphBuilder& graph, IPin& pin, int number, const std::wstring& folder);

    [[nodiscard]] bool everyEnded() const;
    // One line per capture: samples, bytes and how it ended.
    void reportOutcome() const;

private:
    struct NumberedCapture {
        int pin = 0;  // as the report numbers the pins
        std::shared_ptr<PinCapture> files;
    };

    const ReportLine& report_;
    std::vector<NumberedCapture> captures_;
};

}  // namespace telvia::probe
