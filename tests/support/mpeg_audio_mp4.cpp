#include "mpeg_audio_mp4.h"

#include "mp4_builder.h"
#include "mpeg_audio_ts.h"

namespace telvia::testing {

namespace {

using stream::testing::Bytes;

constexpr std::uint32_t sampleRate = 48'000;
constexpr std::uint32_t samplesPerFrame = 1152;
constexpr std::uint32_t trackId = 1;

std::string asString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

std::string silentMpegAudioInitSection()
{
    namespace mp4 = stream::testing;
    // Every sample of the track: one frame long, a sync sample.
    const Bytes track = mp4::trak(trackId, "soun", sampleRate, mp4::audioEntry("mp4a", mp4::esds(0x6B, {})));
    return asString(mp4::concat(
        {mp4::ftyp(), mp4::moov({track}, {mp4::TrackDefaults(trackId, samplesPerFrame, silentFrameBytes, 0)})}));
}

std::string silentMpegAudioFragment(std::uint64_t index, int framesPerFragment, std::size_t fillerPerFrame)
{
    namespace mp4 = stream::testing;
    const std::string frame = silentMpegAudio(1);
    // A run of one sample per frame, with its data offset and the defaults for the rest.
    mp4::TrackFragment traf =
        mp4::trackFragment(trackId, index * static_cast<std::uint64_t>(framesPerFragment) * samplesPerFrame);
    Bytes media;
    for (int i = 0; i < framesPerFragment; ++i) {
        traf.runs.push_back(mp4::trackRun({mp4::RunSample{}}, static_cast<std::uint32_t>(media.size())));
        media.insert(media.end(), frame.begin(), frame.end());
        media.resize(media.size() + fillerPerFrame, 0);
    }
    const Bytes styp = mp4::box("styp", mp4::concat({mp4::text("msdh"), Bytes{0, 0, 0, 0}, mp4::text("msdhmsix")}));
    return asString(mp4::concat({styp, mp4::fragment({traf}, media, static_cast<std::uint32_t>(index + 1))}));
}

}  // namespace telvia::testing
