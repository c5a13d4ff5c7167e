// One output pin of the stream source filter, for one track of the stream: offers the
// track's media types, connects to a downstream input pin with an allocator both agree on,
// and streams on its own thread while the filter is paused or running.
//
// The pin lives as long as its filter and shares the filter's reference count, so that a
// reference to a pin keeps the filter alive.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/base/com_ptr.h"
#include "platform/win32/media/media_type.h"
#include "platform/win32/media/pin_streamer.h"
#include "platform/win32/media/track_media_types.h"

namespace telvia::win32 {

// What a pin needs of its filter besides streaming.
class PinOwner : public StreamingHost {
public:
    [[nodiscard]] virtual bool isStopped() const = 0;
    [[nodiscard]] virtual IBaseFilter& baseFilter() = 0;
};

// COM objects are deleted only by their own Release, as their final type, never through an
// interface pointer; the interfaces' missing virtual destructors do not matter.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class StreamSourcePin final : public IPin {
public:
    StreamSourcePin(PinOwner& owner, std::wstring name, std::vector<MediaType> types,
                    BufferNeeds buffers, StreamSourcePort& source, std::size_t track,
                    std::int64_t sampleDuration, SampleTimeline& timeline);
    StreamSourcePin(const StreamSourcePin&) = delete;
    StreamSourcePin& operator=(const StreamSourcePin&) = delete;

    [[nodiscard]] const std::wstring& name() const { return name_; }

    // The filter's state changes; called with the filter's state lock held.
    [[nodiscard]] HRESULT startStreaming() noexcept;
    void stopStreaming() noexcept;
    [[nodiscard]] PinStreamer& streamer() { return streamer_; }

    // IUnknown: the reference count is the filter's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* receiver, const AM_MEDIA_TYPE* wanted) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** peer) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    [[nodiscard]] HRESULT tryConnection(IPin& receiver, const MediaType& type);
    [[nodiscard]] HRESULT decideAllocator(IMemInputPin& input, ComPtr<IMemAllocator>& chosen) const;

    PinOwner& owner_;
    const std::wstring name_;
    const std::shared_ptr<const std::vector<MediaType>> types_;
    const BufferNeeds buffers_;

    // Connections come from the graph's thread and may call back into this pin.
    mutable std::recursive_mutex mutex_;
    ComPtr<IPin> peer_;
    ComPtr<IMemInputPin> input_;
    ComPtr<IMemAllocator> allocator_;
    MediaType connectedType_;

    PinStreamer streamer_;
};
#pragma GCC diagnostic pop

}  // namespace telvia::win32
