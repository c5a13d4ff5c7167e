#include "platform/win32/media/win32_media.h"

#include <dshow.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/win32/base/com_object.h"
#include "platform/win32/base/com_ptr.h"
#include "platform/win32/media/background_load.h"
#include "platform/win32/media/stream_source_filter.h"
#include "platform/win32/media/directshow_ids.h"
#include "platform/win32/media/win32_overlay_canvas.h"
#include "platform/win32/base/wide_text.h"
#include "platform/win32/desktop/win32_window_control.h"

namespace telvia::win32 {

namespace {

static_assert(PINDIR_OUTPUT == static_cast<int>(PinDirection::output));
static_assert(OATRUE == oaTrue && OAFALSE == oaFalse);
static_assert(EC_BUFFERING_DATA == eventBufferingData);

OAHWND toOaHwnd(NativeWindow window)
{
    return static_cast<OAHWND>(static_cast<std::uintptr_t>(window));
}

// Wraps a reference that a call handed over. A call that claims success without a
// reference answers E_POINTER, so the logic never holds an empty handle it thinks it got.
template <typename Interface, typename Wrapper, typename Com, typename... Extra>
Obtained<Interface> wrap(HRESULT result, ComPtr<Com>&& com, Extra... extra)
{
    if (FAILED(result)) {
        return {result, nullptr};
    }
    if (!com) {
        return {E_POINTER, nullptr};
    }
    return {result, std::make_unique<Wrapper>(std::move(com), extra...)};
}

class DsPin final : public Pin {
public:
    explicit DsPin(ComPtr<IPin>&& pin) : pin_(std::move(pin)) {}
    [[nodiscard]] IPin* raw() const { return pin_.get(); }

    MediaAnswer<PinDirection> queryDirection() override
    {
        PIN_DIRECTION direction = PINDIR_INPUT;
        const HRESULT result = pin_->QueryDirection(&direction);
        return {result, direction == PINDIR_OUTPUT ? PinDirection::output : PinDirection::input};
    }

private:
    ComPtr<IPin> pin_;
};

class DsPinEnumerator final : public PinEnumerator {
public:
    explicit DsPinEnumerator(ComPtr<IEnumPins>&& pins) : pins_(std::move(pins)) {}

    Obtained<Pin> next() override
    {
        ComPtr<IPin> pin;
        ULONG fetched = 0;
        const HRESULT result = pins_->Next(1, pin.put(), &fetched);
        if (result != S_OK) {
            return {result, nullptr};
        }
        return wrap<Pin, DsPin>(result, std::move(pin));
    }

private:
    ComPtr<IEnumPins> pins_;
};

class DsFileSource final : public FileSource {
public:
    DsFileSource(ComPtr<IFileSourceFilter>&& source, bool ownStreamSource)
        : source_(std::move(source)), ownStreamSource_(ownStreamSource)
    {
    }

    HResult load(std::u16string_view address) override
    {
        const std::wstring wide = toWide(address);
        return source_->Load(wide.c_str(), nullptr);
    }
    Obtained<PendingLoad> startLoad(std::u16string_view address, NativeWindow window, std::uint32_t message,
                                    std::uintptr_t ticket) override
    {
        return startBackgroundLoad({shareReference(source_.get()), ownStreamSource_}, toWide(address),
                                   toHwnd(window), message, ticket);
    }

private:
    ComPtr<IFileSourceFilter> source_;
    bool ownStreamSource_;
};

class DsRendererConfig final : public RendererConfig {
public:
    explicit DsRendererConfig(ComPtr<IVMRFilterConfig>&& config) : config_(std::move(config)) {}

    HResult setRenderingMode(std::uint32_t mode) override { return config_->SetRenderingMode(mode); }
    HResult setNumberOfStreams(std::uint32_t count) override
    {
        return config_->SetNumberOfStreams(count);
    }

private:
    ComPtr<IVMRFilterConfig> config_;
};

class DsWindowlessControl final : public WindowlessControl {
public:
    explicit DsWindowlessControl(ComPtr<IVMRWindowlessControl>&& control)
        : control_(std::move(control))
    {
    }

    HResult setVideoClippingWindow(NativeWindow window) override
    {
        return control_->SetVideoClippingWindow(toHwnd(window));
    }
    HResult setBorderColor(std::uint32_t colour) override { return control_->SetBorderColor(colour); }

private:
    ComPtr<IVMRWindowlessControl> control_;
};

class DsMixerControl final : public MixerControl {
public:
    explicit DsMixerControl(ComPtr<IVMRMixerControl>&& mixer) : mixer_(std::move(mixer)) {}

    MediaAnswer<std::uint32_t> getMixingPrefs() override
    {
        DWORD prefs = 0;
        const HRESULT result = mixer_->GetMixingPrefs(&prefs);
        return {result, prefs};
    }
    HResult setMixingPrefs(std::uint32_t prefs) override { return mixer_->SetMixingPrefs(prefs); }

private:
    ComPtr<IVMRMixerControl> mixer_;
};

class DsMixerBitmap final : public MixerBitmap {
public:
    DsMixerBitmap(ComPtr<IVMRMixerBitmap>&& bitmap, HWND mainWindow)
        : bitmap_(std::move(bitmap)), mainWindow_(mainWindow)
    {
    }

    HResult setAlphaBitmap(const OverlayPicture& picture,
                           const AlphaBitmapParameters& parameters) override
    {
        const OverlayCanvas canvas(mainWindow_, picture);
        if (canvas.dc() == nullptr) {
            return E_OUTOFMEMORY;
        }
        VMRALPHABITMAP alpha{};
        alpha.dwFlags = parameters.flags;
        alpha.hdc = canvas.dc();
        alpha.pDDS = nullptr;
        alpha.rSrc = {parameters.source.left, parameters.source.top, parameters.source.right,
                      parameters.source.bottom};
        alpha.rDest = {parameters.destination.left, parameters.destination.top,
                       parameters.destination.right, parameters.destination.bottom};
        alpha.fAlpha = parameters.alpha;
        alpha.clrSrcKey = parameters.sourceColourKey;
        // The renderer copies the picture during the call; the objects go right after.
        return bitmap_->SetAlphaBitmap(&alpha);
    }

private:
    ComPtr<IVMRMixerBitmap> bitmap_;
    HWND mainWindow_;
};

class DsBaseFilter final : public BaseFilter {
public:
    // `ownStreamSource`: the program's own source filter, whose Load ends on request.
    DsBaseFilter(ComPtr<IBaseFilter>&& filter, HWND mainWindow, bool ownStreamSource = false)
        : filter_(std::move(filter)), mainWindow_(mainWindow), ownStreamSource_(ownStreamSource)
    {
    }
    [[nodiscard]] IBaseFilter* raw() const { return filter_.get(); }

    Obtained<FileSource> queryFileSource() override
    {
        ComPtr<IFileSourceFilter> source;
        const HRESULT result = filter_.query(IID_IFileSourceFilter, source);
        return wrap<FileSource, DsFileSource>(result, std::move(source), ownStreamSource_);
    }
    Obtained<PinEnumerator> enumPins() override
    {
        ComPtr<IEnumPins> pins;
        const HRESULT result = filter_->EnumPins(pins.put());
        return wrap<PinEnumerator, DsPinEnumerator>(result, std::move(pins));
    }
    Obtained<RendererConfig> queryRendererConfig() override
    {
        ComPtr<IVMRFilterConfig> config;
        const HRESULT result = filter_.query(iidVmrFilterConfig, config);
        return wrap<RendererConfig, DsRendererConfig>(result, std::move(config));
    }
    Obtained<WindowlessControl> queryWindowlessControl() override
    {
        ComPtr<IVMRWindowlessControl> control;
        const HRESULT result = filter_.query(iidVmrWindowlessControl, control);
        return wrap<WindowlessControl, DsWindowlessControl>(result, std::move(control));
    }
    Obtained<MixerControl> queryMixerControl() override
    {
        ComPtr<IVMRMixerControl> mixer;
        const HRESULT result = filter_.query(iidVmrMixerControl, mixer);
        return wrap<MixerControl, DsMixerControl>(result, std::move(mixer));
    }
    Obtained<MixerBitmap> queryMixerBitmap() override
    {
        ComPtr<IVMRMixerBitmap> bitmap;
        const HRESULT result = filter_.query(iidVmrMixerBitmap, bitmap);
        return wrap<MixerBitmap, DsMixerBitmap>(result, std::move(bitmap), mainWindow_);
    }

private:
    ComPtr<IBaseFilter> filter_;
    HWND mainWindow_;
    bool ownStreamSource_;
};

class DsVideoWindow final : public VideoWindow {
public:
    explicit DsVideoWindow(ComPtr<IVideoWindow>&& window) : window_(std::move(window)) {}

    HResult putOwner(NativeWindow owner) override { return window_->put_Owner(toOaHwnd(owner)); }
    HResult putWindowStyle(std::int32_t style) override { return window_->put_WindowStyle(style); }
    HResult setWindowPosition(const Rect& rect) override
    {
        return window_->SetWindowPosition(rect.left, rect.top, rect.width(), rect.height());
    }
    MediaAnswer<std::int32_t> getFullScreenMode() override
    {
        long mode = OAFALSE;
        const HRESULT result = window_->get_FullScreenMode(&mode);
        return {result, mode};
    }
    HResult putFullScreenMode(std::int32_t mode) override { return window_->put_FullScreenMode(mode); }
    MediaAnswer<NativeWindow> getMessageDrain() override
    {
        OAHWND drain = 0;
        const HRESULT result = window_->get_MessageDrain(&drain);
        return {result, static_cast<NativeWindow>(static_cast<std::uintptr_t>(drain))};
    }
    HResult putMessageDrain(NativeWindow drain) override
    {
        return window_->put_MessageDrain(toOaHwnd(drain));
    }
    HResult setWindowForeground(std::int32_t focus) override
    {
        return window_->SetWindowForeground(focus);
    }

private:
    ComPtr<IVideoWindow> window_;
};

// False when a filter of the graph that offers IBasicVideo has an input pin that no stream
// reached; true when that cannot be told.
bool videoRenderersConnected(const ComPtr<IBasicVideo>& graphVideo)
{
    ComPtr<IFilterGraph> graph;
    ComPtr<IEnumFilters> filters;
    if (FAILED(graphVideo.query(IID_IFilterGraph, graph)) ||
        FAILED(graph->EnumFilters(filters.put()))) {
        return true;
    }
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.put(), nullptr) == S_OK) {
        ComPtr<IBasicVideo> renderer;
        ComPtr<IEnumPins> pins;
        if (FAILED(filter.query(IID_IBasicVideo, renderer)) || FAILED(filter->EnumPins(pins.put()))) {
            continue;
        }
        ComPtr<IPin> pin;
        while (pins->Next(1, pin.put(), nullptr) == S_OK) {
            PIN_DIRECTION direction = PINDIR_OUTPUT;
            ComPtr<IPin> peer;
            if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT &&
                FAILED(pin->ConnectedTo(peer.put()))) {
                return false;
            }
        }
    }
    return true;
}

class DsBasicVideo final : public BasicVideo {
public:
    explicit DsBasicVideo(ComPtr<IBasicVideo>&& video) : video_(std::move(video)) {}

    // Windows answers VFW_E_NOT_CONNECTED for a renderer that got no stream (an address
    // whose source has no pins); Wine 8 reads the missing format and faults instead. So that
    // answer is given here without asking.
    MediaAnswer<Size> getVideoSize() override
    {
        if (!videoRenderersConnected(video_)) {
            return {VFW_E_NOT_CONNECTED, {}};
        }
        long width = 0;
        long height = 0;
        const HRESULT result = video_->GetVideoSize(&width, &height);
        return {result, {width, height}};
    }
    MediaAnswer<double> getAvgTimePerFrame() override
    {
        if (!videoRenderersConnected(video_)) {
            return {VFW_E_NOT_CONNECTED, {}};
        }
        REFTIME seconds = 0.0;
        const HRESULT result = video_->get_AvgTimePerFrame(&seconds);
        return {result, seconds};
    }

private:
    ComPtr<IBasicVideo> video_;
};

class DsBasicAudio final : public BasicAudio {
public:
    explicit DsBasicAudio(ComPtr<IBasicAudio>&& audio) : audio_(std::move(audio)) {}
    HResult putVolume(std::int32_t level) override { return audio_->put_Volume(level); }

private:
    ComPtr<IBasicAudio> audio_;
};

class DsMediaControl final : public MediaControl {
public:
    explicit DsMediaControl(ComPtr<IMediaControl>&& control) : control_(std::move(control)) {}
    HResult run() override { return control_->Run(); }
    HResult pause() override { return control_->Pause(); }

private:
    ComPtr<IMediaControl> control_;
};

class DsMediaEvent final : public MediaEvent {
public:
    explicit DsMediaEvent(ComPtr<IMediaEventEx>&& events) : events_(std::move(events)) {}

    HResult setNotifyWindow(NativeWindow window, std::uint32_t message,
                            std::intptr_t instanceData) override
    {
        return events_->SetNotifyWindow(toOaHwnd(window), static_cast<long>(message), instanceData);
    }
    MediaAnswer<GraphEvent> getEvent(std::int32_t timeoutMs) override
    {
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        const HRESULT result = events_->GetEvent(&code, &param1, &param2, timeoutMs);
        return {result, {code, param1, param2}};
    }
    HResult freeEventParams(const GraphEvent& event) override
    {
        return events_->FreeEventParams(event.code, event.param1, event.param2);
    }

private:
    ComPtr<IMediaEventEx> events_;
};

class DsGraphBuilder final : public GraphBuilder {
public:
    explicit DsGraphBuilder(ComPtr<IGraphBuilder>&& graph) : graph_(std::move(graph)) {}

    Obtained<VideoWindow> queryVideoWindow() override
    {
        return query<VideoWindow, DsVideoWindow, IVideoWindow>(IID_IVideoWindow);
    }
    Obtained<BasicVideo> queryBasicVideo() override
    {
        return query<BasicVideo, DsBasicVideo, IBasicVideo>(IID_IBasicVideo);
    }
    Obtained<BasicAudio> queryBasicAudio() override
    {
        return query<BasicAudio, DsBasicAudio, IBasicAudio>(IID_IBasicAudio);
    }
    Obtained<MediaControl> queryMediaControl() override
    {
        return query<MediaControl, DsMediaControl, IMediaControl>(IID_IMediaControl);
    }
    Obtained<MediaEvent> queryMediaEvent() override
    {
        return query<MediaEvent, DsMediaEvent, IMediaEventEx>(IID_IMediaEventEx);
    }
    HResult addFilter(BaseFilter& filter, std::u16string_view name) override
    {
        auto* const ours = dynamic_cast<DsBaseFilter*>(&filter);
        if (ours == nullptr) {
            return E_INVALIDARG;
        }
        const std::wstring wideName = toWide(name);
        return graph_->AddFilter(ours->raw(), wideName.c_str());
    }
    HResult removeFilter(BaseFilter& filter) override
    {
        auto* const ours = dynamic_cast<DsBaseFilter*>(&filter);
        if (ours == nullptr) {
            return E_INVALIDARG;
        }
        return graph_->RemoveFilter(ours->raw());
    }
    HResult render(Pin& pin) override
    {
        auto* const ours = dynamic_cast<DsPin*>(&pin);
        if (ours == nullptr) {
            return E_INVALIDARG;
        }
        return graph_->Render(ours->raw());
    }

    [[nodiscard]] HRESULT queryRaw(REFIID iid, void** out) const { return graph_->QueryInterface(iid, out); }

private:
    template <typename Interface, typename Wrapper, typename Com>
    Obtained<Interface> query(REFIID iid)
    {
        ComPtr<Com> com;
        const HRESULT result = graph_.query(iid, com);
        return wrap<Interface, Wrapper>(result, std::move(com));
    }

    ComPtr<IGraphBuilder> graph_;
};

}  // namespace

HRESULT queryGraphInterface(GraphBuilder& graph, REFIID iid, void** out)
{
    const auto* const ours = dynamic_cast<const DsGraphBuilder*>(&graph);
    if (ours == nullptr) {
        return E_INVALIDARG;
    }
    return ours->queryRaw(iid, out);
}

HRESULT queryFilterInterface(BaseFilter& filter, REFIID iid, void** out)
{
    const auto* const ours = dynamic_cast<const DsBaseFilter*>(&filter);
    if (ours == nullptr || ours->raw() == nullptr) {
        return E_INVALIDARG;
    }
    return ours->raw()->QueryInterface(iid, out);
}

Obtained<GraphBuilder> Win32MediaFramework::createFilterGraph()
{
    ComPtr<IGraphBuilder> graph;
    const HRESULT result = CoCreateInstance(clsidFilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IGraphBuilder, graph.putVoid());
    return wrap<GraphBuilder, DsGraphBuilder>(result, std::move(graph));
}

Obtained<BaseFilter> Win32MediaFramework::createAsfReader()
{
    ComPtr<IBaseFilter> reader;
    const HRESULT result = CoCreateInstance(clsidWmAsfReader, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IBaseFilter, reader.putVoid());
    return wrap<BaseFilter, DsBaseFilter>(result, std::move(reader), mainWindow_.handle());
}

Obtained<BaseFilter> Win32MediaFramework::createStreamSource()
{
    if (!makeStreamSource_) {
        return {E_NOTIMPL, nullptr};
    }
    ComPtr<IBaseFilter> filter = createStreamSourceFilter(makeStreamSource_);
    const HRESULT result = filter ? S_OK : E_OUTOFMEMORY;
    return wrap<BaseFilter, DsBaseFilter>(result, std::move(filter), mainWindow_.handle(), true);
}

Obtained<BaseFilter> Win32MediaFramework::createVideoMixingRenderer()
{
    ComPtr<IBaseFilter> renderer;
    const HRESULT result =
        CoCreateInstance(clsidVideoMixingRenderer, nullptr,
                         CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IBaseFilter,
                         renderer.putVoid());
    return wrap<BaseFilter, DsBaseFilter>(result, std::move(renderer), mainWindow_.handle());
}

}  // namespace telvia::win32
