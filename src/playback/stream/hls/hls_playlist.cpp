#include "playback/stream/hls/hls_playlist.h"

#include <algorithm>
#include <limits>

#include "common/decimal_text.h"
#include "playback/stream/address/address_resolution.h"
#include "playback/stream/hls/hls_attribute_list.h"

namespace telvia::stream {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

std::string_view trimLine(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        line.remove_prefix(1);
    }
    return line;
}

std::optional<std::uint8_t> hexDigit(char c)
{
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    return std::nullopt;
}

// "0x" and up to 32 hexadecimal digits: a number of up to 128 bits, so fewer digits stand
// for leading zeros.
std::optional<std::array<std::uint8_t, 16>> parseIv(std::string_view text)
{
    if (!(text.starts_with("0x") || text.starts_with("0X"))) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(2);
    if (digits.empty() || digits.size() > 32) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 16> iv{};
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const auto digit = hexDigit(digits[digits.size() - 1 - i]);  // from the lowest
        if (!digit) {
            return std::nullopt;
        }
        iv[15 - i / 2] |= static_cast<std::uint8_t>(i % 2 == 0 ? *digit : *digit << 4);
    }
    return iv;
}

std::array<std::uint8_t, 16> ivFromSequence(std::uint64_t sequence)
{
    std::array<std::uint8_t, 16> iv{};
    for (std::size_t i = 0; i < 8; ++i) {
        iv[15 - i] = static_cast<std::uint8_t>(sequence >> (8 * i));
    }
    return iv;
}

// "1280x720"
bool parseResolution(std::string_view text, HlsVariant& variant)
{
    const std::size_t x = text.find_first_of("xX");
    const auto width = parseDecimal(text.substr(0, x));
    const auto height = x == std::string_view::npos ? std::nullopt : parseDecimal(text.substr(x + 1));
    constexpr std::uint64_t largest = std::numeric_limits<std::uint32_t>::max();
    if (!width || !height || *width > largest || *height > largest) {
        return false;
    }
    variant.width = static_cast<std::uint32_t>(*width);
    variant.height = static_cast<std::uint32_t>(*height);
    return true;
}

// What the lines read so far have set up for the next address line.
struct PendingEntry {
    std::optional<HlsVariant> variant;          // from #EXT-X-STREAM-INF
    std::optional<std::int64_t> durationMs;     // from #EXTINF
    std::optional<std::size_t> infoLine;
    bool discontinuity = false;
    bool gap = false;
    std::optional<HlsByteRange> range;
};

// A key as the playlist states it; the IV may still depend on the segment's number.
struct KeyState {
    std::shared_ptr<const std::string> address;
    std::optional<std::array<std::uint8_t, 16>> iv;
};

class Parser {
public:
    Parser(std::string_view base, const std::vector<HlsVariable>* imports) : base_(base), imports_(imports) {}

    HlsParseResult run(std::string_view text)
    {
        if (!splitAddress(base_).scheme) {
            return HlsParseError{HlsError::notAbsoluteBase, 0};
        }
        if (text.starts_with(byteOrderMark)) {
            text.remove_prefix(byteOrderMark.size());
        }
        bool sawHeader = false;
        std::size_t lineNumber = 0;
        while (!text.empty() && !error_) {
            const std::size_t end = text.find('\n');
            ++lineNumber;
            if (std::min(end, text.size()) > hlsLineLimit) {
                return HlsParseError{HlsError::tooLong, lineNumber};
            }
            const std::string_view line = trimLine(text.substr(0, end));
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            if (line.empty()) {
                continue;
            }
            if (!sawHeader) {
                if (line != "#EXTM3U") {
                    return HlsParseError{HlsError::notAPlaylist, lineNumber};
                }
                sawHeader = true;
                continue;
            }
            readLine(line, lineNumber);
        }
        if (error_) {
            return *error_;
        }
        if (!sawHeader) {
            return HlsParseError{HlsError::notAPlaylist, 0};
        }
        // A segment's duration without its address at the very end is a playlist caught
        // while its server was writing the next entry: the segments before it play, and a
        // reload finds it whole. A variant must be whole.
        if (pending_.variant) {
            return HlsParseError{HlsError::missingAddress, pending_.infoLine.value_or(0)};
        }
        return finish();
    }

private:
    void fail(HlsError error, std::size_t line) { error_ = HlsParseError{error, line}; }

    void readLine(std::string_view rawLine, std::size_t number)
    {
        // References to variables are replaced before anything reads the line; a tag
        // takes them only in its quoted strings and hexadecimal values.
        std::optional<std::string> substituted;
        if (!variables_.empty() || rawLine.find("{$") != std::string_view::npos) {
            if (rawLine.starts_with("#EXT-X-DEFINE:")) {
                substituted = std::string(rawLine);
            } else if (!rawLine.starts_with('#')) {
                substituted = variables_.substitute(rawLine, hlsLineLimit);
            } else if (rawLine.starts_with("#EXT")) {
                substituted = variables_.substituteInTag(rawLine, hlsLineLimit);
            } else {
                substituted = std::string(rawLine);  // a comment
            }
            if (!substituted) {
                return fail(HlsError::badVariable, number);
            }
        }
        const std::string_view line = substituted ? std::string_view(*substituted) : rawLine;
        if (!line.starts_with('#')) {
            readAddress(line, number);
            return;
        }
        const std::size_t colon = line.find(':');
        const std::string_view tag = line.substr(0, colon);
        const std::string_view value = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
        if (tag == "#EXT-X-STREAM-INF") {
            readStreamInfo(value, number);
        } else if (tag == "#EXT-X-MEDIA") {
            readMedia(value, number);
        } else if (tag == "#EXTINF") {
            const auto duration = parseSecondsAsMilliseconds(trimLine(value.substr(0, value.find(','))));
            if (!duration) {
                return fail(HlsError::badTagValue, number);
            }
            pending_.durationMs = duration;
            pending_.infoLine = number;
        } else if (tag == "#EXT-X-TARGETDURATION") {
            // Whole seconds by the format; a decimal is read rather than refused.
            const auto duration = parseSecondsAsMilliseconds(value);
            if (!duration) {
                return fail(HlsError::badTagValue, number);
            }
            media_.targetDurationMs = *duration;
            sawMediaTag_ = true;
        } else if (tag == "#EXT-X-MEDIA-SEQUENCE") {
            const auto sequence = parseDecimal(value);
            if (!sequence) {
                return fail(HlsError::badTagValue, number);
            }
            media_.mediaSequence = *sequence;
            sawMediaTag_ = true;
        } else if (tag == "#EXT-X-DISCONTINUITY") {
            pending_.discontinuity = true;
        } else if (tag == "#EXT-X-GAP") {
            pending_.gap = true;
        } else if (tag == "#EXT-X-ENDLIST") {
            media_.endList = true;
            sawMediaTag_ = true;
        } else if (tag == "#EXT-X-PLAYLIST-TYPE") {
            // A VOD playlist never changes, even where its end mark is missing.
            if (value == "VOD") {
                media_.endList = true;
            }
            sawMediaTag_ = true;
        } else if (tag == "#EXT-X-KEY") {
            readKey(value, number);
        } else if (tag == "#EXT-X-BYTERANGE") {
            readByteRange(value, number);
        } else if (tag == "#EXT-X-DEFINE") {
            if (!variables_.define(value, imports_, base_)) {
                return fail(HlsError::badVariable, number);
            }
        } else if (tag == "#EXT-X-MAP") {
            readMap(value, number);
        }
        // Every other tag (version, date and time, ...) and
        // every comment changes nothing that playing needs.
    }

    void readStreamInfo(std::string_view value, std::size_t number)
    {
        const auto list = parseHlsAttributeList(value);
        if (!list) {
            return fail(HlsError::badAttributeList, number);
        }
        HlsVariant variant;
        if (const HlsAttribute* bandwidth = findHlsAttribute(*list, "BANDWIDTH")) {
            // Whole bits per second by the format; packagers that write a fraction are read
            // by its whole part rather than losing the channel.
            const std::string_view text = bandwidth->value;
            const std::size_t point = text.find('.');
            const bool fraction = point != std::string_view::npos && point > 0 &&
                                  parseDecimal(text.substr(point + 1)).has_value();
            const auto parsed = parseDecimal(fraction ? text.substr(0, point) : text);
            if (!parsed) {
                return fail(HlsError::badTagValue, number);
            }
            variant.bandwidth = *parsed;
        }
        if (const HlsAttribute* resolution = findHlsAttribute(*list, "RESOLUTION")) {
            if (!parseResolution(resolution->value, variant)) {
                return fail(HlsError::badTagValue, number);
            }
        }
        if (const HlsAttribute* codecs = findHlsAttribute(*list, "CODECS")) {
            variant.codecs = std::string(codecs->value);
        }
        if (const HlsAttribute* audio = findHlsAttribute(*list, "AUDIO")) {
            variant.audioGroup = std::string(audio->value);
        }
        pending_.variant = std::move(variant);
        pending_.infoLine = number;
    }

    // Only audio renditions matter here; subtitles, captions and other pictures are passed by.
    void readMedia(std::string_view value, std::size_t number)
    {
        const auto list = parseHlsAttributeList(value);
        if (!list) {
            return fail(HlsError::badAttributeList, number);
        }
        const HlsAttribute* type = findHlsAttribute(*list, "TYPE");
        if (type == nullptr || type->value != "AUDIO") {
            return;
        }
        const HlsAttribute* group = findHlsAttribute(*list, "GROUP-ID");
        if (group == nullptr || group->value.empty()) {
            return fail(HlsError::badAttributeList, number);
        }
        HlsAudioRendition rendition;
        rendition.groupId = std::string(group->value);
        const auto text = [&list](std::string_view name) {
            const HlsAttribute* attribute = findHlsAttribute(*list, name);
            return attribute ? std::string(attribute->value) : std::string();
        };
        rendition.name = text("NAME");
        rendition.language = text("LANGUAGE");
        rendition.isDefault = text("DEFAULT") == "YES";
        rendition.autoselect = text("AUTOSELECT") == "YES";
        if (const HlsAttribute* uri = findHlsAttribute(*list, "URI")) {
            const auto address = uri->value.empty() ? std::nullopt : resolveAddress(base_, uri->value);
            if (!address) {
                return;  // nowhere to fetch it from: the variant plays without it
            }
            rendition.address = *address;
        }
        if (master_.audio.size() == hlsVariantLimit) {
            return fail(HlsError::tooLong, number);
        }
        master_.audio.push_back(std::move(rendition));
    }

    void readKey(std::string_view value, std::size_t number)
    {
        const auto list = parseHlsAttributeList(value);
        if (!list) {
            return fail(HlsError::badAttributeList, number);
        }
        const HlsAttribute* method = findHlsAttribute(*list, "METHOD");
        if (method == nullptr) {
            return fail(HlsError::badAttributeList, number);
        }
        if (method->value == "NONE") {
            key_.reset();
            return;
        }
        const HlsAttribute* format = findHlsAttribute(*list, "KEYFORMAT");
        if (method->value != "AES-128" || (format != nullptr && format->value != "identity")) {
            return fail(HlsError::unsupportedEncryption, number);
        }
        const HlsAttribute* uri = findHlsAttribute(*list, "URI");
        if (uri == nullptr || uri->value.empty()) {
            return fail(HlsError::keyWithoutAddress, number);
        }
        KeyState key;
        const auto address = resolveAddress(base_, uri->value);
        if (!address) {
            return fail(HlsError::keyWithoutAddress, number);
        }
        key.address = std::make_shared<const std::string>(*address);
        if (const HlsAttribute* iv = findHlsAttribute(*list, "IV")) {
            key.iv = parseIv(iv->value);
            if (!key.iv) {
                return fail(HlsError::badKeyIv, number);
            }
        }
        key_ = std::move(key);
    }

    // "length[@offset]"; without an offset the range follows the previous one.
    void readByteRange(std::string_view value, std::size_t number)
    {
        const std::optional<HlsByteRange> range = parseByteRange(value, nextRangeOffset_);
        if (!range) {
            return fail(HlsError::badTagValue, number);
        }
        pending_.range = range;
    }

    static std::optional<HlsByteRange> parseByteRange(std::string_view value, std::optional<std::uint64_t> offset)
    {
        const std::size_t at = value.find('@');
        const auto length = parseDecimal(value.substr(0, at));
        if (at != std::string_view::npos) {
            offset = parseDecimal(value.substr(at + 1));
        }
        if (!length || !offset || *offset > std::numeric_limits<std::uint64_t>::max() - *length) {
            return std::nullopt;
        }
        return HlsByteRange{*length, *offset};
    }

    // The section applies to every segment after it, across discontinuities, until the
    // next such tag. Encrypted with the key in force, it needs that key's own IV: it has
    // no sequence number to take one from.
    void readMap(std::string_view value, std::size_t number)
    {
        const auto list = parseHlsAttributeList(value);
        if (!list) {
            return fail(HlsError::badAttributeList, number);
        }
        const HlsAttribute* uri = findHlsAttribute(*list, "URI");
        if (uri == nullptr || uri->value.empty()) {
            return fail(HlsError::badAttributeList, number);
        }
        HlsInitSection section;
        const auto address = resolveAddress(base_, uri->value);
        if (!address) {
            return fail(HlsError::notAbsoluteBase, number);
        }
        section.address = *address;
        if (const HlsAttribute* range = findHlsAttribute(*list, "BYTERANGE")) {
            // Without an offset the section starts the resource.
            section.range = parseByteRange(range->value, 0);
            if (!section.range || section.range->length == 0) {
                return fail(HlsError::badTagValue, number);
            }
        }
        if (key_) {
            if (!key_->iv) {
                return fail(HlsError::initSectionWithoutIv, number);
            }
            section.key = HlsSegmentKey{key_->address, *key_->iv};
        }
        map_ = std::make_shared<const HlsInitSection>(std::move(section));
    }

    void readAddress(std::string_view line, std::size_t number)
    {
        const auto address = resolveAddress(base_, line);
        if (!address) {
            return fail(HlsError::notAbsoluteBase, number);
        }
        if (pending_.variant) {
            if (master_.variants.size() == hlsVariantLimit) {
                return fail(HlsError::tooLong, number);
            }
            pending_.variant->address = *address;
            master_.variants.push_back(std::move(*pending_.variant));
        } else if (pending_.durationMs) {
            if (media_.segments.size() == hlsSegmentLimit) {
                return fail(HlsError::tooLong, number);
            }
            HlsSegment segment;
            segment.address = *address;
            segment.durationMs = *pending_.durationMs;
            segment.discontinuity = pending_.discontinuity;
            segment.gap = pending_.gap;
            segment.range = pending_.range;
            segment.map = map_;
            nextRangeOffset_ = segment.range ? std::optional(segment.range->offset + segment.range->length)
                                             : std::optional<std::uint64_t>(0);
            if (key_) {
                segment.key = HlsSegmentKey{key_->address, key_->iv.value_or(std::array<std::uint8_t, 16>{})};
            }
            segmentIvFromSequence_.push_back(key_ && !key_->iv);
            media_.segments.push_back(std::move(segment));
        } else {
            // An address with nothing announcing it: a list of links, not a stream.
            return;
        }
        pending_ = PendingEntry{};
    }

    HlsParseResult finish()
    {
        const bool isMaster = !master_.variants.empty();
        const bool isMedia = !media_.segments.empty() || sawMediaTag_;
        if (isMaster && isMedia) {
            return HlsParseError{HlsError::mixedPlaylist, 0};
        }
        if (isMaster) {
            master_.variables = variables_.all();
            return std::move(master_);
        }
        if (!isMedia) {
            return HlsParseError{HlsError::emptyPlaylist, 0};
        }
        // The number after the last segment must exist too: it is where a reload goes on.
        const std::uint64_t count = media_.segments.size();
        if (media_.mediaSequence > std::numeric_limits<std::uint64_t>::max() - count) {
            return HlsParseError{HlsError::sequenceOverflow, 0};
        }
        std::int64_t longestMs = 0;
        for (std::size_t i = 0; i < media_.segments.size(); ++i) {
            HlsSegment& segment = media_.segments[i];
            segment.sequence = media_.mediaSequence + i;
            if (segmentIvFromSequence_[i]) {
                segment.key->iv = ivFromSequence(segment.sequence);
            }
            longestMs = std::max(longestMs, segment.durationMs);
        }
        if (media_.targetDurationMs <= 0) {
            // Required by the format but missing in some streams: the longest segment,
            // rounded up to whole seconds, is what the tag would have said.
            media_.targetDurationMs = std::max<std::int64_t>(1000, (longestMs + 999) / 1000 * 1000);
        }
        return std::move(media_);
    }

    std::string_view base_;
    const std::vector<HlsVariable>* imports_;
    HlsVariables variables_;
    PendingEntry pending_;
    std::optional<KeyState> key_;
    std::shared_ptr<const HlsInitSection> map_;
    std::optional<std::uint64_t> nextRangeOffset_ = 0;
    std::vector<bool> segmentIvFromSequence_;
    bool sawMediaTag_ = false;
    HlsMasterPlaylist master_;
    HlsMediaPlaylist media_;
    std::optional<HlsParseError> error_;
};

}  // namespace

HlsParseResult parseHlsPlaylist(std::string_view text, std::string_view playlistAddress,
                                const std::vector<HlsVariable>* imports)
{
    return Parser(playlistAddress, imports).run(text);
}

std::string_view describe(HlsError error)
{
    switch (error) {
    case HlsError::notAPlaylist: return "not an HLS playlist";
    case HlsError::notAbsoluteBase: return "the playlist address is not absolute";
    case HlsError::mixedPlaylist: return "the playlist lists both variants and segments";
    case HlsError::emptyPlaylist: return "the playlist lists nothing";
    case HlsError::badTagValue: return "a tag value does not parse";
    case HlsError::badAttributeList: return "a tag's attribute list is malformed";
    case HlsError::missingAddress: return "a tag announces an address that never follows";
    case HlsError::unsupportedEncryption: return "the segments are encrypted in a way that cannot be played";
    case HlsError::keyWithoutAddress: return "a key has no address";
    case HlsError::badKeyIv: return "a key's IV is not up to 32 hexadecimal digits";
    case HlsError::initSectionWithoutIv: return "an encrypted initialisation section has no IV";
    case HlsError::sequenceOverflow: return "segment numbers run out of range";
    case HlsError::tooLong: return "the playlist is longer than any stream needs";
    case HlsError::badVariable: return "a variable is defined twice or badly, cannot be imported, or is used undefined";
    }
    return "unknown playlist error";
}

}  // namespace telvia::stream
