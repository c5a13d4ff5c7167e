#include "mpeg_audio_mp4.h"

#include <initializer_list>
#include <string_view>

#include "mpeg_audio_ts.h"

namespace telvia::testing {

namespace {

constexpr std::uint32_t timescale = 48'000;
constexpr std::uint32_t samplesPerFrame = 1152;

void put(std::string& out, std::uint64_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

std::string box(std::string_view type, std::initializer_list<std::string_view> parts)
{
    std::size_t size = 8;
    for (const std::string_view part : parts) size += part.size();
    std::string out;
    put(out, size, 4);
    out += type;
    for (const std::string_view part : parts) out += part;
    return out;
}

std::string fullBox(std::string_view type, std::uint32_t versionAndFlags, std::initializer_list<std::string_view> parts)
{
    std::string header;
    put(header, versionAndFlags, 4);
    std::string body = header;
    for (const std::string_view part : parts) body += part;
    return box(type, {body});
}

std::string numbers(std::initializer_list<std::pair<std::uint64_t, int>> fields)
{
    std::string out;
    for (const auto& [value, bytes] : fields) put(out, value, bytes);
    return out;
}

std::string esds()
{
    // ES descriptor (tag 3) holding a decoder config (tag 4, MPEG-1 audio, audio stream)
    // and an SL config (tag 6); lengths in one byte each.
    const std::string decoderConfig = numbers({{0x04, 1}, {13, 1}, {0x6B, 1}, {0x15, 1}, {0, 3}, {128000, 4}, {128000, 4}});
    const std::string slConfig = numbers({{0x06, 1}, {1, 1}, {0x02, 1}});
    const std::string descriptor = numbers({{0x03, 1}, {3 + decoderConfig.size() + slConfig.size(), 1}, {1, 2}, {0, 1}}) +
                                   decoderConfig + slConfig;
    return fullBox("esds", 0, {descriptor});
}

std::string audioTrack()
{
    const std::string entry = box("mp4a", {numbers({{0, 6}, {1, 2}, {0, 8}, {2, 2}, {16, 2}, {0, 4}, {timescale << 16, 4}}), esds()});
    const std::string stbl =
        box("stbl", {fullBox("stsd", 0, {numbers({{1, 4}}), entry}), fullBox("stts", 0, {numbers({{0, 4}})}),
                     fullBox("stsc", 0, {numbers({{0, 4}})}), fullBox("stsz", 0, {numbers({{0, 4}, {0, 4}})}),
                     fullBox("stco", 0, {numbers({{0, 4}})})});
    const std::string minf = box("minf", {fullBox("smhd", 0, {numbers({{0, 4}})}), stbl});
    const std::string mdia =
        box("mdia", {fullBox("mdhd", 0, {numbers({{0, 4}, {0, 4}, {timescale, 4}, {0, 4}, {0x55C4, 2}, {0, 2}})}),
                     fullBox("hdlr", 0, {numbers({{0, 4}}), "soun", numbers({{0, 12}}), std::string_view("Sound\0", 6)}),
                     minf});
    const std::string tkhd = fullBox("tkhd", 3, {numbers({{0, 4}, {0, 4}, {1, 4}, {0, 4}, {0, 4}, {0, 8}, {0, 4}, {0x0100, 2}, {0, 2}}),
                                               numbers({{0x00010000, 4}, {0, 4}, {0, 4}, {0, 4}, {0x00010000, 4}, {0, 4},
                                                        {0, 4}, {0, 4}, {0x40000000, 4}}),
                                               numbers({{0, 4}, {0, 4}})});
    return box("trak", {tkhd, mdia});
}

}  // namespace

std::string silentMpegAudioInitSection()
{
    const std::string ftyp = box("ftyp", {"iso6", numbers({{0, 4}}), "iso6mp41"});
    const std::string mvhd = fullBox("mvhd", 0, {numbers({{0, 4}, {0, 4}, {1000, 4}, {0, 4}, {0x00010000, 4}, {0x0100, 2}, {0, 10}}),
                                               numbers({{0x00010000, 4}, {0, 4}, {0, 4}, {0, 4}, {0x00010000, 4}, {0, 4},
                                                        {0, 4}, {0, 4}, {0x40000000, 4}}),
                                               numbers({{0, 24}, {2, 4}})});
    // Every sample of the track: one frame long, a sync sample.
    const std::string trex = fullBox("trex", 0, {numbers({{1, 4}, {1, 4}, {samplesPerFrame, 4}, {silentFrameBytes, 4}, {0, 4}})});
    return ftyp + box("moov", {mvhd, audioTrack(), box("mvex", {trex})});
}

std::string silentMpegAudioFragment(std::uint64_t index, int framesPerFragment, std::size_t fillerPerFrame)
{
    const std::string frame = silentMpegAudio(1);
    const std::uint64_t decodeTime = index * static_cast<std::uint64_t>(framesPerFragment) * samplesPerFrame;
    // tfhd: track 1, default-base-is-moof; tfdt version 1; a trun of one sample per frame,
    // with its data offset, and the trex defaults for everything else.
    const std::string tfhd = fullBox("tfhd", 0x020000, {numbers({{1, 4}})});
    const std::string tfdt = fullBox("tfdt", 0x01000000, {numbers({{decodeTime, 8}})});
    const std::size_t trunSize = 8 + 4 + 8;
    const auto frames = static_cast<std::size_t>(framesPerFragment);
    const std::size_t trafSize = 8 + tfhd.size() + tfdt.size() + frames * trunSize;
    const std::size_t moofSize = 8 + 16 + trafSize;
    std::string traf = tfhd + tfdt;
    std::string media;
    for (std::size_t i = 0; i < frames; ++i) {
        traf += fullBox("trun", 0x000001, {numbers({{1, 4}, {moofSize + 8 + media.size(), 4}})});
        media += frame;
        media.append(fillerPerFrame, '\0');
    }
    const std::string moof = box("moof", {fullBox("mfhd", 0, {numbers({{index + 1, 4}})}), box("traf", {traf})});
    const std::string styp = box("styp", {"msdh", numbers({{0, 4}}), "msdhmsix"});
    return styp + moof + box("mdat", {media});
}

}  // namespace telvia::testing
