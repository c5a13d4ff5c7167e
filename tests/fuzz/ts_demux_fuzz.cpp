// Fuzz target for the transport stream demultiplexer and the parsers behind it: fed in
// pieces whose sizes come from the input, it never reads out of bounds, every audio unit
// is exactly one valid frame, every timestamp fits in 33 bits, and the timestamp mapper,
// the parameter set reader, the sniffer and the ICY skipper take whatever comes out.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "playback/stream/container/adts_header.h"
#include "playback/stream/container/annexb.h"
#include "playback/stream/container/h264_sps.h"
#include "playback/stream/net/icy_metadata.h"
#include "playback/stream/container/mpeg_audio_header.h"
#include "playback/stream/container/stream_sniffer.h"
#include "playback/stream/delivery/timestamp_mapper.h"
#include "playback/stream/container/ts_demuxer.h"

namespace {

using namespace telvia::stream;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "ts_demux_fuzz: %s\n", what);
        std::abort();
    }
}

void checkUnits(const std::vector<AccessUnit>& units, TimestampMapper& mapper)
{
    for (const AccessUnit& unit : units) {
        check(!unit.data.empty(), "empty access unit");
        check(!unit.pts || *unit.pts < streamClockModulus, "PTS beyond 33 bits");
        check(!unit.dts || *unit.dts < streamClockModulus, "DTS beyond 33 bits");
        if (unit.pts) {
            (void)mapper.map(unit.dts.value_or(*unit.pts));
        }
        if (unit.kind == StreamTrackKind::aacAdts) {
            const auto header = parseAdtsHeader(unit.data);
            check(header && header->frameLength == unit.data.size(), "AAC unit is not one ADTS frame");
        } else if (unit.kind == StreamTrackKind::mpegAudio) {
            const auto header = parseMpegAudioHeader(unit.data);
            check(header && header->frameLength == unit.data.size(), "audio unit is not one MPEG audio frame");
        } else {
            for (const auto nal : splitNalUnits(unit.data)) {
                if ((nal[0] & 0x1F) == nalTypeSps) {
                    if (const auto sps = parseH264Sps(nal)) {
                        check(sps->width > 0 && sps->height > 0, "parameter set with an empty picture");
                    }
                }
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    (void)sniffStreamFormat("", bytes);

    TsDemuxer demuxer;
    TimestampMapper mapper;
    const std::size_t piece = size == 0 ? 1 : data[0] % 200 + 1;
    for (std::size_t at = 0; at < size; at += piece) {
        demuxer.feed(bytes.subspan(at, std::min(piece, size - at)));
        checkUnits(demuxer.takeAccessUnits(), mapper);
        if (size > 1 && at / piece == data[1] % 16) {
            demuxer.finish();  // a discontinuity somewhere inside
            mapper.discontinuity();
        }
    }
    demuxer.finish();
    checkUnits(demuxer.takeAccessUnits(), mapper);
    for (const StreamDescription& stream : demuxer.programStreams()) {
        check(stream.id.number < 0x1FFF, "a stream on the null PID");
    }

    IcyMetadataSkipper skipper(size == 0 ? 0 : data[0] % 64);
    std::vector<std::uint8_t> audio;
    skipper.feed(bytes, audio);
    check(audio.size() <= size, "ICY skipper made bytes up");
    return 0;
}
