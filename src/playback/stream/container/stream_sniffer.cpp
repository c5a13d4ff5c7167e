#include "playback/stream/container/stream_sniffer.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "playback/stream/container/adts_header.h"
#include "playback/stream/container/mp4_box.h"
#include "playback/stream/container/mpeg_audio_header.h"
#include "playback/stream/container/ts_packet.h"

namespace telvia::stream {

namespace {

constexpr std::array<std::uint8_t, 16> asfHeaderGuid = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                        0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

std::string lowerMediaType(std::string_view contentType)
{
    contentType = contentType.substr(0, contentType.find(';'));
    std::string out;
    for (const char c : contentType) {
        if (c != ' ' && c != '\t') {
            out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        }
    }
    return out;
}

StreamFormat formatOfContentType(std::string_view contentType)
{
    const std::string type = lowerMediaType(contentType);
    if (type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl" ||
        type == "audio/mpegurl" || type == "audio/x-mpegurl") {
        return StreamFormat::hlsPlaylist;
    }
    if (type == "application/dash+xml") {
        return StreamFormat::dashManifest;
    }
    if (type == "video/mp2t") {
        return StreamFormat::transportStream;
    }
    if (type == "audio/mpeg" || type == "audio/mp3" || type == "audio/mpeg3" || type == "audio/x-mpeg") {
        return StreamFormat::mpegAudio;
    }
    if (type == "audio/aac" || type == "audio/aacp" || type == "audio/x-aac") {
        return StreamFormat::adtsAudio;
    }
    if (type == "video/mp4" || type == "audio/mp4" || type == "video/iso.segment" || type == "audio/iso.segment") {
        return StreamFormat::fragmentedMp4;
    }
    if (type == "video/x-ms-asf" || type == "video/x-ms-wmv" || type == "audio/x-ms-wma" ||
        type == "application/vnd.ms-asf") {
        return StreamFormat::asf;
    }
    return StreamFormat::unknown;
}

bool startsWithPlaylistHeader(std::span<const std::uint8_t> bytes)
{
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.starts_with(bom)) {
        text.remove_prefix(bom.size());
    }
    while (!text.empty() && (text.front() == ' ' || text.front() == '\r' || text.front() == '\n' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    return text.starts_with("#EXTM3U");
}

// An XML document whose root is an MPD element: after the byte-order mark, white space,
// the declaration, comments and processing instructions, a start tag named MPD, with or
// without a namespace prefix.
bool startsWithManifestRoot(std::span<const std::uint8_t> bytes)
{
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.starts_with(bom)) {
        text.remove_prefix(bom.size());
    }
    for (;;) {
        const std::size_t start = text.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos) {
            return false;
        }
        text.remove_prefix(start);
        const std::string_view close = text.starts_with("<?") ? "?>" : text.starts_with("<!--") ? "-->" : "";
        if (close.empty()) {
            break;
        }
        const std::size_t end = text.find(close);
        if (end == std::string_view::npos) {
            return false;
        }
        text.remove_prefix(end + close.size());
    }
    if (!text.starts_with('<')) {
        return false;
    }
    const std::size_t nameEnd = text.find_first_of(" \t\r\n/>");
    if (nameEnd == std::string_view::npos) {
        return false;
    }
    const std::string_view name = text.substr(1, nameEnd - 1);
    return name == "MPD" || name.ends_with(":MPD");
}

// Sync bytes 188 bytes apart from the first byte on, as many times as the bytes allow, at
// least twice; or, for a stream joined in the middle of a packet or with something in
// front, a run of seven anywhere (by chance once in 2^56).
bool looksLikeTransportStream(std::span<const std::uint8_t> bytes)
{
    const auto syncRun = [&bytes](std::size_t from) {
        std::size_t run = 0;
        for (std::size_t at = from; at < bytes.size() && bytes[at] == tsSyncByte; at += tsPacketSize) {
            ++run;
        }
        return run;
    };
    if (bytes.size() >= 2 * tsPacketSize && syncRun(0) == (bytes.size() + tsPacketSize - 1) / tsPacketSize) {
        return true;
    }
    constexpr std::size_t runAnywhere = 7;
    for (std::size_t from = 0; from + (runAnywhere - 1) * tsPacketSize < bytes.size(); ++from) {
        if (bytes[from] == tsSyncByte && syncRun(from) >= runAnywhere) {
            return true;
        }
    }
    return false;
}

// The boxes an MP4 stream may begin with, each of a size at least its header's: a file
// (ftyp), or a stream joined between fragments.
bool startsWithMp4Box(std::span<const std::uint8_t> bytes)
{
    const Mp4HeaderRead read = readMp4BoxHeader(bytes);
    if (read.status != Mp4HeaderStatus::complete || !read.header.size) {
        return false;
    }
    constexpr std::array<std::uint32_t, 5> openings = {fourCc("ftyp"), fourCc("styp"), fourCc("moov"), fourCc("moof"),
                                                       fourCc("sidx")};
    return std::find(openings.begin(), openings.end(), read.header.type) != openings.end();
}

// An ID3v2 tag in front of the audio: "ID3", version, flags, then a 28-bit size.
std::span<const std::uint8_t> skipId3Tag(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t headerLength = 10;
    if (bytes.size() < headerLength || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3') {
        return bytes;
    }
    const std::size_t size = std::size_t{bytes[6] & 0x7Fu} << 21 | std::size_t{bytes[7] & 0x7Fu} << 14 |
                             std::size_t{bytes[8] & 0x7Fu} << 7 | std::size_t{bytes[9] & 0x7Fu};
    const std::size_t footer = (bytes[5] & 0x10) != 0 ? headerLength : 0;
    const std::size_t total = headerLength + size + footer;
    return total >= bytes.size() ? std::span<const std::uint8_t>() : bytes.subspan(total);
}

// A frame header and, right after the frame, another one: one header alone matches
// too much by chance.
template <typename Parse>
bool twoFramesInARow(std::span<const std::uint8_t> bytes, Parse parse)
{
    const auto first = parse(bytes);
    if (!first || first->frameLength >= bytes.size()) {
        return false;
    }
    return parse(bytes.subspan(first->frameLength)).has_value();
}

std::optional<StreamFormat> formatOfBytes(std::span<const std::uint8_t> bytes)
{
    if (startsWithPlaylistHeader(bytes)) {
        return StreamFormat::hlsPlaylist;
    }
    if (startsWithManifestRoot(bytes)) {
        return StreamFormat::dashManifest;
    }
    if (bytes.size() >= asfHeaderGuid.size() && std::equal(asfHeaderGuid.begin(), asfHeaderGuid.end(), bytes.begin())) {
        return StreamFormat::asf;
    }
    if (looksLikeTransportStream(bytes)) {
        return StreamFormat::transportStream;
    }
    if (startsWithMp4Box(bytes)) {
        return StreamFormat::fragmentedMp4;
    }
    const std::span<const std::uint8_t> audio = skipId3Tag(bytes);
    if (twoFramesInARow(audio, parseAdtsHeader)) {
        return StreamFormat::adtsAudio;
    }
    if (twoFramesInARow(audio, parseMpegAudioHeader)) {
        return StreamFormat::mpegAudio;
    }
    return std::nullopt;
}

}  // namespace

StreamFormat sniffStreamFormat(std::string_view contentType, std::span<const std::uint8_t> firstBytes)
{
    if (const auto format = formatOfBytes(firstBytes)) {
        return *format;
    }
    return formatOfContentType(contentType);
}

}  // namespace telvia::stream
