#include "capture_sink.h"

#include <dshow.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/base/com_object.h"
#include "platform/win32/media/directshow_enumerators.h"
#include "platform/win32/media/media_type.h"

namespace telvia::probe {

namespace {

using win32::ComPtr;
using win32::handOut;
using win32::shareReference;

constexpr wchar_t pinName[] = L"Capture";

// {6F0C5A5E-3B1D-4C47-9E7A-2D6B1C0F8A31}: the sink is made in-process and never registered.
constexpr GUID clsidCaptureSink = {0x6F0C5A5E, 0x3B1D, 0x4C47, {0x9E, 0x7A, 0x2D, 0x6B, 0x1C, 0x0F, 0x8A, 0x31}};

// COM objects are deleted only by their own Release, as their final type, never through an
// interface pointer; the interfaces' missing virtual destructors do not matter.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class CaptureSink;

// The input pin; it lives as long as its filter and shares its reference count.
class CapturePin final : public IPin, public IMemInputPin {
public:
    CapturePin(CaptureSink& filter, std::shared_ptr<PinCapture> capture)
        : filter_(filter), capture_(std::move(capture))
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPin)) {
            *out = static_cast<IPin*>(this);
        } else if (IsEqualGUID(iid, IID_IMemInputPin)) {
            *out = static_cast<IMemInputPin*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override
    {
        if (connector == nullptr || type == nullptr) {
            return E_POINTER;
        }
        const std::lock_guard lock(mutex_);
        if (peer_) {
            return VFW_E_ALREADY_CONNECTED;
        }
        try {
            type_ = win32::MediaType::copyOf(*type);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        peer_ = shareReference(connector);
        capture_->writeType(*type);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Disconnect() override
    {
        const std::lock_guard lock(mutex_);
        if (!peer_) {
            return S_FALSE;
        }
        peer_.reset();
        allocator_.reset();
        type_ = win32::MediaType();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** peer) override
    {
        if (peer == nullptr) {
            return E_POINTER;
        }
        const std::lock_guard lock(mutex_);
        *peer = nullptr;
        return peer_ ? handOut(shareReference(peer_.get()), peer) : VFW_E_NOT_CONNECTED;
    }
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override
    {
        if (type == nullptr) {
            return E_POINTER;
        }
        const std::lock_guard lock(mutex_);
        if (!peer_) {
            *type = AM_MEDIA_TYPE{};
            return VFW_E_NOT_CONNECTED;
        }
        return type_.copyTo(*type);
    }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override
    {
        if (direction == nullptr) {
            return E_POINTER;
        }
        *direction = PINDIR_INPUT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override
    {
        if (id == nullptr) {
            return E_POINTER;
        }
        *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof pinName));
        if (*id == nullptr) {
            return E_OUTOFMEMORY;
        }
        std::wmemcpy(*id, pinName, std::size(pinName));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override
    {
        return type != nullptr ? S_OK : E_POINTER;
    }
    // Prefers nothing: the connection takes the source's first type.
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override
    {
        if (types == nullptr) {
            return E_POINTER;
        }
        return handOut(win32::makeMediaTypeEnumerator(std::make_shared<const std::vector<win32::MediaType>>()),
                       types);
    }
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override
    {
        capture_->endOfStream();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    // IMemInputPin: the source brings its own allocator.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override
    {
        if (allocator != nullptr) {
            *allocator = nullptr;
        }
        return VFW_E_NO_ALLOCATOR;
    }
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL) override
    {
        if (allocator == nullptr) {
            return E_POINTER;
        }
        const std::lock_guard lock(mutex_);
        allocator_ = shareReference(allocator);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override
    {
        if (samples == nullptr || processed == nullptr) {
            return E_POINTER;
        }
        *processed = 0;
        for (long i = 0; i < count; ++i) {
            const HRESULT received = Receive(samples[i]);
            if (received != S_OK) {
                return received;
            }
            ++*processed;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }

private:
    CaptureSink& filter_;
    const std::shared_ptr<PinCapture> capture_;
    std::mutex mutex_;
    ComPtr<IPin> peer_;
    ComPtr<IMemAllocator> allocator_;
    win32::MediaType type_;
};

class CaptureSink final : public IBaseFilter {
public:
    explicit CaptureSink(std::shared_ptr<PinCapture> capture) : pin_(*this, std::move(capture)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPersist) ||
            IsEqualGUID(iid, IID_IMediaFilter) || IsEqualGUID(iid, IID_IBaseFilter)) {
            *out = static_cast<IBaseFilter*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return win32::releaseReference(this, references_); }

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override
    {
        if (id == nullptr) {
            return E_POINTER;
        }
        *id = clsidCaptureSink;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Stop() override { return changeState(State_Stopped, 0); }
    HRESULT STDMETHODCALLTYPE Pause() override { return changeState(State_Paused, 0); }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override { return changeState(State_Running, start); }
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE* state) override
    {
        if (state == nullptr) {
            return E_POINTER;
        }
        const std::lock_guard lock(mutex_);
        *state = state_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override
    {
        const std::lock_guard lock(mutex_);
        clock_ = shareReference(clock);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override
    {
        if (clock == nullptr) {
            return E_POINTER;
        }
        const std::lock_guard lock(mutex_);
        *clock = shareReference(clock_.get()).detach();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override
    {
        if (pins == nullptr) {
            return E_POINTER;
        }
        *pins = nullptr;
        try {
            std::vector<ComPtr<IPin>> list;
            list.push_back(shareReference<IPin>(&pin_));
            return handOut(win32::makePinEnumerator(std::move(list)), pins);
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
        return std::wcscmp(id, pinName) == 0 ? handOut(shareReference<IPin>(&pin_), pin) : VFW_E_NOT_FOUND;
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
    // The graph owns its filters: it is held without a reference while the filter is in it.
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override
    {
        try {
            const std::lock_guard lock(graphMutex_);
            name_ = name != nullptr ? name : L"";
            graph_ = graph;
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

    // Holds a sample until it is due, as a renderer does: while paused until the graph
    // runs, then until the clock reaches its start. The source is thereby drawn on as fast
    // as playback draws on it, so that the capture shows its times as a renderer gets them,
    // stalls included. False when the filter stopped meanwhile.
    [[nodiscard]] bool waitUntilDue(std::optional<REFERENCE_TIME> start)
    {
        constexpr auto longestWait = std::chrono::milliseconds(50);
        std::unique_lock lock(mutex_);
        for (;;) {
            if (state_ == State_Stopped) {
                return false;
            }
            std::chrono::milliseconds wait = longestWait;
            if (state_ == State_Running) {
                REFERENCE_TIME now = 0;
                if (!start || !clock_ || FAILED(clock_->GetTime(&now)) || now >= runStart_ + *start) {
                    return true;
                }
                wait = std::min(wait, std::chrono::milliseconds((runStart_ + *start - now) / 10'000 + 1));
            }
            changed_.wait_for(lock, wait);
        }
    }

private:
    HRESULT changeState(FILTER_STATE state, REFERENCE_TIME start)
    {
        {
            const std::lock_guard lock(mutex_);
            state_ = state;
            runStart_ = start;
        }
        changed_.notify_all();
        return S_OK;
    }

    win32::ReferenceCount references_;
    std::mutex mutex_;
    std::condition_variable changed_;
    FILTER_STATE state_ = State_Stopped;
    ComPtr<IReferenceClock> clock_;
    REFERENCE_TIME runStart_ = 0;
    std::mutex graphMutex_;
    IFilterGraph* graph_ = nullptr;
    std::wstring name_;
    CapturePin pin_;
};
#pragma GCC diagnostic pop

ULONG CapturePin::AddRef() { return filter_.AddRef(); }
ULONG CapturePin::Release() { return filter_.Release(); }

HRESULT CapturePin::QueryPinInfo(PIN_INFO* info)
{
    if (info == nullptr) {
        return E_POINTER;
    }
    filter_.AddRef();
    info->pFilter = &filter_;
    info->dir = PINDIR_INPUT;
    std::wmemcpy(info->achName, pinName, std::size(pinName));
    return S_OK;
}

HRESULT CapturePin::Receive(IMediaSample* sample)
{
    if (sample == nullptr) {
        return E_POINTER;
    }
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    if (!filter_.waitUntilDue(timed ? std::optional(start) : std::nullopt)) {
        return VFW_E_WRONG_STATE;
    }
    return capture_->write(*sample) ? S_OK : E_FAIL;
}

}  // namespace

win32::ComPtr<IBaseFilter> createCaptureSink(std::shared_ptr<PinCapture> capture) noexcept
{
    return win32::makeComObject<IBaseFilter, CaptureSink>(std::move(capture));
}

}  // namespace telvia::probe
