#include "platform/win32/media/stream_source_pin.h"

#include <dshow.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <utility>

#include "platform/win32/base/com_object.h"
#include "platform/win32/media/directshow_enumerators.h"

namespace telvia::win32 {

namespace {

bool fullySpecified(const AM_MEDIA_TYPE& type)
{
    return !IsEqualGUID(type.majortype, GUID_NULL) && !IsEqualGUID(type.subtype, GUID_NULL) &&
           !IsEqualGUID(type.formattype, GUID_NULL);
}

// Sets the properties and takes the allocator if it gives buffers of some size.
bool agreeOn(IMemAllocator& allocator, ALLOCATOR_PROPERTIES wanted)
{
    ALLOCATOR_PROPERTIES actual{};
    return SUCCEEDED(allocator.SetProperties(&wanted, &actual)) && actual.cBuffers > 0 &&
           actual.cbBuffer > 0;
}

}  // namespace

StreamSourcePin::StreamSourcePin(PinOwner& owner, std::wstring name, std::vector<MediaType> types,
                                 BufferNeeds buffers, StreamSourcePort& source, std::size_t track,
                                 std::int64_t sampleDuration, SampleTimeline& timeline)
    : owner_(owner),
      name_(std::move(name)),
      types_(std::make_shared<const std::vector<MediaType>>(std::move(types))),
      buffers_(buffers),
      streamer_(source, track, sampleDuration, timeline, owner, [this](const MediaType& type) {
          const std::lock_guard lock(mutex_);
          connectedType_ = MediaType::copyOf(type.get());
      })
{
}

HRESULT StreamSourcePin::startStreaming() noexcept
{
    DeliveryTarget target;
    {
        const std::lock_guard lock(mutex_);
        if (!peer_) {
            return S_OK;  // an unconnected pin streams nothing
        }
        target = {peer_.get(), input_.get(), allocator_.get()};
    }
    const HRESULT committed = target.allocator->Commit();
    if (FAILED(committed)) {
        return committed;
    }
    return streamer_.start(target);
}

void StreamSourcePin::stopStreaming() noexcept
{
    IMemAllocator* allocator = nullptr;
    {
        const std::lock_guard lock(mutex_);
        allocator = allocator_.get();
    }
    if (allocator != nullptr) {
        allocator->Decommit();  // ends a wait for a free buffer
    }
    streamer_.stop();
}

HRESULT StreamSourcePin::QueryInterface(REFIID iid, void** out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IPin)) {
        *out = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG StreamSourcePin::AddRef() { return owner_.baseFilter().AddRef(); }
ULONG StreamSourcePin::Release() { return owner_.baseFilter().Release(); }

HRESULT StreamSourcePin::Connect(IPin* receiver, const AM_MEDIA_TYPE* wanted)
{
    if (receiver == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(mutex_);
    if (peer_) {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (!owner_.isStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    if (FAILED(receiver->QueryDirection(&direction)) || direction != PINDIR_INPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    for (const MediaType& type : *types_) {
        if (wanted != nullptr && !type.matches(*wanted)) {
            continue;
        }
        if (SUCCEEDED(tryConnection(*receiver, type))) {
            return S_OK;
        }
    }
    return wanted != nullptr && fullySpecified(*wanted) ? VFW_E_TYPE_NOT_ACCEPTED
                                                        : VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT StreamSourcePin::tryConnection(IPin& receiver, const MediaType& type)
{
    if (receiver.ReceiveConnection(this, &type.get()) != S_OK) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    ComPtr<IMemInputPin> input;
    HRESULT result = receiver.QueryInterface(IID_IMemInputPin, input.putVoid());
    ComPtr<IMemAllocator> allocator;
    if (SUCCEEDED(result)) {
        result = decideAllocator(*input.get(), allocator);
    }
    if (SUCCEEDED(result)) {
        try {
            connectedType_ = MediaType::copyOf(type.get());
        } catch (...) {
            result = E_OUTOFMEMORY;
        }
    }
    if (FAILED(result)) {
        receiver.Disconnect();
        return result;
    }
    peer_ = shareReference(&receiver);
    input_ = std::move(input);
    allocator_ = std::move(allocator);
    return S_OK;
}

HRESULT StreamSourcePin::decideAllocator(IMemInputPin& input, ComPtr<IMemAllocator>& chosen) const
{
    ALLOCATOR_PROPERTIES asked{};
    input.GetAllocatorRequirements(&asked);  // optional for the input pin
    ALLOCATOR_PROPERTIES wanted{};
    wanted.cBuffers = std::max(asked.cBuffers, buffers_.count);
    wanted.cbBuffer = std::max(asked.cbBuffer, buffers_.bytes);
    wanted.cbAlign = std::max(asked.cbAlign, 1L);
    wanted.cbPrefix = asked.cbPrefix;

    // The input pin's own allocator first, then the system's memory allocator.
    ComPtr<IMemAllocator> allocator;
    if (FAILED(input.GetAllocator(allocator.put())) || !allocator || !agreeOn(*allocator.get(), wanted) ||
        FAILED(input.NotifyAllocator(allocator.get(), FALSE))) {
        const HRESULT created = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                                 IID_IMemAllocator, allocator.putVoid());
        if (FAILED(created)) {
            return created;
        }
        if (!agreeOn(*allocator.get(), wanted)) {
            return VFW_E_SIZENOTSET;
        }
        const HRESULT notified = input.NotifyAllocator(allocator.get(), FALSE);
        if (FAILED(notified)) {
            return notified;
        }
    }
    chosen = std::move(allocator);
    return S_OK;
}

HRESULT StreamSourcePin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*)
{
    return E_UNEXPECTED;  // an output pin connects, it is not connected to
}

HRESULT StreamSourcePin::Disconnect()
{
    const std::lock_guard lock(mutex_);
    if (!owner_.isStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    if (!peer_) {
        return S_FALSE;
    }
    peer_.reset();
    input_.reset();
    allocator_.reset();
    connectedType_ = MediaType();
    return S_OK;
}

HRESULT StreamSourcePin::ConnectedTo(IPin** peer)
{
    if (peer == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(mutex_);
    *peer = nullptr;
    if (!peer_) {
        return VFW_E_NOT_CONNECTED;
    }
    return handOut(shareReference(peer_.get()), peer);
}

HRESULT StreamSourcePin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (type == nullptr) {
        return E_POINTER;
    }
    const std::lock_guard lock(mutex_);
    if (!peer_) {
        *type = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return connectedType_.copyTo(*type);
}

HRESULT StreamSourcePin::QueryPinInfo(PIN_INFO* info)
{
    if (info == nullptr) {
        return E_POINTER;
    }
    IBaseFilter& filter = owner_.baseFilter();
    filter.AddRef();
    info->pFilter = &filter;
    info->dir = PINDIR_OUTPUT;
    const std::size_t length = std::min<std::size_t>(name_.size(), MAX_PIN_NAME - 1);
    std::wmemcpy(info->achName, name_.c_str(), length);
    info->achName[length] = L'\0';
    return S_OK;
}

HRESULT StreamSourcePin::QueryDirection(PIN_DIRECTION* direction)
{
    if (direction == nullptr) {
        return E_POINTER;
    }
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

HRESULT StreamSourcePin::QueryId(LPWSTR* id)
{
    if (id == nullptr) {
        return E_POINTER;
    }
    const std::size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*id == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(*id, name_.c_str(), bytes);
    return S_OK;
}

HRESULT StreamSourcePin::QueryAccept(const AM_MEDIA_TYPE* type)
{
    if (type == nullptr) {
        return E_POINTER;
    }
    const bool offered = std::any_of(types_->begin(), types_->end(), [type](const MediaType& ours) {
        return fullySpecified(*type) && ours.matches(*type);
    });
    return offered ? S_OK : S_FALSE;
}

HRESULT StreamSourcePin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (types == nullptr) {
        return E_POINTER;
    }
    return handOut(makeMediaTypeEnumerator(types_), types);
}

HRESULT StreamSourcePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

// Stream control flows downstream from this pin, never into it.
HRESULT StreamSourcePin::EndOfStream() { return E_UNEXPECTED; }
HRESULT StreamSourcePin::BeginFlush() { return E_UNEXPECTED; }
HRESULT StreamSourcePin::EndFlush() { return E_UNEXPECTED; }
HRESULT StreamSourcePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

}  // namespace telvia::win32
