// What the probe's capture writes for one output pin of the source: DIR/pinN.es, the payload
// of every sample as delivered, one after another, and DIR/pinN.txt, the connection's media
// type as the report prints it with its format block in hexadecimal, then one line per
// sample: "start stop sync discontinuity preroll bytes" (times in 100 ns units, "-" when the
// sample has none; the flags 0 or 1). A sample that brings a new media type is preceded by
// "type change: " and that type as the report prints it, then its format line.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/win32/base/windows_includes.h"

#include <strmif.h>

namespace telvia::probe {

struct CapturedSample {
    std::optional<std::int64_t> start;
    std::optional<std::int64_t> stop;
    bool sync = false;
    bool discontinuity = false;
    bool preroll = false;
    std::size_t bytes = 0;
};

// "0 400000 1 1 0 5120", "- - 0 0 0 17".
[[nodiscard]] std::string sampleLine(const CapturedSample& sample);

// "format 4 bytes: 0a0b0c0d".
[[nodiscard]] std::string formatLine(const AM_MEDIA_TYPE& type);

class PinCapture {
public:
    // Creates (or replaces) both files of pin `number` in `folder`; empty when either
    // cannot be created.
    [[nodiscard]] static std::unique_ptr<PinCapture> create(const std::wstring& folder, int number);
    PinCapture(const PinCapture&) = delete;
    PinCapture& operator=(const PinCapture&) = delete;

    // The connection's type, written before any sample.
    void writeType(const AM_MEDIA_TYPE& type);
    // From the streaming thread; false when a file could not take it.
    [[nodiscard]] bool write(IMediaSample& sample);
    void endOfStream() { ended_ = true; }

    [[nodiscard]] std::uint64_t samples() const { return samples_; }
    [[nodiscard]] std::uint64_t bytes() const { return bytes_; }
    [[nodiscard]] bool ended() const { return ended_; }
    [[nodiscard]] bool failed() const { return failed_; }

private:
    struct FileCloser {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    using File = std::unique_ptr<std::FILE, FileCloser>;

    PinCapture(File payload, File lines) : payload_(std::move(payload)), lines_(std::move(lines)) {}

    std::mutex mutex_;
    File payload_;
    File lines_;
    std::atomic<std::uint64_t> samples_{0};
    std::atomic<std::uint64_t> bytes_{0};
    std::atomic<bool> ended_{false};
    std::atomic<bool> failed_{false};
};

}  // namespace telvia::probe
