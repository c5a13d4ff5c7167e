// Writes a programme as fragmented MP4, as an HLS packager would: an initialisation
// segment, then one fragment per piece. The same pictures and audio as ProgramWriter
// (25 pictures a second of 160x120 H.264, a key frame every `keyInterval`; AAC at 48 kHz),
// so that both containers can be compared sample for sample.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mp4_builder.h"
#include "program_writer.h"

namespace telvia::stream::testing {

struct Mp4ProgramLayout {
    bool video = true;
    bool audio = true;
    int keyInterval = 25;
    std::uint32_t videoId = 1;
    std::uint32_t audioId = 2;
    Bytes videoEntryExtra;  // more boxes in the video's sample entry (a protection scheme)
    std::string videoEntry = "avc1";
};

class Mp4ProgramWriter {
public:
    explicit Mp4ProgramWriter(Mp4ProgramLayout layout = {}, std::uint64_t firstTime = 900000)
        : layout_(std::move(layout)), videoTime_(firstTime), audioTime_(firstTime * 48000 / 90000)
    {
    }

    // The initialisation segment: the video at 90 kHz, the audio at its sample rate.
    [[nodiscard]] Bytes init() const
    {
        std::vector<Bytes> traks;
        std::vector<TrackDefaults> defaults;
        if (layout_.video) {
            traks.push_back(trak(layout_.videoId, "vide", 90000,
                                 visualEntry(layout_.videoEntry, concat({avcC({sps160x120}, {pps}), layout_.videoEntryExtra}))));
            defaults.emplace_back(layout_.videoId, 3600, 0, nonSyncFlags);
        }
        if (layout_.audio) {
            traks.push_back(trak(layout_.audioId, "soun", 48000, audioEntry("mp4a", esds(0x40, {0x11, 0x90}))));
            defaults.emplace_back(layout_.audioId, 1024, 0, 0);
        }
        return concat({ftyp(), moov(traks, defaults)});
    }

    // The next `pictures` pictures and the audio that goes with them, as one fragment.
    Bytes piece(int pictures)
    {
        TrackFragment video = trackFragment(layout_.videoId, videoTime_);
        TrackFragment audio = trackFragment(layout_.audioId, audioTime_);
        std::vector<RunSample> pictureSamples;
        std::vector<RunSample> audioSamples;
        Bytes videoData;
        Bytes audioData;
        const std::uint64_t endTime = videoTime_ + static_cast<std::uint64_t>(pictures) * ticksPerPicture;
        for (int i = 0; i < pictures && layout_.video; ++i) {
            const bool key = picture_ % layout_.keyInterval == 0;
            const Bytes sample = lengthPrefixed({key ? Bytes{0x65, 0x88, 0x84, 0x00} : Bytes{0x41, 0x9A, 0x02}, Bytes(200, 0x5A)});
            pictureSamples.push_back(runSample(std::nullopt, static_cast<std::uint32_t>(sample.size()),
                                               key ? syncFlags : nonSyncFlags));
            videoData.insert(videoData.end(), sample.begin(), sample.end());
            ++picture_;
        }
        videoTime_ = endTime;
        // Audio frames of 1024 samples up to where the pictures end.
        while (layout_.audio && audioTime_ * 90000 / 48000 < endTime) {
            const Bytes frame(120, static_cast<std::uint8_t>(audioTime_));
            audioSamples.push_back(runSample(std::nullopt, static_cast<std::uint32_t>(frame.size())));
            audioData.insert(audioData.end(), frame.begin(), frame.end());
            audioTime_ += 1024;
        }
        std::vector<TrackFragment> trafs;
        if (!pictureSamples.empty()) {
            video.runs.push_back(trackRun(pictureSamples, 0));
            trafs.push_back(video);
        }
        if (!audioSamples.empty()) {
            audio.runs.push_back(trackRun(audioSamples, static_cast<std::uint32_t>(videoData.size())));
            trafs.push_back(audio);
        }
        return concat({box("styp", text("msdh")), fragment(trafs, concat({videoData, audioData}), ++sequence_)});
    }

private:
    Mp4ProgramLayout layout_;
    std::uint64_t videoTime_;
    std::uint64_t audioTime_;  // in audio samples
    int picture_ = 0;
    std::uint32_t sequence_ = 0;
};

}  // namespace telvia::stream::testing
