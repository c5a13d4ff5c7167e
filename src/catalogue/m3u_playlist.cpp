#include "catalogue/m3u_playlist.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <utility>

#include "catalogue/channel_table.h"
#include "common/utf8.h"

namespace telvia {

namespace {

using Attributes = std::vector<std::pair<std::u16string, std::u16string>>;

constexpr std::u16string_view headerTag = u"#EXTM3U";
constexpr std::u16string_view infoTag = u"#EXTINF:";
constexpr std::u16string_view playerOptionTag = u"#EXTVLCOPT";

// Attributes by which a list asks the player to send something a channel cannot hold.
constexpr std::u16string_view playerOptionAttributes[] = {
    u"user-agent", u"http-user-agent", u"referrer", u"http-referrer"};

bool isBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

std::u16string_view trim(std::u16string_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool endsKey(char16_t unit) { return isBlank(unit) || unit == u',' || unit == u'=' || unit == u'"'; }

struct InfoLine {
    Attributes attributes;
    std::u16string_view title;
};

// Splits what follows "#EXTINF:" into the duration (ignored), the attributes and the
// title. The title starts after the first comma outside a quoted value.
std::optional<PlaylistProblem> parseInfo(std::u16string_view rest, InfoLine& info)
{
    std::size_t i = 0;
    while (i < rest.size() && !isBlank(rest[i]) && rest[i] != u',') {
        ++i;
    }
    for (;;) {
        while (i < rest.size() && isBlank(rest[i])) {
            ++i;
        }
        if (i == rest.size()) {
            return PlaylistProblem::noTitleComma;
        }
        if (rest[i] == u',') {
            info.title = trim(rest.substr(i + 1));
            return std::nullopt;
        }
        const std::size_t keyStart = i;
        while (i < rest.size() && !endsKey(rest[i])) {
            ++i;
        }
        if (i == keyStart || i == rest.size() || rest[i] != u'=') {
            return PlaylistProblem::malformedAttribute;
        }
        const std::u16string_view key = rest.substr(keyStart, i - keyStart);
        ++i;
        std::u16string_view value;
        if (i < rest.size() && rest[i] == u'"') {
            const std::size_t close = rest.find(u'"', i + 1);
            if (close == std::u16string_view::npos) {
                return PlaylistProblem::unterminatedQuote;
            }
            value = rest.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const std::size_t valueStart = i;
            while (i < rest.size() && !isBlank(rest[i]) && rest[i] != u',') {
                ++i;
            }
            value = rest.substr(valueStart, i - valueStart);
        }
        info.attributes.emplace_back(key, value);
    }
}

// The first value of the attribute, or nothing when the line does not carry it.
std::optional<std::u16string_view> attribute(const Attributes& attributes, std::u16string_view key)
{
    for (const auto& [name, value] : attributes) {
        if (name == key) {
            return value;
        }
    }
    return std::nullopt;
}

bool needsPlayerOptions(const Attributes& attributes)
{
    return std::any_of(std::begin(playerOptionAttributes), std::end(playerOptionAttributes),
                       [&](std::u16string_view key) { return attribute(attributes, key).has_value(); });
}

bool holdsNul(std::u16string_view text) { return text.find(u'\0') != std::u16string_view::npos; }

// An #EXTINF line waiting for its address.
struct PendingEntry {
    int line = 0;
    std::u16string text;  // the whole decoded line; the parsed views point into it
    InfoLine info;
    bool playerOptions = false;
};

class Importer {
public:
    explicit Importer(std::u16string_view listCountry) : listCountry_(listCountry) {}

    PlaylistImport run(std::string_view bytes)
    {
        constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
        if (bytes.substr(0, byteOrderMark.size()) == byteOrderMark) {
            bytes.remove_prefix(byteOrderMark.size());
        }
        int lineNumber = 0;
        while (!result_.error && !bytes.empty()) {
            const std::size_t end = bytes.find('\n');
            std::string_view raw = bytes.substr(0, end);
            bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
            }
            ++lineNumber;
            std::optional<std::u16string> line = utf8ToUtf16(raw);
            if (!line) {
                fail(lineNumber, PlaylistProblem::invalidUtf8);
                break;
            }
            takeLine(lineNumber, std::move(*line));
        }
        if (!result_.error) {
            if (!sawHeader_) {
                fail(1, PlaylistProblem::notExtendedM3u);
            } else if (pending_) {
                fail(pending_->line, PlaylistProblem::entryWithoutAddress);
            }
        }
        return std::move(result_);
    }

private:
    void fail(int line, PlaylistProblem problem) { result_.error = PlaylistNote{line, problem}; }
    void skip(int line, PlaylistProblem problem, int otherLine = 0)
    {
        result_.skipped.push_back({line, problem, otherLine});
    }

    void takeLine(int lineNumber, std::u16string line)
    {
        const std::u16string_view text = trim(line);
        if (text.empty()) {
            return;
        }
        if (!sawHeader_) {
            if (!text.starts_with(headerTag)) {
                fail(lineNumber, PlaylistProblem::notExtendedM3u);
            }
            sawHeader_ = true;
            return;
        }
        if (text.starts_with(infoTag)) {
            if (pending_) {
                fail(pending_->line, PlaylistProblem::entryWithoutAddress);
                return;
            }
            pending_.emplace();
            pending_->line = lineNumber;
            pending_->text = std::move(line);
            const std::u16string_view stored = trim(pending_->text);
            if (const auto problem = parseInfo(stored.substr(infoTag.size()), pending_->info)) {
                fail(lineNumber, *problem);
            }
            return;
        }
        if (text.starts_with(u"#")) {
            if (pending_ && text.starts_with(playerOptionTag)) {
                pending_->playerOptions = true;
            }
            return;
        }
        if (!pending_) {
            skip(lineNumber, PlaylistProblem::addressWithoutInfo);
            return;
        }
        takeEntry(*pending_, lineNumber, text);
        pending_.reset();
    }

    void takeEntry(const PendingEntry& entry, int addressLine, std::u16string_view address)
    {
        const Attributes& attributes = entry.info.attributes;
        const std::u16string_view title = entry.info.title;
        const std::u16string_view note = attribute(attributes, u"telvia-note").value_or(u"");
        const std::u16string_view homePage =
            attribute(attributes, u"telvia-home-page").value_or(u"");

        std::int32_t on = 1;
        if (const auto mark = attribute(attributes, u"telvia-on")) {
            if (*mark != u"0" && *mark != u"1") {
                fail(entry.line, PlaylistProblem::badOnMark);
                return;
            }
            on = *mark == u"1" ? 1 : 0;
        }

        Channel channel;
        if (entry.playerOptions || needsPlayerOptions(attributes)) {
            return skip(entry.line, PlaylistProblem::needsPlayerOptions);
        }
        if (title.empty()) {
            return skip(entry.line, PlaylistProblem::noTitle);
        }
        if (title.size() > channel.name.maxLength) {
            return skip(entry.line, PlaylistProblem::titleTooLong);
        }
        if (note.size() > channel.note.maxLength) {
            return skip(entry.line, PlaylistProblem::noteTooLong);
        }
        if (homePage.size() > channel.homePage.maxLength) {
            return skip(entry.line, PlaylistProblem::homePageTooLong);
        }
        if (holdsNul(title) || holdsNul(note) || holdsNul(homePage)) {
            return skip(entry.line, PlaylistProblem::nulCharacter);
        }
        std::u16string_view country = listCountry_;
        if (country.empty()) {
            const auto given = attribute(attributes, u"tvg-country");
            if (!given || given->empty()) {
                return skip(entry.line, PlaylistProblem::noCountry);
            }
            if (!isCountryCode(*given)) {
                return skip(entry.line, PlaylistProblem::badCountry);
            }
            country = *given;
        }
        if (address.size() > channel.address.maxLength) {
            return skip(addressLine, PlaylistProblem::addressTooLong);
        }
        if (holdsNul(address)) {
            return skip(addressLine, PlaylistProblem::nulCharacter);
        }
        const auto [earlier, isNew] = addressLines_.emplace(std::u16string(address), addressLine);
        if (!isNew) {
            return skip(addressLine, PlaylistProblem::duplicateAddress, earlier->second);
        }
        if (result_.channels.size() == static_cast<std::size_t>(channelCapacity)) {
            fail(addressLine, PlaylistProblem::tooManyChannels);
            return;
        }
        channel.on = on;
        channel.name = title;
        channel.note = note;
        channel.country = country;
        channel.address = address;
        channel.homePage = homePage;
        result_.channels.push_back(channel);
    }

    std::u16string_view listCountry_;
    PlaylistImport result_;
    bool sawHeader_ = false;
    std::optional<PendingEntry> pending_;
    std::map<std::u16string, int> addressLines_;
};

bool holdsLineBreak(std::u16string_view text)
{
    return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

bool holdsQuote(std::u16string_view text) { return text.find(u'"') != std::u16string_view::npos; }

// One record as its two lines, or the reason it cannot be written.
std::optional<PlaylistProblem> exportEntry(const Channel& channel, std::string& out)
{
    const std::u16string_view name = channel.name.view();
    const std::u16string_view note = channel.note.view();
    const std::u16string_view country = channel.country.view();
    const std::u16string_view address = channel.address.view();
    const std::u16string_view homePage = channel.homePage.view();
    if (address.empty()) {
        return PlaylistProblem::emptyAddress;
    }
    for (const std::u16string_view text : {name, note, country, address, homePage}) {
        if (holdsLineBreak(text)) {
            return PlaylistProblem::lineBreakInText;
        }
    }
    if (holdsQuote(country) || holdsQuote(note) || holdsQuote(homePage)) {
        return PlaylistProblem::quoteInAttribute;
    }
    if (address.front() == u'#') {
        return PlaylistProblem::addressStartsWithHash;
    }

    std::u16string entry = u"#EXTINF:-1";
    const auto put = [&entry](std::u16string_view key, std::u16string_view value) {
        entry.append(u" ").append(key).append(u"=\"").append(value).append(u"\"");
    };
    if (!country.empty()) {
        put(u"tvg-country", country);
    }
    put(u"telvia-on", channel.on != 0 ? u"1" : u"0");
    if (!note.empty()) {
        put(u"telvia-note", note);
    }
    if (!homePage.empty()) {
        put(u"telvia-home-page", homePage);
    }
    entry.append(u",").append(name).append(u"\n").append(address).append(u"\n");
    const std::optional<std::string> bytes = utf16ToUtf8(entry);
    if (!bytes) {
        return PlaylistProblem::unpairedSurrogate;
    }
    out += *bytes;
    return std::nullopt;
}

}  // namespace

bool isCountryCode(std::u16string_view text)
{
    return text.size() == 3 &&
           std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit >= u'A' && unit <= u'Z'; });
}

PlaylistImport importPlaylist(std::string_view bytes, std::u16string_view listCountry)
{
    return Importer(listCountry).run(bytes);
}

PlaylistExport exportPlaylist(std::span<const Channel> channels)
{
    PlaylistExport result;
    result.text = "#EXTM3U\n";
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (const auto problem = exportEntry(channels[i], result.text)) {
            result.skipped.push_back({static_cast<int>(i + 1), *problem, 0});
        }
    }
    return result;
}

std::string_view describe(PlaylistProblem problem)
{
    switch (problem) {
    case PlaylistProblem::notExtendedM3u: return "not an extended M3U playlist (no #EXTM3U line first)";
    case PlaylistProblem::invalidUtf8: return "not valid UTF-8";
    case PlaylistProblem::unterminatedQuote: return "an attribute value has no closing quote";
    case PlaylistProblem::malformedAttribute: return "expected key=\"value\" attributes before the comma";
    case PlaylistProblem::noTitleComma: return "#EXTINF line without the comma before the title";
    case PlaylistProblem::entryWithoutAddress: return "#EXTINF line without an address line after it";
    case PlaylistProblem::badOnMark: return "telvia-on must be \"0\" or \"1\"";
    case PlaylistProblem::tooManyChannels: return "more than 400 channels; a channel file holds at most 400";
    case PlaylistProblem::addressWithoutInfo: return "address without an #EXTINF line, so without a name";
    case PlaylistProblem::noTitle: return "empty title";
    case PlaylistProblem::titleTooLong: return "title longer than the 259 characters of a name";
    case PlaylistProblem::addressTooLong: return "address longer than 519 characters";
    case PlaylistProblem::noteTooLong: return "telvia-note longer than 519 characters";
    case PlaylistProblem::homePageTooLong: return "telvia-home-page longer than 259 characters";
    case PlaylistProblem::nulCharacter: return "text holds a NUL character";
    case PlaylistProblem::noCountry: return "no tvg-country (give the list's country with --country)";
    case PlaylistProblem::badCountry: return "tvg-country is not a three-letter code such as GBR";
    case PlaylistProblem::needsPlayerOptions: return "stream needs a user agent or referrer, which a channel cannot carry";
    case PlaylistProblem::duplicateAddress: return "same address as an earlier entry";
    case PlaylistProblem::emptyAddress: return "empty address";
    case PlaylistProblem::lineBreakInText: return "a text holds a line break";
    case PlaylistProblem::quoteInAttribute: return "country, note or home page holds a double quote";
    case PlaylistProblem::addressStartsWithHash: return "address starts with '#' and would read as a comment";
    case PlaylistProblem::unpairedSurrogate: return "a text is not valid UTF-16";
    }
    return "unknown problem";
}

}  // namespace telvia
