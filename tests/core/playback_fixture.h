// A channel ready to play against the scripted media framework, with the status words of
// a translation file, for the tests of playback.
#pragma once

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "presenter_fixture.h"

namespace telvia {

// Readable failure messages for the geometry types.
inline void PrintTo(const Rect& rect, std::ostream* out)
{
    *out << "{" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << "}";
}
inline void PrintTo(const Size& size, std::ostream* out)
{
    *out << size.width << " x " << size.height;
}

inline constexpr HResult noInterface = static_cast<HResult>(0x80004002u);  // E_NOINTERFACE
inline constexpr HResult notImplemented = static_cast<HResult>(0x80004001u);  // E_NOTIMPL
inline constexpr HResult anyFailure = static_cast<HResult>(0x80004005u);     // E_FAIL

// A presenter whose current channel "News" is ready to connect.
struct PlaybackFixture : PresenterFixture {
    fakes::FakeMediaScript& media = platform.media.script();

    PlaybackFixture()
    {
        state->current.name = u"News";
        state->current.address = u"mms://news";
        state->viewMode = 1;
        player.fillVolumeSteps();
        loadTranslationsFrom(*translations,
                             "[SECTION_2]\nCONNECTING=Connecting\nBUFFERING=Buffering\nPAUSE=Paused\n");
    }

    // Connects, and the source's Load returns.
    void connect()
    {
        player.connect();
        finishLoads();
    }

    [[nodiscard]] std::vector<std::string> releases() const
    {
        std::vector<std::string> found;
        for (const std::string& call : platform.log.calls) {
            if (call.starts_with("release ")) {
                found.push_back(call);
            }
        }
        return found;
    }

    [[nodiscard]] int count(const std::string& call) const
    {
        return static_cast<int>(
            std::count(platform.log.calls.begin(), platform.log.calls.end(), call));
    }

    // The references the graph holds, named as their fields, in tear-down order.
    [[nodiscard]] std::vector<std::string> held() const
    {
        const PlayerGraph& graph = played().graph;
        std::vector<std::string> names;
        const auto add = [&names](bool present, const char* name) {
            if (present) {
                names.emplace_back(name);
            }
        };
        add(graph.windowlessControl != nullptr, "windowlessControl");
        add(graph.mixerBitmap != nullptr, "mixerBitmap");
        add(graph.pinEnum != nullptr, "pinEnum");
        add(graph.mediaEvent != nullptr, "mediaEvent");
        add(graph.mediaControl != nullptr, "mediaControl");
        add(graph.basicAudio != nullptr, "basicAudio");
        add(graph.basicVideo != nullptr, "basicVideo");
        add(graph.videoWindow != nullptr, "videoWindow");
        add(graph.fileSource != nullptr, "fileSource");
        add(graph.sourceFilter != nullptr, "sourceFilter");
        add(graph.graphBuilder != nullptr, "graphBuilder");
        return names;
    }
};

}  // namespace telvia
