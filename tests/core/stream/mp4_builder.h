// Writes small fragmented MP4 files box by box for the reader tests: an initialisation
// segment with the tracks a test names, and fragments whose runs point into the media
// data that follows them, so each test shows exactly which field is wrong or missing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ts_builder.h"

namespace telvia::stream::testing {

inline void put16(Bytes& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

inline void put32(Bytes& out, std::uint32_t value)
{
    put16(out, value >> 16);
    put16(out, value & 0xFFFF);
}

inline void put64(Bytes& out, std::uint64_t value)
{
    put32(out, static_cast<std::uint32_t>(value >> 32));
    put32(out, static_cast<std::uint32_t>(value));
}

inline Bytes box(const std::string& type, const Bytes& contents)
{
    Bytes out;
    put32(out, static_cast<std::uint32_t>(8 + contents.size()));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

// The same box with its size in the 64-bit field.
inline Bytes largeBox(const std::string& type, const Bytes& contents)
{
    Bytes out;
    put32(out, 1);
    out.insert(out.end(), type.begin(), type.end());
    put64(out, 16 + contents.size());
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

inline Bytes fullBox(const std::string& type, std::uint8_t version, std::uint32_t flags, const Bytes& contents)
{
    Bytes body;
    put32(body, static_cast<std::uint32_t>(version) << 24 | flags);
    body.insert(body.end(), contents.begin(), contents.end());
    return box(type, body);
}

inline Bytes avcC(const std::vector<Bytes>& sequenceSets, const std::vector<Bytes>& pictureSets,
                  std::uint8_t lengthSize = 4)
{
    Bytes out = {1, 0x42, 0xC0, 0x0B, static_cast<std::uint8_t>(0xFC | (lengthSize - 1)),
                 static_cast<std::uint8_t>(0xE0 | sequenceSets.size())};
    for (const Bytes& set : sequenceSets) {
        put16(out, static_cast<std::uint32_t>(set.size()));
        out.insert(out.end(), set.begin(), set.end());
    }
    out.push_back(static_cast<std::uint8_t>(pictureSets.size()));
    for (const Bytes& set : pictureSets) {
        put16(out, static_cast<std::uint32_t>(set.size()));
        out.insert(out.end(), set.begin(), set.end());
    }
    return box("avcC", out);
}

inline Bytes visualEntry(const std::string& type, const Bytes& boxes)
{
    Bytes out(78, 0);
    out[7] = 1;  // data reference
    out.insert(out.end(), boxes.begin(), boxes.end());
    return box(type, out);
}

// An ES descriptor with a decoder configuration of the object type, and the decoder's own
// configuration when one is given.
inline Bytes esds(std::uint8_t objectType, const Bytes& specific)
{
    Bytes decoder = {objectType, 0x15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (!specific.empty()) {
        decoder.push_back(5);
        decoder.push_back(static_cast<std::uint8_t>(specific.size()));
        decoder.insert(decoder.end(), specific.begin(), specific.end());
    }
    Bytes es = {0, 1, 0, 4, static_cast<std::uint8_t>(decoder.size())};
    es.insert(es.end(), decoder.begin(), decoder.end());
    Bytes body = {3, static_cast<std::uint8_t>(es.size())};
    body.insert(body.end(), es.begin(), es.end());
    return fullBox("esds", 0, 0, body);
}

inline Bytes audioEntry(const std::string& type, const Bytes& boxes, std::uint16_t channels = 2,
                        std::uint32_t rate = 48000)
{
    Bytes out(16, 0);
    out[7] = 1;
    put16(out, channels);
    put16(out, 16);
    put32(out, 0);
    put32(out, rate << 16);
    out.insert(out.end(), boxes.begin(), boxes.end());
    return box(type, out);
}

// An edit list of (duration in the movie's ticks, start in the track's media; -1 for an
// empty edit) pairs, in a box of version 0 or 1.
inline Bytes edts(const std::vector<std::pair<std::uint64_t, std::int64_t>>& edits, std::uint8_t version = 0)
{
    Bytes body;
    put32(body, static_cast<std::uint32_t>(edits.size()));
    for (const auto& [duration, start] : edits) {
        if (version == 1) {
            put64(body, duration);
            put64(body, static_cast<std::uint64_t>(start));
        } else {
            put32(body, static_cast<std::uint32_t>(duration));
            put32(body, static_cast<std::uint32_t>(start));
        }
        put32(body, 0x00010000);  // rate 1
    }
    return box("edts", fullBox("elst", version, 0, body));
}

inline Bytes trak(std::uint32_t id, const std::string& handler, std::uint32_t timescale, const Bytes& sampleEntry,
                  const Bytes& edits = {})
{
    Bytes tkhd(8, 0);
    put32(tkhd, id);
    tkhd.resize(80, 0);
    Bytes mdhd(8, 0);
    put32(mdhd, timescale);
    put32(mdhd, 0);
    put32(mdhd, 0);
    Bytes hdlr(4, 0);
    hdlr.insert(hdlr.end(), handler.begin(), handler.end());
    hdlr.resize(21, 0);
    Bytes stsd;
    put32(stsd, 1);
    stsd.insert(stsd.end(), sampleEntry.begin(), sampleEntry.end());
    const Bytes stbl = box("stbl", fullBox("stsd", 0, 0, stsd));
    const Bytes minf = box("minf", stbl);
    return box("trak", concat({fullBox("tkhd", 0, 7, tkhd), edits,
                               box("mdia", concat({fullBox("mdhd", 0, 0, mdhd), fullBox("hdlr", 0, 0, hdlr), minf}))}));
}

struct TrackDefaults {
    TrackDefaults(std::uint32_t id_, std::uint32_t duration_ = 0, std::uint32_t size_ = 0, std::uint32_t flags_ = 0)
        : id(id_), duration(duration_), size(size_), flags(flags_)
    {
    }
    std::uint32_t id;
    std::uint32_t duration;
    std::uint32_t size;
    std::uint32_t flags;
};

inline Bytes trex(const TrackDefaults& defaults)
{
    Bytes out;
    put32(out, defaults.id);
    put32(out, 1);
    put32(out, defaults.duration);
    put32(out, defaults.size);
    put32(out, defaults.flags);
    return fullBox("trex", 0, 0, out);
}

inline Bytes moov(const std::vector<Bytes>& traks, const std::vector<TrackDefaults>& defaults = {}, const Bytes& extra = {})
{
    Bytes mvhd(96, 0);
    mvhd[10] = 0x03;  // a timescale of 1000
    mvhd[11] = 0xE8;
    Bytes body = fullBox("mvhd", 0, 0, mvhd);
    for (const Bytes& t : traks) body.insert(body.end(), t.begin(), t.end());
    Bytes mvex;
    for (const TrackDefaults& d : defaults) {
        const Bytes t = trex(d);
        mvex.insert(mvex.end(), t.begin(), t.end());
    }
    if (!defaults.empty()) {
        const Bytes b = box("mvex", mvex);
        body.insert(body.end(), b.begin(), b.end());
    }
    body.insert(body.end(), extra.begin(), extra.end());
    return box("moov", body);
}

inline Bytes ftyp() { return box("ftyp", concat({text("iso6"), Bytes{0, 0, 0, 0}, text("iso6mp41")})); }

// Sample flags: a sync sample, and one that depends on others.
inline constexpr std::uint32_t syncFlags = 0x02000000;
inline constexpr std::uint32_t nonSyncFlags = 0x01010000;

struct RunSample {
    std::optional<std::uint32_t> duration;
    std::optional<std::uint32_t> size;
    std::optional<std::uint32_t> flags;
    std::optional<std::int32_t> compositionOffset;
};

struct TrackRun {
    std::uint8_t version = 0;
    std::vector<RunSample> samples;
    std::optional<std::uint32_t> firstFlags;
    // Where its data lie in the media data box after the fragment; none writes no offset.
    std::optional<std::uint32_t> dataAt = 0;
};

struct TrackFragment {
    std::uint32_t id = 1;
    std::optional<std::uint64_t> decodeTime;  // tfdt; version 1 above 32 bits
    std::uint32_t headerFlags = 0x020000;     // default-base-is-moof
    std::optional<std::uint64_t> baseDataOffset;
    std::optional<std::uint32_t> defaultDuration;
    std::optional<std::uint32_t> defaultSize;
    std::optional<std::uint32_t> defaultFlags;
    std::vector<TrackRun> runs;
    Bytes extra;  // further boxes, e.g. senc
};

inline RunSample runSample(std::optional<std::uint32_t> duration, std::optional<std::uint32_t> size,
                           std::optional<std::uint32_t> flags = std::nullopt,
                           std::optional<std::int32_t> compositionOffset = std::nullopt)
{
    RunSample sample;
    sample.duration = duration;
    sample.size = size;
    sample.flags = flags;
    sample.compositionOffset = compositionOffset;
    return sample;
}

inline TrackRun trackRun(std::vector<RunSample> samples, std::optional<std::uint32_t> dataAt = 0, std::uint8_t version = 0)
{
    TrackRun run;
    run.samples = std::move(samples);
    run.dataAt = dataAt;
    run.version = version;
    return run;
}

inline TrackFragment trackFragment(std::uint32_t id, std::optional<std::uint64_t> decodeTime)
{
    TrackFragment fragment;
    fragment.id = id;
    fragment.decodeTime = decodeTime;
    return fragment;
}

inline Bytes trun(const TrackRun& run, std::int64_t dataOffsetBase)
{
    const RunSample first = run.samples.empty() ? RunSample{} : run.samples.front();
    std::uint32_t flags = (run.dataAt ? 0x001u : 0u) | (run.firstFlags ? 0x004u : 0u) | (first.duration ? 0x100u : 0u) |
                          (first.size ? 0x200u : 0u) | (first.flags ? 0x400u : 0u) | (first.compositionOffset ? 0x800u : 0u);
    Bytes out;
    put32(out, static_cast<std::uint32_t>(run.samples.size()));
    if (run.dataAt) put32(out, static_cast<std::uint32_t>(dataOffsetBase + *run.dataAt));
    if (run.firstFlags) put32(out, *run.firstFlags);
    for (const RunSample& s : run.samples) {
        if (s.duration) put32(out, *s.duration);
        if (s.size) put32(out, *s.size);
        if (s.flags) put32(out, *s.flags);
        if (s.compositionOffset) put32(out, static_cast<std::uint32_t>(*s.compositionOffset));
    }
    return fullBox("trun", run.version, flags, out);
}

inline Bytes traf(const TrackFragment& t, std::int64_t dataOffsetBase)
{
    std::uint32_t flags = t.headerFlags | (t.baseDataOffset ? 0x01u : 0u) | (t.defaultDuration ? 0x08u : 0u) |
                          (t.defaultSize ? 0x10u : 0u) | (t.defaultFlags ? 0x20u : 0u);
    Bytes header;
    put32(header, t.id);
    if (t.baseDataOffset) put64(header, *t.baseDataOffset);
    if (t.defaultDuration) put32(header, *t.defaultDuration);
    if (t.defaultSize) put32(header, *t.defaultSize);
    if (t.defaultFlags) put32(header, *t.defaultFlags);
    Bytes body = fullBox("tfhd", 0, flags, header);
    if (t.decodeTime) {
        Bytes time;
        const bool large = *t.decodeTime > 0xFFFFFFFFu;
        if (large) put64(time, *t.decodeTime); else put32(time, static_cast<std::uint32_t>(*t.decodeTime));
        const Bytes tfdt = fullBox("tfdt", large ? 1 : 0, 0, time);
        body.insert(body.end(), tfdt.begin(), tfdt.end());
    }
    for (const TrackRun& run : t.runs) {
        const Bytes r = trun(run, dataOffsetBase);
        body.insert(body.end(), r.begin(), r.end());
    }
    body.insert(body.end(), t.extra.begin(), t.extra.end());
    return box("traf", body);
}

// A moof and the mdat after it; each run's data offset counts from the moof's start to
// its place in the media data.
inline Bytes fragment(const std::vector<TrackFragment>& trafs, const Bytes& media, std::uint32_t sequence = 1)
{
    const auto build = [&](std::int64_t base) {
        Bytes body;
        put32(body, sequence);
        body = fullBox("mfhd", 0, 0, body);
        for (const TrackFragment& t : trafs) {
            const Bytes b = traf(t, base);
            body.insert(body.end(), b.begin(), b.end());
        }
        return box("moof", body);
    };
    const Bytes draft = build(0);
    return concat({build(static_cast<std::int64_t>(draft.size()) + 8), box("mdat", media)});
}

// NAL units behind 4-byte lengths, as one sample.
inline Bytes lengthPrefixed(const std::vector<Bytes>& units, std::uint8_t lengthSize = 4)
{
    Bytes out;
    for (const Bytes& unit : units) {
        for (int shift = 8 * (lengthSize - 1); shift >= 0; shift -= 8) {
            out.push_back(static_cast<std::uint8_t>(unit.size() >> shift));
        }
        out.insert(out.end(), unit.begin(), unit.end());
    }
    return out;
}

}  // namespace telvia::stream::testing
