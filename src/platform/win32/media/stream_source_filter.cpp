#include "platform/win32/media/stream_source_filter.h"

#include <dshow.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/utf8.h"
#include "platform/win32/base/com_object.h"
#include "platform/win32/media/directshow_enumerators.h"
#include "platform/win32/media/first_sample_watch.h"
#include "platform/win32/media/media_subtypes.h"
#include "platform/win32/media/sample_timeline.h"
#include "platform/win32/media/stream_open_result.h"
#include "platform/win32/media/stream_source_pin.h"
#include "platform/win32/media/track_media_types.h"

namespace telvia::win32 {

namespace {

const wchar_t* pinNameFor(StreamTrackKind kind)
{
    return kind == StreamTrackKind::h264 ? L"Video" : L"Audio";
}

// COM objects are deleted only by their own Release, as their final type, never through an
// interface pointer; the interfaces' missing virtual destructors do not matter.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class StreamSourceFilter final : public IBaseFilter,
                                 public IFileSourceFilter,
                                 public IAMOpenProgress,
                                 public IAMFilterMiscFlags,
                                 public PinOwner,
                                 public StreamSourceEvents {
public:
    explicit StreamSourceFilter(StreamSourceFactory makeSource) : makeSource_(std::move(makeSource)) {}

    // Tear-down: no more deliveries, the source stopped (which wakes a pin's thread waiting
    // for a sample), then the threads joined before pins and source go.
    ~StreamSourceFilter() override
    {
        for (const auto& pin : pins_) {
            pin->streamer().requestExit();
        }
        if (source_) {
            source_->stop();
        }
        for (const auto& pin : pins_) {
            pin->streamer().join();
        }
        pins_.clear();
        watch_.reset();
        source_.reset();
    }

    StreamSourceFilter(const StreamSourceFilter&) = delete;
    StreamSourceFilter& operator=(const StreamSourceFilter&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPersist) ||
            IsEqualGUID(iid, IID_IMediaFilter) || IsEqualGUID(iid, IID_IBaseFilter)) {
            *out = static_cast<IBaseFilter*>(this);
        } else if (IsEqualGUID(iid, IID_IFileSourceFilter)) {
            *out = static_cast<IFileSourceFilter*>(this);
        } else if (IsEqualGUID(iid, IID_IAMOpenProgress)) {
            *out = static_cast<IAMOpenProgress*>(this);
        } else if (IsEqualGUID(iid, IID_IAMFilterMiscFlags)) {
            *out = static_cast<IAMFilterMiscFlags*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return releaseReference(this, references_); }

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override
    {
        if (id == nullptr) {
            return E_POINTER;
        }
        *id = clsidStreamSourceFilter;
        return S_OK;
    }

    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override
    {
        const std::lock_guard lock(stateMutex_);
        if (state_ == State_Stopped) {
            return S_OK;
        }
        for (const auto& pin : pins_) {
            pin->stopStreaming();
        }
        setRunning(false, 0);
        state_ = State_Stopped;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Pause() override
    {
        const std::lock_guard lock(stateMutex_);
        const HRESULT started = startFromStopped();
        if (FAILED(started)) {
            return started;
        }
        setRunning(false, 0);
        state_ = State_Paused;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override
    {
        const std::lock_guard lock(stateMutex_);
        const HRESULT started = startFromStopped();
        if (FAILED(started)) {
            return started;
        }
        setRunning(true, start);
        state_ = State_Running;
        return S_OK;
    }
    // A live source cannot fill the renderers ahead of Run, so Paused is never complete.
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE* state) override
    {
        if (state == nullptr) {
            return E_POINTER;
        }
        *state = state_;
        return *state == State_Paused ? VFW_S_CANT_CUE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override
    {
        const std::lock_guard lock(clockMutex_);
        clock_ = shareReference(clock);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override
    {
        if (clock == nullptr) {
            return E_POINTER;
        }
        const std::lock_guard lock(clockMutex_);
        *clock = shareReference(clock_.get()).detach();
        return S_OK;
    }

    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override
    {
        if (pins == nullptr) {
            return E_POINTER;
        }
        *pins = nullptr;
        try {
            std::vector<ComPtr<IPin>> list;
            const std::lock_guard lock(stateMutex_);
            for (const auto& pin : pins_) {
                list.push_back(shareReference<IPin>(pin.get()));
            }
            return handOut(makePinEnumerator(std::move(list)), pins);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override
    {
        if (id == nullptr || pin == nullptr) {
            return E_POINTER;
        }
        *pin = nullptr;
        const std::lock_guard lock(stateMutex_);
        for (const auto& candidate : pins_) {
            if (candidate->name() == id) {
                return handOut(shareReference<IPin>(candidate.get()), pin);
            }
        }
        return VFW_E_NOT_FOUND;
    }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override
    {
        if (info == nullptr) {
            return E_POINTER;
        }
        const std::lock_guard lock(graphMutex_);
        const std::size_t length = std::min<std::size_t>(name_.size(), MAX_FILTER_NAME - 1);
        std::wmemcpy(info->achName, name_.c_str(), length);
        info->achName[length] = L'\0';
        info->pGraph = shareReference(graph_).detach();
        return S_OK;
    }
    // The graph owns its filters: it is held without a reference, and so is its event
    // sink, as long as the filter is in it.
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override
    {
        try {
            const std::lock_guard lock(graphMutex_);
            name_ = name != nullptr ? name : L"";
            graph_ = graph;
            events_ = nullptr;
            ComPtr<IMediaEventSink> sink;
            if (graph != nullptr && SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, sink.putVoid()))) {
                events_ = sink.get();
            }
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override
    {
        if (info != nullptr) {
            *info = nullptr;
        }
        return E_NOTIMPL;
    }

    // IFileSourceFilter
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR address, const AM_MEDIA_TYPE*) override
    {
        if (address == nullptr) {
            return E_POINTER;
        }
        try {
            return load(address);
        } catch (...) {
            const std::lock_guard lock(stateMutex_);
            loading_ = false;
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* address, AM_MEDIA_TYPE* type) override
    {
        if (address == nullptr) {
            return E_POINTER;
        }
        if (type != nullptr) {
            *type = AM_MEDIA_TYPE{};
        }
        const std::lock_guard lock(stateMutex_);
        *address = nullptr;
        if (!source_) {
            return S_OK;  // nothing loaded: no name
        }
        const std::size_t bytes = (address_.size() + 1) * sizeof(wchar_t);
        *address = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (*address == nullptr) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(*address, address_.c_str(), bytes);
        return S_OK;
    }

    // IAMOpenProgress: a Load running on another thread is ended at once (its requests
    // and waits stop) and fails with E_ABORT; a Load still to come fails too.
    HRESULT STDMETHODCALLTYPE QueryProgress(LONGLONG* total, LONGLONG* current) override
    {
        if (total == nullptr || current == nullptr) {
            return E_POINTER;
        }
        *total = 0;  // a stream has no length to count towards
        *current = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AbortOperation() override
    {
        const std::lock_guard lock(stateMutex_);
        aborted_ = true;
        if (opening_ != nullptr) {
            opening_->stop();
        }
        return S_OK;
    }

    // IAMFilterMiscFlags
    ULONG STDMETHODCALLTYPE GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }

private:
    HRESULT load(const wchar_t* address)
    {
        const std::wstring wide(address);
        const std::optional<std::string> utf8 =
            utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
        if (!utf8) {
            return E_INVALIDARG;
        }
        {
            const std::lock_guard lock(stateMutex_);
            if (source_ || loading_) {
                return E_UNEXPECTED;  // one address per filter
            }
            loading_ = true;
        }
        // Opening blocks on the network: no lock is held meanwhile, and AbortOperation may
        // stop the source from another thread.
        std::unique_ptr<StreamSourcePort> source = makeSource_(*this);
        bool aborted = false;
        {
            const std::lock_guard lock(stateMutex_);
            aborted = aborted_;
            opening_ = aborted ? nullptr : source.get();
        }
        HRESULT result = aborted ? E_ABORT : source ? loadResultFor(source->open(*utf8)) : E_FAIL;
        {
            const std::lock_guard lock(stateMutex_);
            opening_ = nullptr;
        }
        if (SUCCEEDED(result) && source->tracks().empty()) {
            result = VFW_E_UNSUPPORTED_STREAM;
        }
        std::unique_ptr<FirstSampleWatch> watch;
        std::vector<std::unique_ptr<StreamSourcePin>> pins;
        if (SUCCEEDED(result)) {
            // The start-up buffering ends with the first sample, as a stall's ends with the refill.
            watch = std::make_unique<FirstSampleWatch>(*source, [this] { notifyGraph(EC_BUFFERING_DATA, 0, 0); });
            const std::span<const StreamTrackFormat> tracks = source->tracks();
            for (std::size_t track = 0; track < tracks.size(); ++track) {
                pins.push_back(std::make_unique<StreamSourcePin>(
                    *this, pinNameFor(tracks[track].kind), mediaTypesForTrack(tracks[track]),
                    bufferNeeds(tracks[track].kind), *watch, track, sampleDuration(tracks[track]),
                    timeline_));
            }
        }
        const std::lock_guard lock(stateMutex_);
        loading_ = false;
        if (FAILED(result)) {
            return result;
        }
        source_ = std::move(source);
        watch_ = std::move(watch);
        pins_ = std::move(pins);
        address_ = wide;
        return S_OK;
    }

    // Starts every connected pin's run when leaving Stopped; on failure the ones started
    // stop again.
    HRESULT startFromStopped()
    {
        if (state_ != State_Stopped) {
            return S_OK;
        }
        // The first start fills the pins before anything plays: buffering, as the ASF
        // reader reports it, until the first sample comes.
        if (!startAnnounced_ && anyPinConnected()) {
            startAnnounced_ = true;
            notifyGraph(EC_BUFFERING_DATA, 1, 0);
        }
        timeline_.reset();
        for (std::size_t i = 0; i < pins_.size(); ++i) {
            // A track that nothing downstream plays (no decoder for it) is never pulled;
            // kept, it would fill the queues and hold back the tracks that play.
            if (!isConnected(*pins_[i])) {
                source_->dropTrack(i);
            }
        }
        for (std::size_t i = 0; i < pins_.size(); ++i) {
            const HRESULT started = pins_[i]->startStreaming();
            if (FAILED(started)) {
                for (std::size_t j = 0; j < i; ++j) {
                    pins_[j]->stopStreaming();
                }
                return started;
            }
        }
        return S_OK;
    }

    // A pin without a downstream filter streams nothing, so it has nothing to fill.
    bool anyPinConnected() const
    {
        return std::any_of(pins_.begin(), pins_.end(), [](const auto& pin) { return isConnected(*pin); });
    }

    static bool isConnected(StreamSourcePin& pin)
    {
        ComPtr<IPin> peer;
        return SUCCEEDED(pin.ConnectedTo(peer.put()));
    }

    void setRunning(bool running, REFERENCE_TIME start)
    {
        const std::lock_guard lock(clockMutex_);
        running_ = running;
        runStart_ = start;
    }

    void notifyGraph(long code, LONG_PTR first, LONG_PTR second)
    {
        const std::lock_guard lock(graphMutex_);
        if (events_ != nullptr) {
            events_->Notify(code, first, second);
        }
    }

    // PinOwner
    bool isStopped() const override { return state_ == State_Stopped; }
    IBaseFilter& baseFilter() override { return *this; }
    std::optional<std::int64_t> runningStreamTime() override
    {
        const std::lock_guard lock(clockMutex_);
        REFERENCE_TIME now = 0;
        if (!running_ || !clock_ || FAILED(clock_->GetTime(&now))) {
            return std::nullopt;
        }
        return now - runStart_;
    }
    void reportStreamingError(HRESULT error) override { notifyGraph(EC_ERRORABORT, error, 0); }

    // StreamSourceEvents
    void onBuffering(bool started) override { notifyGraph(EC_BUFFERING_DATA, started ? 1 : 0, 0); }

    ReferenceCount references_;
    const StreamSourceFactory makeSource_;

    // State changes, loading and the pin list.
    std::mutex stateMutex_;
    std::atomic<FILTER_STATE> state_{State_Stopped};
    bool loading_ = false;
    bool aborted_ = false;                   // AbortOperation came: no Load opens anything
    StreamSourcePort* opening_ = nullptr;    // the source a running Load opens
    bool startAnnounced_ = false;            // the start-up buffering was told
    std::wstring address_;
    SampleTimeline timeline_;

    // Read by the streaming threads.
    std::mutex clockMutex_;
    ComPtr<IReferenceClock> clock_;
    REFERENCE_TIME runStart_ = 0;
    bool running_ = false;

    // The graph and its event sink, not counted (see JoinFilterGraph).
    std::mutex graphMutex_;
    IFilterGraph* graph_ = nullptr;
    IMediaEventSink* events_ = nullptr;
    std::wstring name_;

    // Last: the pins' threads use everything above.
    std::unique_ptr<StreamSourcePort> source_;
    std::unique_ptr<FirstSampleWatch> watch_;  // what the pins pull from
    std::vector<std::unique_ptr<StreamSourcePin>> pins_;
};
#pragma GCC diagnostic pop

}  // namespace

ComPtr<IBaseFilter> createStreamSourceFilter(StreamSourceFactory makeSource) noexcept
{
    return makeComObject<IBaseFilter, StreamSourceFilter>(std::move(makeSource));
}

}  // namespace telvia::win32
