// A scripted media framework: it records every call and every release in the shared call
// log, in order, and answers from a script that can fail any call with a chosen result.
//
// Calls are logged as "<object>.<Interface>.<Method>[ argument]", where the objects are
// "graph" (the filter graph manager), "asf" (the ASF reader), "stream" (the program's own
// stream source), "vmr" (the video renderer) and "pin<n>"; creations as "CoCreateInstance <class>", interface requests as
// "<object>.QueryInterface(<Interface>)", releases as "release <object>.<Interface>".
// A Load started on a thread of its own is logged as Load and returns at once; its end
// waits in endedLoads, and a load given up before its end was taken logs
// "<object>.IFileSourceFilter.Load given up".
// A call fails when the script names it, with or without its argument.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "call_log.h"
#include "platform/media_port.h"

namespace telvia::fakes {

inline constexpr HResult fakeEmptyQueue = static_cast<HResult>(0x80004004u);  // E_ABORT

// The script and the record, shared with every handle the fake gave out, so that a handle
// outliving the fake (an AppState destroyed after the platform) releases harmlessly.
struct FakeMediaScript {
    CallLog* log = nullptr;
    std::map<std::string, HResult> failures;

    std::vector<PinDirection> pins{PinDirection::output, PinDirection::output};
    std::deque<GraphEvent> events;
    Size videoSize{320, 240};
    double timePerFrame = 0.04;
    std::uint32_t mixingPrefs = 0x11;  // decimation bit and bilinear filtering
    std::int32_t fullScreenMode = oaFalse;
    NativeWindow messageDrain = NativeWindow{0x77};

    // What the logic handed over, for the tests to read.
    std::vector<std::int32_t> volumes;
    std::vector<Rect> positions;
    struct Overlay {
        OverlayPicture picture;
        AlphaBitmapParameters parameters;
    };
    std::vector<Overlay> overlays;
    std::vector<GraphEvent> freedEvents;
    // The tickets of the loads started with startLoad whose Load has returned, in order:
    // what the window would be posted. The tests hand them to the presenter.
    std::deque<std::uintptr_t> endedLoads;
    int liveReferences = 0;

    // Logs the call and answers with its scripted result (resultOk unless scripted).
    HResult call(const std::string& name, const std::string& argument = {});
};

class FakeMediaFramework final : public MediaFrameworkPort {
public:
    explicit FakeMediaFramework(CallLog& log);
    ~FakeMediaFramework() override;
    FakeMediaFramework(const FakeMediaFramework&) = delete;
    FakeMediaFramework& operator=(const FakeMediaFramework&) = delete;

    Obtained<GraphBuilder> createFilterGraph() override;
    Obtained<BaseFilter> createAsfReader() override;
    Obtained<BaseFilter> createStreamSource() override;
    Obtained<BaseFilter> createVideoMixingRenderer() override;

    // The script of this fake; stays valid while the fake lives.
    FakeMediaScript& script() { return *script_; }
    FakeMediaScript* operator->() { return script_.get(); }

private:
    std::shared_ptr<FakeMediaScript> script_;
};

}  // namespace telvia::fakes
