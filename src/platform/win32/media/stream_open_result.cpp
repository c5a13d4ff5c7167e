#include "platform/win32/media/stream_open_result.h"

#include <dshow.h>

namespace telvia::win32 {

namespace {
// ERROR_WINHTTP_CANNOT_CONNECT: what the network adapter meets when no server answers.
constexpr DWORD cannotConnect = 12029;
}  // namespace

HRESULT loadResultFor(StreamOpenResult result)
{
    switch (result) {
    case StreamOpenResult::opened:
        return S_OK;
    case StreamOpenResult::unreachable:
        return HRESULT_FROM_WIN32(cannotConnect);
    case StreamOpenResult::notSupported:
        return VFW_E_UNKNOWN_FILE_TYPE;
    case StreamOpenResult::noPlayableTrack:
        return VFW_E_UNSUPPORTED_STREAM;
    case StreamOpenResult::stopped:
        return E_ABORT;
    }
    return E_FAIL;
}

}  // namespace telvia::win32
