#include "catalogue/m3u_entry.h"

#include <cstddef>
#include <initializer_list>

#include "catalogue/m3u_country.h"
#include "common/request_headers.h"
#include "common/utf8.h"

namespace telvia::m3u {

namespace {

constexpr std::u16string_view playerOptionTag = u"#EXTVLCOPT";

bool isBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

bool endsKey(char16_t unit) { return isBlank(unit) || unit == u',' || unit == u'=' || unit == u'"'; }

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

// The first of these attributes the line gives a value, trimmed; empty if none does.
std::u16string_view firstGiven(const Attributes& attributes, std::initializer_list<std::u16string_view> keys)
{
    for (const std::u16string_view key : keys) {
        if (const std::u16string_view value = trim(attribute(attributes, key).value_or(u"")); !value.empty()) {
            return value;
        }
    }
    return {};
}

bool holdsNul(std::u16string_view text) { return text.find(u'\0') != std::u16string_view::npos; }

}  // namespace

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

LineKind classify(std::u16string_view trimmedLine)
{
    if (trimmedLine.empty()) {
        return LineKind::blank;
    }
    if (trimmedLine.starts_with(infoTag)) {
        return LineKind::info;
    }
    if (trimmedLine.starts_with(playerOptionTag)) {
        return LineKind::playerOption;
    }
    if (trimmedLine.starts_with(u'#')) {
        return LineKind::comment;
    }
    return LineKind::address;
}

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

std::variant<Channel, EntryFault> makeEntry(const InfoLine& info, const PlayerOptions& options,
                                            std::u16string_view address,
                                            std::u16string_view fallbackCountry)
{
    const Attributes& attributes = info.attributes;
    const std::u16string_view title = info.title;
    const std::u16string_view note = attribute(attributes, u"telvia-note").value_or(u"");
    const std::u16string_view homePage = attribute(attributes, u"telvia-home-page").value_or(u"");
    const auto fault = [](PlaylistProblem problem, bool atAddressLine = false) {
        return EntryFault{problem, atAddressLine};
    };

    std::int32_t on = 1;
    if (const auto mark = attribute(attributes, u"telvia-on")) {
        if (*mark != u"0" && *mark != u"1") {
            return fault(PlaylistProblem::badOnMark);
        }
        on = *mark == u"1" ? 1 : 0;
    }

    Channel channel;
    if (title.empty()) {
        return fault(PlaylistProblem::noTitle);
    }
    if (title.size() > channel.name.maxLength) {
        return fault(PlaylistProblem::titleTooLong);
    }
    if (note.size() > channel.note.maxLength) {
        return fault(PlaylistProblem::noteTooLong);
    }
    if (homePage.size() > channel.homePage.maxLength) {
        return fault(PlaylistProblem::homePageTooLong);
    }
    if (holdsNul(title) || holdsNul(note) || holdsNul(homePage)) {
        return fault(PlaylistProblem::nulCharacter);
    }
    auto country = entryCountry(attribute(attributes, u"tvg-country").value_or(u""),
                                attribute(attributes, u"tvg-id").value_or(u""), fallbackCountry);
    if (const auto* problem = std::get_if<PlaylistProblem>(&country)) {
        return fault(*problem);
    }
    // A header from an option line wins over the same header as an attribute.
    const std::u16string_view userAgent =
        !options.userAgent.empty() ? options.userAgent : firstGiven(attributes, {u"user-agent", u"http-user-agent"});
    const std::u16string_view referrer =
        !options.referrer.empty()
            ? options.referrer
            : firstGiven(attributes, {u"referrer", u"http-referrer", u"referer", u"http-referer"});
    const std::u16string fullAddress = addressWithHeaders(address, userAgent, referrer);
    if (fullAddress.size() > channel.address.maxLength) {
        return fault(PlaylistProblem::addressTooLong, true);
    }
    if (holdsNul(fullAddress)) {
        return fault(PlaylistProblem::nulCharacter, true);
    }
    // A suffix of the list's own that the player would refuse on every open: headers other
    // than the user agent and referrer, or pairs that do not parse.
    if (const auto utf8 = utf16ToUtf8(fullAddress); utf8 && splitRequestHeaders(*utf8).error) {
        return fault(PlaylistProblem::badRequestHeaders, true);
    }
    channel.on = on;
    channel.name = title;
    channel.note = note;
    channel.country = std::get<std::u16string>(country);
    channel.address = fullAddress;
    channel.homePage = homePage;
    return channel;
}

std::optional<PlaylistNote> EntryRegister::take(std::u16string_view address, int line)
{
    if (const auto earlier = lines_.find(address); earlier != lines_.end()) {
        return PlaylistNote{line, PlaylistProblem::duplicateAddress, earlier->second};
    }
    lines_.emplace(address, line);
    return std::nullopt;
}

}  // namespace telvia::m3u
