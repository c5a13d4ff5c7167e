#include "catalogue/m3u_playlist.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <variant>

#include "catalogue/channel_table.h"
#include "catalogue/country_codes.h"
#include "catalogue/m3u_entry.h"
#include "common/utf8.h"

namespace telvia {

namespace {

using m3u::LineKind;

// An #EXTINF line waiting for its address.
struct PendingEntry {
    int line = 0;
    std::u16string text;  // the whole decoded line; the parsed views point into it
    m3u::InfoLine info;
    m3u::PlayerOptions options;
};

class Importer {
public:
    explicit Importer(std::u16string_view fallbackCountry)
        : fallbackCountry_(storedCountryCode(fallbackCountry).value_or(u""))
    {
    }

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
    void skip(const PlaylistNote& note) { result_.skipped.push_back(note); }

    void takeLine(int lineNumber, std::u16string line)
    {
        const std::u16string_view text = m3u::trim(line);
        if (text.empty()) {
            return;
        }
        if (!sawHeader_) {
            if (!text.starts_with(m3u::headerTag)) {
                fail(lineNumber, PlaylistProblem::notExtendedM3u);
            }
            sawHeader_ = true;
            return;
        }
        switch (m3u::classify(text)) {
        case LineKind::blank:
        case LineKind::comment:
            return;
        case LineKind::playerOption:
            if (pending_) {
                m3u::readPlayerOption(text, pending_->options);
            }
            return;
        case LineKind::info:
            if (pending_) {
                fail(pending_->line, PlaylistProblem::entryWithoutAddress);
                return;
            }
            pending_.emplace();
            pending_->line = lineNumber;
            pending_->text = std::move(line);
            if (const auto problem = m3u::parseInfo(
                    m3u::trim(pending_->text).substr(m3u::infoTag.size()), pending_->info)) {
                fail(lineNumber, *problem);
            }
            return;
        case LineKind::address:
            if (!pending_) {
                skip({lineNumber, PlaylistProblem::addressWithoutInfo, 0});
                return;
            }
            takeEntry(*pending_, lineNumber, text);
            pending_.reset();
            return;
        }
    }

    void takeEntry(const PendingEntry& entry, int addressLine, std::u16string_view address)
    {
        auto made = m3u::makeEntry(entry.info, entry.options, address, fallbackCountry_);
        if (const auto* fault = std::get_if<m3u::EntryFault>(&made)) {
            const int line = fault->atAddressLine ? addressLine : entry.line;
            if (fault->problem == PlaylistProblem::badOnMark) {
                fail(line, fault->problem);
            } else {
                skip({line, fault->problem, 0});
            }
            return;
        }
        // The address as stored, header suffix included: one stream asked for with two
        // different user agents is two channels.
        const Channel& channel = std::get<Channel>(made);
        if (const auto note = register_.take(channel.address.view(), addressLine)) {
            skip(*note);
            return;
        }
        result_.channels.push_back(channel);
    }

    std::u16string fallbackCountry_;
    PlaylistImport result_;
    bool sawHeader_ = false;
    std::optional<PendingEntry> pending_;
    m3u::EntryRegister register_;
};

bool holdsLineBreak(std::u16string_view text)
{
    return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

bool holdsQuote(std::u16string_view text) { return text.find(u'"') != std::u16string_view::npos; }

// The #EXTINF line of a record: its own attributes, then the name as the title.
std::u16string infoLineOf(const Channel& channel)
{
    std::u16string info = u"#EXTINF:-1";
    const auto put = [&info](std::u16string_view key, std::u16string_view value) {
        info.append(u" ").append(key).append(u"=\"").append(value).append(u"\"");
    };
    if (!channel.country.empty()) {
        put(u"tvg-country", channel.country.view());
    }
    put(u"telvia-on", channel.on != 0 ? u"1" : u"0");
    if (!channel.note.empty()) {
        put(u"telvia-note", channel.note.view());
    }
    if (!channel.homePage.empty()) {
        put(u"telvia-home-page", channel.homePage.view());
    }
    return info.append(u",").append(channel.name.view());
}

// Reads the two lines of a record back with the import's own rules: why they would not
// give this very record (the on mark as 0 or 1), or nothing when they would.
std::optional<PlaylistProblem> readBackProblem(const Channel& channel, std::u16string_view info)
{
    m3u::InfoLine parsed;
    if (const auto problem = m3u::parseInfo(m3u::trim(info).substr(m3u::infoTag.size()), parsed)) {
        return problem;
    }
    const std::u16string_view addressLine = m3u::trim(channel.address.view());
    switch (m3u::classify(addressLine)) {
    case LineKind::address:
        break;
    case LineKind::blank:
        return PlaylistProblem::emptyAddress;
    case LineKind::info:
    case LineKind::playerOption:
    case LineKind::comment:
        return PlaylistProblem::addressStartsWithHash;
    }
    const auto made = m3u::makeEntry(parsed, {}, addressLine, u"");
    if (const auto* fault = std::get_if<m3u::EntryFault>(&made)) {
        return fault->problem;
    }
    Channel expected = channel;
    expected.on = channel.on != 0 ? 1 : 0;
    if (std::get<Channel>(made) != expected) {
        return PlaylistProblem::readsBackChanged;
    }
    return std::nullopt;
}

// Writes each record that reads back unchanged, in record order, with the list-wide rule of
// the import (an address once), and at most as many as a channel file holds.
class Exporter {
public:
    PlaylistExport run(std::span<const Channel> channels)
    {
        result_.text = "#EXTM3U\n";
        for (std::size_t i = 0; i < channels.size(); ++i) {
            if (auto note = write(channels[i], static_cast<int>(i + 1))) {
                result_.skipped.push_back(*note);
            }
        }
        return std::move(result_);
    }

private:
    std::optional<PlaylistNote> write(const Channel& channel, int number)
    {
        const auto problem = [number](PlaylistProblem p) { return PlaylistNote{number, p, 0}; };
        // What the line format cannot carry at all: the import would see other lines or
        // other attributes.
        for (const std::u16string_view text : {channel.name.view(), channel.note.view(), channel.country.view(),
                                               channel.address.view(), channel.homePage.view()}) {
            if (holdsLineBreak(text)) {
                return problem(PlaylistProblem::lineBreakInText);
            }
        }
        if (holdsQuote(channel.country.view()) || holdsQuote(channel.note.view()) ||
            holdsQuote(channel.homePage.view())) {
            return problem(PlaylistProblem::quoteInAttribute);
        }
        // The import would turn a two-letter or lower-case code into another one.
        if (channel.country.empty()) {
            return problem(PlaylistProblem::noCountry);
        }
        if (!isCountryCode(channel.country.view())) {
            return problem(PlaylistProblem::badCountry);
        }
        const std::u16string info = infoLineOf(channel);
        if (const auto readBack = readBackProblem(channel, info)) {
            return problem(*readBack);
        }
        const std::u16string_view address = channel.address.view();
        const std::optional<std::string> bytes = utf16ToUtf8(info + u"\n" + std::u16string(address) + u"\n");
        if (!bytes) {
            return problem(PlaylistProblem::unpairedSurrogate);
        }
        if (auto taken = register_.take(address, number)) {
            return taken;
        }
        if (written_ == channelCapacity) {
            return problem(PlaylistProblem::tooManyChannels);
        }
        ++written_;
        result_.text += *bytes;
        return std::nullopt;
    }

    PlaylistExport result_;
    m3u::EntryRegister register_;
    int written_ = 0;
};

}  // namespace

bool isCountryCode(std::u16string_view text)
{
    return text.size() == 3 &&
           std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit >= u'A' && unit <= u'Z'; });
}

PlaylistImport importPlaylist(std::string_view bytes, std::u16string_view fallbackCountry)
{
    return Importer(fallbackCountry).run(bytes);
}

PlaylistExport exportPlaylist(std::span<const Channel> channels) { return Exporter().run(channels); }

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
    case PlaylistProblem::addressWithoutInfo: return "address without an #EXTINF line, so without a name";
    case PlaylistProblem::noTitle: return "empty title";
    case PlaylistProblem::titleTooLong: return "title longer than the 259 characters of a name";
    case PlaylistProblem::addressTooLong: return "address longer than 519 characters";
    case PlaylistProblem::noteTooLong: return "telvia-note longer than 519 characters";
    case PlaylistProblem::homePageTooLong: return "telvia-home-page longer than 259 characters";
    case PlaylistProblem::nulCharacter: return "text holds a NUL character";
    case PlaylistProblem::badRequestHeaders:
        return "request headers after '|' other than User-Agent and Referer, or malformed";
    case PlaylistProblem::noCountry:
        return "no country: none in tvg-country or tvg-id (give a fallback with --country)";
    case PlaylistProblem::badCountry:
        return "no usable country: tvg-country holds no code such as GB or GBR, or a record's country is not "
               "three capital letters";
    case PlaylistProblem::duplicateAddress: return "same address as an earlier entry";
    case PlaylistProblem::emptyAddress: return "empty address";
    case PlaylistProblem::lineBreakInText: return "a text holds a line break";
    case PlaylistProblem::quoteInAttribute: return "country, note or home page holds a double quote";
    case PlaylistProblem::addressStartsWithHash: return "address starts with '#' and would read as a comment";
    case PlaylistProblem::unpairedSurrogate: return "a text is not valid UTF-16";
    case PlaylistProblem::readsBackChanged:
        return "would read back changed (a name or address begins or ends with a space or tab)";
    case PlaylistProblem::tooManyChannels: return "more than 400 records; a channel file holds at most 400";
    }
    return "unknown problem";
}

}  // namespace telvia
