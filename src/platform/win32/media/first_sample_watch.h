// The stream source as the filter's pins pull from it, telling once when the first sample
// of any track has come: the end of the buffering a stream starts with.
#pragma once

#include <atomic>
#include <functional>
#include <utility>

#include "platform/stream_source_port.h"

namespace telvia::win32 {

class FirstSampleWatch final : public StreamSourcePort {
public:
    // `onFirstSample` is called once, from the streaming thread that pulled that sample.
    FirstSampleWatch(StreamSourcePort& source, std::function<void()> onFirstSample)
        : source_(source), onFirstSample_(std::move(onFirstSample))
    {
    }

    [[nodiscard]] StreamOpenResult open(std::string_view utf8Address) override { return source_.open(utf8Address); }
    [[nodiscard]] std::span<const StreamTrackFormat> tracks() const override { return source_.tracks(); }
    [[nodiscard]] std::optional<StreamSample> nextSample(std::size_t track) override
    {
        std::optional<StreamSample> sample = source_.nextSample(track);
        if (sample && !told_.exchange(true)) {
            onFirstSample_();
        }
        return sample;
    }
    void dropTrack(std::size_t track) override { source_.dropTrack(track); }
    void stop() override { source_.stop(); }

private:
    StreamSourcePort& source_;
    std::function<void()> onFirstSample_;
    std::atomic<bool> told_{false};
};

}  // namespace telvia::win32
