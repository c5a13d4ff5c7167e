#include "session_report.h"

#include <variant>

namespace telvia::probe {

namespace {

std::string_view httpErrorName(HttpError error)
{
    switch (error) {
    case httpErrorTimeout:
        return "timed out";
    case httpErrorInvalidAddress:
        return "not an address";
    case httpErrorUnsupportedScheme:
        return "neither http nor https";
    case httpErrorNameNotResolved:
        return "no such host";
    case httpErrorCancelled:
        return "cancelled";
    case httpErrorCannotConnect:
        return "cannot connect";
    case httpErrorConnectionError:
        return "connection broken";
    case httpErrorRedirectFailed:
        return "redirect failed";
    default:
        return {};
    }
}

std::string_view formatName(stream::StreamFormat format)
{
    switch (format) {
    case stream::StreamFormat::hlsPlaylist:
        return "HLS playlist";
    case stream::StreamFormat::dashManifest:
        return "DASH manifest";
    case stream::StreamFormat::transportStream:
        return "MPEG transport stream";
    case stream::StreamFormat::mpegAudio:
        return "MPEG audio";
    case stream::StreamFormat::adtsAudio:
        return "AAC in ADTS";
    case stream::StreamFormat::fragmentedMp4:
        return "fragmented MP4";
    case stream::StreamFormat::asf:
        return "Windows Media (ASF)";
    case stream::StreamFormat::unknown:
        break;
    }
    return "unknown";
}

}  // namespace

std::string answerText(const stream::RequestAnswer& answer)
{
    if (answer.error == httpOk) {
        return "HTTP " + std::to_string(answer.status);
    }
    std::string text = "error " + std::to_string(answer.error);
    if (const std::string_view name = httpErrorName(answer.error); !name.empty()) {
        text += " (" + std::string(name) + ")";
    }
    return text;
}

void SessionReport::line(std::string_view text)
{
    const std::scoped_lock lock(mutex_);
    report_(text);
}

void SessionReport::onAnswer(const stream::RequestAnswer& answer)
{
    std::string text = "request: " + std::string(answer.address) + ": " + answerText(answer);
    if (answer.error == httpOk && !answer.finalAddress.empty() && answer.finalAddress != answer.address) {
        text += ", from " + std::string(answer.finalAddress);
    }
    line(text);
}

void SessionReport::onFormat(stream::StreamFormat format)
{
    line("format: " + std::string(formatName(format)));
}

void SessionReport::onPlaylist(std::string_view address, const stream::HlsParseResult& parsed)
{
    std::string text = "playlist: " + std::string(address) + ": ";
    if (const auto* master = std::get_if<stream::HlsMasterPlaylist>(&parsed)) {
        text += "master, " + std::to_string(master->variants.size()) + " variants, " +
                std::to_string(master->audio.size()) + " audio renditions";
    } else if (const auto* media = std::get_if<stream::HlsMediaPlaylist>(&parsed)) {
        text += "media, " + std::to_string(media->segments.size()) + " segments from " +
                std::to_string(media->mediaSequence) + (media->endList ? ", ended" : ", live");
    } else {
        const auto& error = std::get<stream::HlsParseError>(parsed);
        text += "refused, " + std::string(stream::describe(error.error));
        if (error.line != 0) {
            text += " (line " + std::to_string(error.line) + ")";
        }
    }
    line(text);
}

void SessionReport::onManifest(std::string_view address, const stream::DashParseResult& parsed)
{
    std::string text = "manifest: " + std::string(address) + ": ";
    if (const auto* manifest = std::get_if<stream::DashManifest>(&parsed)) {
        std::size_t representations = 0;
        for (const stream::DashPeriod& period : manifest->periods) {
            for (const stream::DashAdaptationSet& set : period.adaptationSets) {
                representations += set.representations.size();
            }
        }
        text += std::string(manifest->dynamic ? "live" : "finished") + ", " +
                std::to_string(manifest->periods.size()) + " periods, " + std::to_string(representations) +
                " representations";
    } else {
        const auto& error = std::get<stream::DashParseError>(parsed);
        text += "refused, " + std::string(stream::describe(error.error));
        if (error.xml) {
            text += " (" + std::string(stream::describe(*error.xml)) + ")";
        }
    }
    line(text);
}

void SessionReport::onDashFailure(stream::DashScheduleError error)
{
    line("dash: " + std::string(stream::describe(error)));
}

void SessionReport::onVariant(const stream::HlsVariant& variant, const stream::HlsAudioRendition* audio)
{
    std::string text = "variant: " + variant.address + ", " + std::to_string(variant.bandwidth) + " bit/s";
    if (variant.width != 0) {
        text += ", " + std::to_string(variant.width) + "x" + std::to_string(variant.height);
    }
    if (!variant.codecs.empty()) {
        text += ", codecs " + variant.codecs;
    }
    if (audio != nullptr) {
        text += ", audio " + audio->address;
    }
    line(text);
}

void SessionReport::onEncryptedSamples() { line("segments: encrypted samples (not played)"); }

}  // namespace telvia::probe
