// Reads fragmented MP4 (the segments of HLS and DASH): an initialisation segment whose
// `moov` lists the tracks, then fragments, each a `moof` listing samples and the `mdat`
// holding them. Hands on the same access units a transport stream gives: H.264 in
// start-code form with the parameter sets before key frames, AAC in ADTS frames, MPEG
// audio frame by frame, timed on the 90 kHz stream clock.
// Bytes arrive in pieces of any size. Memory stays bounded whatever the stream says: the
// movie and fragment boxes are held whole only up to a limit of their kind, a larger one is
// passed over; the media data are read as they stream in, each sample handed on as soon as
// its last byte is in (a channel starts on its segment's first pictures, not its last), and
// a sample over its limit is passed over and counted lost; other boxes are passed over
// without being held.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "playback/stream/container/elementary_stream.h"
#include "playback/stream/container/mp4_fragment.h"
#include "playback/stream/container/mp4_movie.h"

namespace telvia::stream {

struct Mp4BoxLimits {
    std::size_t movie = 4 * 1024 * 1024;   // moov: a few tracks' descriptions
    std::size_t fragment = 1024 * 1024;    // moof: the sample lists of seconds of media
    std::size_t sample = 8 * 1024 * 1024;  // one sample: a key frame at a high bit rate
};

struct Mp4ReaderStats {
    std::uint32_t malformedBoxes = 0;   // boxes whose insides do not fit
    std::uint32_t oversizedBoxes = 0;   // boxes or samples over their limit, passed over
    std::uint32_t lostSamples = 0;      // listed, but not in the media data, or unreadable
};

class FragmentedMp4Reader {
public:
    explicit FragmentedMp4Reader(Mp4BoxLimits limits = {}) : limits_(limits) {}

    void feed(std::span<const std::uint8_t> bytes);
    // The bytes so far end here (the end of a segment or of the stream): a box they leave
    // unfinished is given up, a box whose size runs to the end of the file is read, and the
    // next bytes count as a file of their own. The tracks and their clocks stay.
    void finish();

    [[nodiscard]] std::vector<AccessUnit> takeAccessUnits() { return std::exchange(units_, {}); }

    // The tracks of the latest movie read; none before the first one.
    [[nodiscard]] std::optional<std::span<const StreamDescription>> program() const;

    // The samples are encrypted: nothing of them is handed on and every track is listed as
    // one the system cannot decode.
    [[nodiscard]] bool encrypted() const { return encrypted_; }

    [[nodiscard]] Mp4ReaderStats stats() const { return stats_; }

private:
    struct OpenBox {
        std::uint32_t type = 0;
        std::uint32_t headerLength = 0;
        std::optional<std::uint64_t> size;  // none: up to the end of the file
        bool held = false;                  // collected whole, else passed over
    };

    void process();
    [[nodiscard]] std::size_t limitFor(std::uint32_t type) const;
    void openBox(const OpenBox& box);
    void closeBox(std::span<const std::uint8_t> whole);
    void readMovie(std::span<const std::uint8_t> contents);
    void readFragment(std::span<const std::uint8_t> contents);
    // Takes what of `bytes` belongs to the media data box being read.
    void readMedia(std::span<const std::uint8_t>& bytes);
    void endMedia();
    void loseAwaited();
    void handOn(const Mp4Sample& sample, const Mp4Track& track, std::span<const std::uint8_t> bytes);
    void loseSample(const Mp4Sample& sample);
    [[nodiscard]] const Mp4Track* trackOf(std::uint32_t id) const;

    Mp4BoxLimits limits_;
    std::vector<std::uint8_t> pending_;  // from the start of the current box
    std::uint64_t position_ = 0;         // of pending_'s first byte in the file
    std::optional<OpenBox> box_;
    std::uint64_t skipLeft_ = 0;  // of a box passed over
    bool skipToEnd_ = false;      // a box passed over runs to the end of the file

    std::optional<Mp4Movie> movie_;
    std::vector<StreamDescription> streams_;
    Mp4TrackClocks clocks_;
    // The media data box being read: the file position where it ends, none for the end of
    // the file.
    struct OpenMedia {
        std::optional<std::uint64_t> end;
    };
    std::optional<OpenMedia> media_;
    // Listed by the latest fragment, in the order their data lie in; those before
    // awaitedAt_ are done. The bytes of the one being collected are in sampleBytes_.
    std::vector<Mp4Sample> awaited_;
    std::size_t awaitedAt_ = 0;
    std::vector<std::uint8_t> sampleBytes_;
    std::map<std::uint32_t, bool> lossPending_;
    bool encrypted_ = false;
    std::vector<AccessUnit> units_;
    Mp4ReaderStats stats_;
};

}  // namespace telvia::stream
