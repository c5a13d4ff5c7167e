#include "playback/stream/container/mp4_fragment.h"

#include <algorithm>

#include "playback/stream/container/mp4_box.h"

namespace telvia::stream {

namespace {

// tfhd
constexpr std::uint32_t hasBaseDataOffset = 0x000001;
constexpr std::uint32_t hasDescriptionIndex = 0x000002;
constexpr std::uint32_t hasDefaultDuration = 0x000008;
constexpr std::uint32_t hasDefaultSize = 0x000010;
constexpr std::uint32_t hasDefaultFlags = 0x000020;
constexpr std::uint32_t baseIsMoof = 0x020000;
// trun
constexpr std::uint32_t hasDataOffset = 0x000001;
constexpr std::uint32_t hasFirstSampleFlags = 0x000004;
constexpr std::uint32_t hasSampleDuration = 0x000100;
constexpr std::uint32_t hasSampleSize = 0x000200;
constexpr std::uint32_t hasSampleFlags = 0x000400;
constexpr std::uint32_t hasCompositionOffset = 0x000800;
// sample flags
constexpr std::uint32_t sampleIsNonSync = 0x00010000;
constexpr std::uint32_t dependsOnMask = 0x03000000;
constexpr std::uint32_t dependsOnOthers = 0x01000000;

bool isSync(std::uint32_t flags) { return (flags & sampleIsNonSync) == 0 && (flags & dependsOnMask) != dependsOnOthers; }

// Where a track fragment's data lie when its runs do not say.
struct TrackFragmentState {
    const Mp4Track* track = nullptr;
    std::uint64_t base = 0;
    Mp4SampleDefaults defaults;
    std::uint64_t dataEnd = 0;  // after the last sample read so far
    std::uint64_t decodeTime = 0;
    bool firstRun = true;
};

class FragmentReader {
public:
    FragmentReader(std::uint64_t position, const Mp4Movie& movie, Mp4TrackClocks& clocks)
        : position_(position), movie_(movie), clocks_(clocks), nextBase_(position)
    {
    }

    std::optional<Mp4Fragment> read(std::span<const std::uint8_t> contents)
    {
        const bool fits = forEachMp4Box(contents, [this](std::uint32_t type, std::span<const std::uint8_t> box) {
            return type != fourCc("traf") || readTrackFragment(box);
        });
        if (!fits) {
            return std::nullopt;
        }
        return std::move(fragment_);
    }

private:
    bool readTrackFragment(std::span<const std::uint8_t> traf)
    {
        // The header and the decoding time are read before the runs, wherever they stand.
        std::optional<std::span<const std::uint8_t>> tfhd;
        std::optional<std::span<const std::uint8_t>> tfdt;
        std::vector<std::span<const std::uint8_t>> runs;
        const bool fits = forEachMp4Box(traf, [&](std::uint32_t type, std::span<const std::uint8_t> box) {
            if (type == fourCc("tfhd") && !tfhd) {
                tfhd = box;
            } else if (type == fourCc("tfdt") && !tfdt) {
                tfdt = box;
            } else if (type == fourCc("trun")) {
                runs.push_back(box);
            } else if (type == fourCc("senc")) {
                fragment_.encrypted = true;
            }
            return true;
        });
        if (!fits || !tfhd) {
            return false;
        }
        std::optional<TrackFragmentState> state = readHeader(*tfhd);
        if (!state) {
            return false;
        }
        if (state->track == nullptr) {
            return true;  // a track the movie does not list
        }
        if (tfdt) {
            Mp4Cursor cursor(*tfdt);
            const std::uint8_t version = cursor.u8();
            cursor.skip(3);
            state->decodeTime = version == 1 ? cursor.u64() : cursor.u32();
            if (cursor.failed()) {
                return false;
            }
        } else {
            state->decodeTime = clocks_[state->track->id];
        }
        for (const std::span<const std::uint8_t> run : runs) {
            if (!readRun(run, *state)) {
                return false;
            }
        }
        clocks_[state->track->id] = state->decodeTime;
        nextBase_ = state->dataEnd;
        return true;
    }

    std::optional<TrackFragmentState> readHeader(std::span<const std::uint8_t> tfhd)
    {
        Mp4Cursor cursor(tfhd);
        const std::uint32_t flags = cursor.u32() & 0xFFFFFF;
        const std::uint32_t id = cursor.u32();
        TrackFragmentState state;
        const auto track = std::find_if(movie_.tracks.begin(), movie_.tracks.end(),
                                        [id](const Mp4Track& candidate) { return candidate.id == id; });
        if (track != movie_.tracks.end()) {
            state.track = &*track;
            state.defaults = track->defaults;
        }
        // Without a base of its own, the first track fragment's data are counted from the
        // fragment's start and each later one's from the end of the one before.
        state.base = (flags & hasBaseDataOffset) != 0 ? cursor.u64() : (flags & baseIsMoof) != 0 ? position_ : nextBase_;
        if ((flags & hasDescriptionIndex) != 0) {
            cursor.skip(4);
        }
        if ((flags & hasDefaultDuration) != 0) {
            state.defaults.duration = cursor.u32();
        }
        if ((flags & hasDefaultSize) != 0) {
            state.defaults.size = cursor.u32();
        }
        if ((flags & hasDefaultFlags) != 0) {
            state.defaults.flags = cursor.u32();
        }
        if (cursor.failed()) {
            return std::nullopt;
        }
        state.dataEnd = state.base;
        return state;
    }

    bool readRun(std::span<const std::uint8_t> trun, TrackFragmentState& state)
    {
        Mp4Cursor cursor(trun);
        const std::uint8_t version = cursor.u8();
        const std::uint32_t flags = cursor.u24();
        const std::uint32_t count = cursor.u32();
        std::uint64_t at = state.firstRun ? state.base : state.dataEnd;
        if ((flags & hasDataOffset) != 0) {
            const auto offset = static_cast<std::int32_t>(cursor.u32());
            if (offset < 0 && static_cast<std::uint64_t>(-static_cast<std::int64_t>(offset)) > state.base) {
                return false;
            }
            at = state.base + static_cast<std::uint64_t>(static_cast<std::int64_t>(offset));
        }
        const bool hasFirstFlags = (flags & hasFirstSampleFlags) != 0;
        const std::uint32_t firstFlags = hasFirstFlags ? cursor.u32() : 0;
        if (cursor.failed() || count > mp4FragmentSampleLimit - fragment_.samples.size()) {
            return false;
        }
        state.firstRun = false;
        const bool audio = state.track->kind != StreamTrackKind::h264;
        for (std::uint32_t i = 0; i < count; ++i) {
            Mp4Sample sample;
            sample.track = state.track->id;
            const std::uint32_t duration = (flags & hasSampleDuration) != 0 ? cursor.u32() : state.defaults.duration;
            sample.size = (flags & hasSampleSize) != 0 ? cursor.u32() : state.defaults.size;
            std::uint32_t sampleFlags = (flags & hasSampleFlags) != 0 ? cursor.u32() : state.defaults.flags;
            if (i == 0 && hasFirstFlags) {
                sampleFlags = firstFlags;
            }
            if ((flags & hasCompositionOffset) != 0) {
                const std::uint32_t offset = cursor.u32();
                sample.compositionOffset = version == 0 ? static_cast<std::int64_t>(offset)
                                                        : static_cast<std::int64_t>(static_cast<std::int32_t>(offset));
            }
            if (cursor.failed()) {
                return false;
            }
            sample.position = at;
            sample.decodeTime = state.decodeTime;
            sample.sync = audio || isSync(sampleFlags);
            at += sample.size;
            state.decodeTime += duration;
            fragment_.samples.push_back(sample);
        }
        state.dataEnd = at;
        return true;
    }

    std::uint64_t position_;
    const Mp4Movie& movie_;
    Mp4TrackClocks& clocks_;
    std::uint64_t nextBase_;
    Mp4Fragment fragment_;
};

}  // namespace

std::optional<Mp4Fragment> parseMp4Fragment(std::span<const std::uint8_t> contents, std::uint64_t position,
                                            const Mp4Movie& movie, Mp4TrackClocks& clocks)
{
    // The clocks move on only when the whole fragment reads.
    Mp4TrackClocks updated = clocks;
    std::optional<Mp4Fragment> fragment = FragmentReader(position, movie, updated).read(contents);
    if (fragment) {
        clocks = std::move(updated);
    }
    return fragment;
}

}  // namespace telvia::stream
