// What the tests of the stream source filter in a real filter graph share: making the
// graph, loading an address, listing pins, querying interfaces, and waiting for a graph
// event or a condition with a time limit.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/base/com_ptr.h"

namespace telvia::testing {

using GraphClock = std::chrono::steady_clock;

inline std::string hex(HRESULT result)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(result));
    return text;
}

// Under Wine, whether ALSA's null device stands in for a sound card (the ctest entries of
// the audio cases set ALSA_CONFIG_PATH); without it no audio pin renders.
inline bool lacksSoundDevice()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr &&
           GetEnvironmentVariableW(L"ALSA_CONFIG_PATH", nullptr, 0) == 0;
}

inline HRESULT load(IBaseFilter& filter, const wchar_t* address)
{
    win32::ComPtr<IFileSourceFilter> source;
    const HRESULT queried = filter.QueryInterface(IID_IFileSourceFilter, source.putVoid());
    return FAILED(queried) ? queried : source->Load(address, nullptr);
}

inline std::vector<win32::ComPtr<IPin>> pinsOf(IBaseFilter& filter)
{
    std::vector<win32::ComPtr<IPin>> pins;
    win32::ComPtr<IEnumPins> list;
    if (FAILED(filter.EnumPins(list.put()))) {
        return pins;
    }
    for (;;) {
        win32::ComPtr<IPin> pin;
        if (list->Next(1, pin.put(), nullptr) != S_OK) {
            return pins;
        }
        pins.push_back(std::move(pin));
    }
}

inline win32::ComPtr<IGraphBuilder> makeGraph()
{
    win32::ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.putVoid());
    return graph;
}

template <typename Interface>
win32::ComPtr<Interface> query(IUnknown& object, REFIID iid)
{
    win32::ComPtr<Interface> result;
    object.QueryInterface(iid, result.putVoid());
    return result;
}

// The next event with `code` within the time, or none; other events are passed over.
inline std::optional<LONG_PTR> waitForEvent(IMediaEventEx& events, long wanted, DWORD milliseconds)
{
    const auto end = GraphClock::now() + std::chrono::milliseconds(milliseconds);
    while (GraphClock::now() < end) {
        long code = 0;
        LONG_PTR first = 0;
        LONG_PTR second = 0;
        if (events.GetEvent(&code, &first, &second, 50) == S_OK) {
            events.FreeEventParams(code, first, second);
            if (code == wanted) {
                return first;
            }
        }
    }
    return std::nullopt;
}

template <typename Condition>
bool waitUntil(Condition condition, DWORD milliseconds)
{
    const auto end = GraphClock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (GraphClock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace telvia::testing
