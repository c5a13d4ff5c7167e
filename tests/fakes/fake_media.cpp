#include "fake_media.h"

#include <utility>

#include "fake_ports.h"

namespace telvia::fakes {

namespace {

using Script = std::shared_ptr<FakeMediaScript>;

// One reference: counted while it lives, and its release logged.
class Reference {
public:
    Reference(Script script, std::string label) : script_(std::move(script)), label_(std::move(label))
    {
        ++script_->liveReferences;
    }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;
    ~Reference()
    {
        --script_->liveReferences;
        if (script_->log != nullptr) {
            script_->log->add("release " + label_);
        }
    }

protected:
    HResult call(const std::string& method, const std::string& argument = {})
    {
        return script_->call(label_ + "." + method, argument);
    }
    // Asks the object for another interface, logged on the object without the interface.
    template <typename Interface, typename Fake>
    Obtained<Interface> query(const std::string& interfaceName)
    {
        const HResult result = script_->call(object() + ".QueryInterface(" + interfaceName + ")");
        if (result < 0) {
            return {result, nullptr};
        }
        return {result, std::make_unique<Fake>(script_, object() + "." + interfaceName)};
    }
    [[nodiscard]] std::string object() const { return label_.substr(0, label_.find('.')); }

    Script script_;
    std::string label_;
};

std::string number(long long value) { return std::to_string(value); }

class FakePin final : public Pin, Reference {
public:
    using Reference::Reference;
    [[nodiscard]] std::string name() const { return object(); }
    MediaAnswer<PinDirection> queryDirection() override
    {
        const HResult result = call("QueryDirection");
        const std::size_t index = std::stoul(object().substr(3));
        return {result, result < 0 ? PinDirection{} : script_->pins[index]};
    }
};

class FakePinEnumerator final : public PinEnumerator, Reference {
public:
    using Reference::Reference;
    Obtained<Pin> next() override
    {
        const HResult result = call("Next");
        if (result < 0) {
            return {result, nullptr};
        }
        if (next_ >= script_->pins.size()) {
            return {resultFalse, nullptr};
        }
        return {result, std::make_unique<FakePin>(script_, "pin" + number(static_cast<long long>(next_++)) + ".IPin")};
    }

private:
    std::size_t next_ = 0;
};

// A Load that has already returned with its scripted answer and waits for the window to
// take it.
class FakePendingLoad final : public PendingLoad {
public:
    FakePendingLoad(Script script, std::string label, HResult result)
        : script_(std::move(script)), label_(std::move(label)), result_(result)
    {
    }
    FakePendingLoad(const FakePendingLoad&) = delete;
    FakePendingLoad& operator=(const FakePendingLoad&) = delete;
    ~FakePendingLoad() override
    {
        if (!taken_ && script_->log != nullptr) {
            script_->log->add(label_ + ".Load given up");
        }
    }
    HResult result() override
    {
        taken_ = true;
        return result_;
    }

private:
    Script script_;
    std::string label_;
    HResult result_;
    bool taken_ = false;
};

class FakeFileSource final : public FileSource, Reference {
public:
    using Reference::Reference;
    HResult load(std::u16string_view address) override { return call("Load", narrow(address)); }
    Obtained<PendingLoad> startLoad(std::u16string_view address, NativeWindow, std::uint32_t,
                                    std::uintptr_t ticket) override
    {
        const HResult result = call("Load", narrow(address));
        if (const auto it = script_->failures.find(label_ + ".startLoad"); it != script_->failures.end()) {
            return {it->second, nullptr};
        }
        script_->endedLoads.push_back(ticket);
        return {resultOk, std::make_unique<FakePendingLoad>(script_, label_, result)};
    }
};

class FakeRendererConfig final : public RendererConfig, Reference {
public:
    using Reference::Reference;
    HResult setRenderingMode(std::uint32_t mode) override { return call("SetRenderingMode", number(mode)); }
    HResult setNumberOfStreams(std::uint32_t count) override
    {
        return call("SetNumberOfStreams", number(count));
    }
};

class FakeWindowlessControl final : public WindowlessControl, Reference {
public:
    using Reference::Reference;
    HResult setVideoClippingWindow(NativeWindow window) override
    {
        return call("SetVideoClippingWindow", number(static_cast<long long>(window)));
    }
    HResult setBorderColor(std::uint32_t colour) override { return call("SetBorderColor", number(colour)); }
};

class FakeMixerControl final : public MixerControl, Reference {
public:
    using Reference::Reference;
    MediaAnswer<std::uint32_t> getMixingPrefs() override
    {
        const HResult result = call("GetMixingPrefs");
        return {result, result < 0 ? 0 : script_->mixingPrefs};
    }
    HResult setMixingPrefs(std::uint32_t prefs) override
    {
        const HResult result = call("SetMixingPrefs", number(prefs));
        if (result >= 0) {
            script_->mixingPrefs = prefs;
        }
        return result;
    }
};

class FakeMixerBitmap final : public MixerBitmap, Reference {
public:
    using Reference::Reference;
    HResult setAlphaBitmap(const OverlayPicture& picture,
                           const AlphaBitmapParameters& parameters) override
    {
        std::string drawn = narrow(picture.text);
        if (picture.bottomLine) {
            drawn += "|" + narrow(*picture.bottomLine);
        }
        script_->overlays.push_back({picture, parameters});
        return call("SetAlphaBitmap", drawn);
    }
};

class FakeBaseFilter final : public BaseFilter, Reference {
public:
    using Reference::Reference;
    [[nodiscard]] std::string name() const { return object(); }
    Obtained<FileSource> queryFileSource() override
    {
        return query<FileSource, FakeFileSource>("IFileSourceFilter");
    }
    Obtained<PinEnumerator> enumPins() override
    {
        const HResult result = call("EnumPins");
        if (result < 0) {
            return {result, nullptr};
        }
        return {result, std::make_unique<FakePinEnumerator>(script_, object() + ".IEnumPins")};
    }
    Obtained<RendererConfig> queryRendererConfig() override
    {
        return query<RendererConfig, FakeRendererConfig>("IVMRFilterConfig");
    }
    Obtained<WindowlessControl> queryWindowlessControl() override
    {
        return query<WindowlessControl, FakeWindowlessControl>("IVMRWindowlessControl");
    }
    Obtained<MixerControl> queryMixerControl() override
    {
        return query<MixerControl, FakeMixerControl>("IVMRMixerControl");
    }
    Obtained<MixerBitmap> queryMixerBitmap() override
    {
        return query<MixerBitmap, FakeMixerBitmap>("IVMRMixerBitmap");
    }
};

class FakeVideoWindow final : public VideoWindow, Reference {
public:
    using Reference::Reference;
    HResult putOwner(NativeWindow owner) override
    {
        return call("put_Owner", number(static_cast<long long>(owner)));
    }
    HResult putWindowStyle(std::int32_t style) override { return call("put_WindowStyle", number(style)); }
    HResult setWindowPosition(const Rect& rect) override
    {
        script_->positions.push_back(rect);
        return call("SetWindowPosition", number(rect.left) + " " + number(rect.top) + " " +
                                             number(rect.width()) + " " + number(rect.height()));
    }
    MediaAnswer<std::int32_t> getFullScreenMode() override
    {
        const HResult result = call("get_FullScreenMode");
        return {result, result < 0 ? 0 : script_->fullScreenMode};
    }
    HResult putFullScreenMode(std::int32_t mode) override
    {
        const HResult result = call("put_FullScreenMode", number(mode));
        if (result >= 0) {
            script_->fullScreenMode = mode;
        }
        return result;
    }
    MediaAnswer<NativeWindow> getMessageDrain() override
    {
        const HResult result = call("get_MessageDrain");
        return {result, result < 0 ? NativeWindow::none : script_->messageDrain};
    }
    HResult putMessageDrain(NativeWindow drain) override
    {
        const HResult result = call("put_MessageDrain", number(static_cast<long long>(drain)));
        if (result >= 0) {
            script_->messageDrain = drain;
        }
        return result;
    }
    HResult setWindowForeground(std::int32_t focus) override
    {
        return call("SetWindowForeground", number(focus));
    }
};

class FakeBasicVideo final : public BasicVideo, Reference {
public:
    using Reference::Reference;
    MediaAnswer<Size> getVideoSize() override
    {
        const HResult result = call("GetVideoSize");
        return {result, result < 0 ? Size{} : script_->videoSize};
    }
    MediaAnswer<double> getAvgTimePerFrame() override
    {
        const HResult result = call("get_AvgTimePerFrame");
        return {result, result < 0 ? 0.0 : script_->timePerFrame};
    }
};

class FakeBasicAudio final : public BasicAudio, Reference {
public:
    using Reference::Reference;
    HResult putVolume(std::int32_t level) override
    {
        script_->volumes.push_back(level);
        return call("put_Volume", number(level));
    }
};

class FakeMediaControl final : public MediaControl, Reference {
public:
    using Reference::Reference;
    HResult run() override { return call("Run"); }
    HResult pause() override { return call("Pause"); }
};

class FakeMediaEvent final : public MediaEvent, Reference {
public:
    using Reference::Reference;
    HResult setNotifyWindow(NativeWindow window, std::uint32_t message,
                            std::intptr_t instanceData) override
    {
        return call("SetNotifyWindow", number(static_cast<long long>(window)) + " " +
                                           number(message) + " " + number(instanceData));
    }
    MediaAnswer<GraphEvent> getEvent(std::int32_t timeoutMs) override
    {
        if (script_->events.empty()) {
            call("GetEvent", number(timeoutMs));
            return {fakeEmptyQueue, {}};
        }
        const GraphEvent event = script_->events.front();
        script_->events.pop_front();
        const HResult result = call("GetEvent", number(timeoutMs));
        return {result, event};
    }
    HResult freeEventParams(const GraphEvent& event) override
    {
        script_->freedEvents.push_back(event);
        return call("FreeEventParams", number(event.code) + " " + number(event.param1) + " " +
                                           number(event.param2));
    }
};

class FakeGraphBuilder final : public GraphBuilder, Reference {
public:
    using Reference::Reference;
    Obtained<VideoWindow> queryVideoWindow() override
    {
        return query<VideoWindow, FakeVideoWindow>("IVideoWindow");
    }
    Obtained<BasicVideo> queryBasicVideo() override
    {
        return query<BasicVideo, FakeBasicVideo>("IBasicVideo");
    }
    Obtained<BasicAudio> queryBasicAudio() override
    {
        return query<BasicAudio, FakeBasicAudio>("IBasicAudio");
    }
    Obtained<MediaControl> queryMediaControl() override
    {
        return query<MediaControl, FakeMediaControl>("IMediaControl");
    }
    Obtained<MediaEvent> queryMediaEvent() override
    {
        return query<MediaEvent, FakeMediaEvent>("IMediaEventEx");
    }
    HResult addFilter(BaseFilter&, std::u16string_view name) override
    {
        return call("AddFilter", narrow(name));
    }
    HResult removeFilter(BaseFilter& filter) override
    {
        // The filters are the fake's own, so the label tells which one left the graph.
        return call("RemoveFilter", dynamic_cast<FakeBaseFilter&>(filter).name());
    }
    HResult render(Pin& pin) override
    {
        // The pins are the fake's own, so the label tells which one was rendered.
        return call("Render", dynamic_cast<FakePin&>(pin).name());
    }
};

template <typename Interface, typename Fake>
Obtained<Interface> create(const Script& script, const std::string& className,
                           const std::string& label)
{
    const HResult result = script->call("CoCreateInstance " + className);
    if (result < 0) {
        return {result, nullptr};
    }
    return {result, std::make_unique<Fake>(script, label)};
}

}  // namespace

HResult FakeMediaScript::call(const std::string& name, const std::string& argument)
{
    const std::string text = argument.empty() ? name : name + " " + argument;
    if (log != nullptr) {
        log->add(text);
    }
    if (const auto it = failures.find(text); it != failures.end()) {
        return it->second;
    }
    if (const auto it = failures.find(name); it != failures.end()) {
        return it->second;
    }
    return resultOk;
}

FakeMediaFramework::FakeMediaFramework(CallLog& log) : script_(std::make_shared<FakeMediaScript>())
{
    script_->log = &log;
}

FakeMediaFramework::~FakeMediaFramework()
{
    script_->log = nullptr;
}

Obtained<GraphBuilder> FakeMediaFramework::createFilterGraph()
{
    return create<GraphBuilder, FakeGraphBuilder>(script_, "FilterGraph", "graph.IGraphBuilder");
}

Obtained<BaseFilter> FakeMediaFramework::createAsfReader()
{
    return create<BaseFilter, FakeBaseFilter>(script_, "WMAsfReader", "asf.IBaseFilter");
}

Obtained<BaseFilter> FakeMediaFramework::createStreamSource()
{
    return create<BaseFilter, FakeBaseFilter>(script_, "StreamSource", "stream.IBaseFilter");
}

Obtained<BaseFilter> FakeMediaFramework::createVideoMixingRenderer()
{
    return create<BaseFilter, FakeBaseFilter>(script_, "VideoMixingRenderer", "vmr.IBaseFilter");
}

}  // namespace telvia::fakes
