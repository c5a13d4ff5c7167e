#include "platform/win32/media/directshow_enumerators.h"

#include <dshow.h>

#include <algorithm>
#include <utility>

#include "platform/win32/base/com_object.h"

namespace telvia::win32 {

namespace {

struct PinList {
    using Interface = IEnumPins;
    using Item = IPin*;
    using Items = std::vector<ComPtr<IPin>>;
    static const IID& iid() { return IID_IEnumPins; }
    static Item handOut(const ComPtr<IPin>& pin)
    {
        pin->AddRef();
        return pin.get();
    }
    static void discard(Item pin) { pin->Release(); }
};

struct MediaTypeList {
    using Interface = IEnumMediaTypes;
    using Item = AM_MEDIA_TYPE*;
    using Items = std::vector<MediaType>;
    static const IID& iid() { return IID_IEnumMediaTypes; }
    static Item handOut(const MediaType& type) { return type.newTaskMemCopy(); }
    static void discard(Item type) { deleteTaskMemMediaType(type); }
};

// COM objects are deleted only by their own Release, as their final type, never through an
// interface pointer; the interfaces' missing virtual destructors do not matter.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The list is shared by an enumerator and its clones; each keeps its own position.
template <typename List>
class ListEnumerator final : public List::Interface {
public:
    using Interface = typename List::Interface;
    using Item = typename List::Item;
    using Shared = std::shared_ptr<const typename List::Items>;

    ListEnumerator(Shared items, std::size_t position) : items_(std::move(items)), position_(position) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, List::iid())) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return releaseReference(this, references_); }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override
    {
        if (out == nullptr || (count != 1 && fetched == nullptr)) {
            return E_POINTER;
        }
        ULONG given = 0;
        for (; given < count && position_ < items_->size(); ++given, ++position_) {
            out[given] = List::handOut((*items_)[position_]);
            if (out[given] == nullptr) {
                for (ULONG i = 0; i < given; ++i) {
                    List::discard(out[i]);
                    out[i] = nullptr;
                }
                position_ -= given;
                return E_OUTOFMEMORY;
            }
        }
        if (fetched != nullptr) {
            *fetched = given;
        }
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        const std::size_t left = items_->size() - position_;
        position_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** out) override
    {
        if (out == nullptr) {
            return E_POINTER;
        }
        return handOut(makeComObject<Interface, ListEnumerator>(items_, position_), out);
    }

private:
    ReferenceCount references_;
    Shared items_;
    std::size_t position_;
};
#pragma GCC diagnostic pop

}  // namespace

ComPtr<IEnumPins> makePinEnumerator(std::vector<ComPtr<IPin>> pins) noexcept
{
    try {
        auto shared = std::make_shared<const std::vector<ComPtr<IPin>>>(std::move(pins));
        return makeComObject<IEnumPins, ListEnumerator<PinList>>(std::move(shared), std::size_t{0});
    } catch (...) {
        return {};
    }
}

ComPtr<IEnumMediaTypes> makeMediaTypeEnumerator(
    std::shared_ptr<const std::vector<MediaType>> types) noexcept
{
    return makeComObject<IEnumMediaTypes, ListEnumerator<MediaTypeList>>(std::move(types),
                                                                         std::size_t{0});
}

}  // namespace telvia::win32
