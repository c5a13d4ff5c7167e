// Writes a transport stream programme as a live encoder would, in pieces that continue
// one another (HLS segments, or a plain stream cut anywhere): 25 pictures a second of
// H.264 (160x120 Baseline, a key frame with its parameter sets every `keyInterval`
// pictures) and AAC in ADTS frames, 1024 samples at 48 kHz.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ts_builder.h"

namespace telvia::stream::testing {

// A sequence parameter set an encoder wrote: 160x120 Constrained Baseline, 25 frames a second.
inline const Bytes sps160x120 = {0x67, 0x42, 0xC0, 0x0B, 0xDC, 0x28, 0x47, 0xE5, 0xC0, 0x44, 0x00, 0x00,
                                 0x03, 0x00, 0x04, 0x00, 0x00, 0x03, 0x00, 0xC8, 0x3C, 0x50, 0xAE};
inline const Bytes pps = {0x68, 0xCE, 0x3C, 0x80};

inline constexpr std::uint16_t programPmtPid = 0x1000;
inline constexpr std::uint16_t programVideoPid = 0x100;
inline constexpr std::uint16_t programAudioPid = 0x101;
inline constexpr std::uint64_t ticksPerPicture = 3600;     // 90 kHz / 25
inline constexpr std::uint64_t ticksPerAudioFrame = 1920;  // 90 kHz * 1024 / 48000

struct ProgramLayout {
    bool video = true;
    bool audio = true;
    std::uint8_t videoType = 0x1B;  // H.264; 0x24 would be HEVC
    std::uint8_t audioType = 0x0F;  // AAC in ADTS; 0x81 would be AC-3
    int keyInterval = 25;
};

class ProgramWriter {
public:
    explicit ProgramWriter(ProgramLayout layout = {}, std::uint64_t firstTime = 900000)
        : layout_(layout), videoTime_(firstTime), audioTime_(firstTime)
    {
    }

    // The next `pictures` pictures and the audio that goes with them, after the tables.
    Bytes piece(int pictures)
    {
        ts_.out.clear();
        ts_.table(0, patSection(1, programPmtPid));
        std::vector<StreamEntry> streams;
        if (layout_.video) streams.push_back({layout_.videoType, programVideoPid});
        if (layout_.audio) streams.push_back({layout_.audioType, programAudioPid});
        ts_.table(programPmtPid, pmtSection(1, streams));
        for (int i = 0; i < pictures; ++i) {
            const bool key = picture_ % layout_.keyInterval == 0;
            if (layout_.video) {
                ts_.pes(programVideoPid, pesPacket(0xE0, videoTime_, std::nullopt, videoUnit(key), false), key);
            }
            ++picture_;
            videoTime_ += ticksPerPicture;
            while (layout_.audio && audioTime_ < videoTime_) {
                ts_.pes(programAudioPid, pesPacket(0xC0, audioTime_, std::nullopt, adtsFrame(120, audioFill()), true));
                audioTime_ += ticksPerAudioFrame;
            }
        }
        return ts_.out;
    }

    // The encoder restarts: the clock starts again at `time`, a key frame comes first.
    void restartAt(std::uint64_t time)
    {
        videoTime_ = audioTime_ = time;
        picture_ = 0;
    }

    // Skips stream time, as a stretch that never reaches the player would.
    void skip(int pictures)
    {
        picture_ += pictures;
        videoTime_ += ticksPerPicture * static_cast<std::uint64_t>(pictures);
        audioTime_ = videoTime_;
    }

    [[nodiscard]] int pictures() const { return picture_; }

private:
    Bytes videoUnit(bool key) const
    {
        Bytes unit = {0, 0, 0, 1, 0x09, 0xF0};
        if (key) {
            for (const Bytes* set : {&sps160x120, &pps}) {
                unit.insert(unit.end(), {0, 0, 0, 1});
                unit.insert(unit.end(), set->begin(), set->end());
            }
        }
        unit.insert(unit.end(), {0, 0, 1, static_cast<std::uint8_t>(key ? 0x65 : 0x41)});
        // The picture's number in its body, so a test can tell pictures apart.
        unit.insert(unit.end(), {static_cast<std::uint8_t>(picture_ >> 8), static_cast<std::uint8_t>(picture_)});
        unit.resize(unit.size() + 200, 0x5A);
        return unit;
    }

    std::uint8_t audioFill() { return static_cast<std::uint8_t>(++audioFrames_); }

    ProgramLayout layout_;
    TsWriter ts_;
    std::uint64_t videoTime_;
    std::uint64_t audioTime_;
    int picture_ = 0;
    int audioFrames_ = 0;
};

inline std::string asText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace telvia::stream::testing
