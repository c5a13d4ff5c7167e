// The probe's report of what the stream session does while Load waits: every request with
// the address asked for and the HTTP status or the system's error, the format the first
// bytes show, each playlist read and each variant tried. A 404 then reads as a 404, where
// Load can only say the stream was unreachable.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "playback/stream/session/session_observer.h"

namespace telvia::probe {

class SessionReport final : public stream::SessionObserver {
public:
    // Each line goes to `report`; the lines of the session's thread and the probe's own
    // are kept apart by one lock.
    explicit SessionReport(std::function<void(std::string_view line)> report) : report_(std::move(report)) {}

    // For the probe's own lines.
    void line(std::string_view text);

    void onAnswer(const stream::RequestAnswer& answer) override;
    void onFormat(stream::StreamFormat format) override;
    void onPlaylist(std::string_view address, const stream::HlsParseResult& parsed) override;
    void onVariant(const stream::HlsVariant& variant, const stream::HlsAudioRendition* audio) override;
    void onManifest(std::string_view address, const stream::DashParseResult& parsed) override;
    void onDashFailure(stream::DashScheduleError error) override;
    void onEncryptedSamples() override;

private:
    std::mutex mutex_;
    std::function<void(std::string_view line)> report_;
};

// "HTTP 404", or "error 12029 (cannot connect)".
[[nodiscard]] std::string answerText(const stream::RequestAnswer& answer);

}  // namespace telvia::probe
