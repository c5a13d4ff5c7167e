#include "playback/stream/dash/dash_manifest.h"

#include <array>
#include <limits>

#include "common/ascii_trim.h"
#include "common/decimal_text.h"
#include "playback/stream/address/address_resolution.h"
#include "playback/stream/dash/segment_template.h"
#include "playback/stream/dash/xs_time.h"

namespace telvia::stream {

namespace {

// "first-last", both ends included.
std::optional<DashByteRange> parseByteRange(std::string_view text)
{
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto first = parseDecimal(trimAscii(text.substr(0, dash)));
    const auto last = parseDecimal(trimAscii(text.substr(dash + 1)));
    if (!first || !last || *last < *first || *last == std::numeric_limits<std::uint64_t>::max()) {
        return std::nullopt;
    }
    return DashByteRange{*first, *last - *first + 1};
}

std::optional<DashClockScheme> clockScheme(std::string_view uri)
{
    for (const std::string_view year : {":2014", ":2012"}) {
        if (!uri.ends_with(year)) {
            continue;
        }
        const std::string_view name = uri.substr(0, uri.size() - year.size());
        if (name == "urn:mpeg:dash:utc:http-iso") return DashClockScheme::httpIso;
        if (name == "urn:mpeg:dash:utc:http-xsdate") return DashClockScheme::httpXsDate;
        if (name == "urn:mpeg:dash:utc:direct") return DashClockScheme::direct;
    }
    return std::nullopt;
}

// Segment information from the three levels that may give it (period, adaptation set,
// representation), outermost first; an absent level is null.
using SegmentLevels = std::array<const XmlElement*, 3>;

constexpr std::string_view segmentElementNames[] = {"SegmentTemplate", "SegmentList", "SegmentBase"};

class ManifestReader {
public:
    explicit ManifestReader(std::string_view address) : address_(address) {}

    DashParseResult run(const XmlElement& root)
    {
        if (root.name != "MPD") {
            return DashParseError{DashError::notAManifest, std::nullopt};
        }
        DashManifest manifest;
        const std::string* type = root.attribute("type");
        manifest.dynamic = type != nullptr && trimAscii(*type) == "dynamic";
        manifest.availabilityStartTimeMs = dateTime(root, "availabilityStartTime");
        manifest.publishTimeMs = dateTime(root, "publishTime");
        manifest.mediaPresentationDurationMs = duration(root, "mediaPresentationDuration");
        manifest.minimumUpdatePeriodMs = duration(root, "minimumUpdatePeriod");
        manifest.timeShiftBufferDepthMs = duration(root, "timeShiftBufferDepth");
        manifest.suggestedPresentationDelayMs = duration(root, "suggestedPresentationDelay");
        if (const XmlElement* location = root.child("Location")) {
            manifest.location = resolve(address_, trimAscii(location->text));
        }
        readClocks(root, manifest);
        if (manifest.dynamic && !manifest.availabilityStartTimeMs && !error_) {
            fail(DashError::missingStartTime);
        }
        const std::string base = baseOf(root, address_);
        readPeriods(root, base, manifest);
        if (error_) {
            return *error_;
        }
        if (manifest.periods.empty()) {
            return DashParseError{DashError::noPeriods, std::nullopt};
        }
        return manifest;
    }

private:
    void fail(DashError error)
    {
        if (!error_) {
            error_ = DashParseError{error, std::nullopt};
        }
    }

    std::optional<std::uint64_t> number(const XmlElement& element, std::string_view name)
    {
        const std::string* value = element.attribute(name);
        if (value == nullptr) {
            return std::nullopt;
        }
        const auto parsed = parseDecimal(trimAscii(*value));
        if (!parsed) {
            fail(DashError::badValue);
        }
        return parsed;
    }

    std::uint32_t smallNumber(const XmlElement& element, std::string_view name)
    {
        const auto value = number(element, name);
        if (value && *value > std::numeric_limits<std::uint32_t>::max()) {
            fail(DashError::badValue);
            return 0;
        }
        return static_cast<std::uint32_t>(value.value_or(0));
    }

    std::optional<std::int64_t> duration(const XmlElement& element, std::string_view name)
    {
        const std::string* value = element.attribute(name);
        if (value == nullptr) {
            return std::nullopt;
        }
        const auto parsed = parseXsDuration(trimAscii(*value));
        if (!parsed) {
            fail(DashError::badValue);
        }
        return parsed;
    }

    std::optional<std::int64_t> dateTime(const XmlElement& element, std::string_view name)
    {
        const std::string* value = element.attribute(name);
        if (value == nullptr) {
            return std::nullopt;
        }
        const auto parsed = parseXsDateTime(trimAscii(*value));
        if (!parsed) {
            fail(DashError::badValue);
        }
        return parsed;
    }

    std::string resolve(std::string_view base, std::string_view reference)
    {
        std::optional<std::string> resolved = resolveAddress(base, reference);
        if (!resolved) {
            fail(DashError::badValue);
            return std::string(base);
        }
        return std::move(*resolved);
    }

    // The element's first BaseURL resolved against the parent's base; the parent's base
    // when it gives none. Further BaseURLs name mirrors of the same content.
    std::string baseOf(const XmlElement& element, std::string_view parentBase)
    {
        const XmlElement* baseUrl = element.child("BaseURL");
        const std::string_view text = baseUrl ? trimAscii(baseUrl->text) : std::string_view();
        return text.empty() ? std::string(parentBase) : resolve(parentBase, text);
    }

    void readClocks(const XmlElement& root, DashManifest& manifest)
    {
        for (const XmlElement& element : root.children) {
            if (element.name != "UTCTiming") {
                continue;
            }
            const std::string* scheme = element.attribute("schemeIdUri");
            const std::string* value = element.attribute("value");
            const auto known = scheme ? clockScheme(trimAscii(*scheme)) : std::nullopt;
            if (!known || value == nullptr) {
                continue;  // a scheme this reader does not know: the next one may do
            }
            std::string_view text = trimAscii(*value);
            if (*known == DashClockScheme::direct) {
                manifest.utcTimings.push_back(DashUtcTiming{*known, std::string(text)});
                continue;
            }
            // Several addresses separated by spaces name servers of the same time.
            text = text.substr(0, text.find_first_of(" \t\r\n"));
            if (!text.empty()) {
                manifest.utcTimings.push_back(DashUtcTiming{*known, resolve(address_, text)});
            }
        }
    }

    void readPeriods(const XmlElement& root, const std::string& base, DashManifest& manifest)
    {
        struct Placed {
            const XmlElement* element;
            std::optional<std::int64_t> start;
            std::optional<std::int64_t> duration;
        };
        std::vector<Placed> placed;
        for (const XmlElement& element : root.children) {
            if (element.name != "Period") {
                continue;
            }
            if (placed.size() == dashPeriodLimit) {
                return fail(DashError::tooLong);
            }
            placed.push_back(Placed{&element, duration(element, "start"), duration(element, "duration")});
        }
        // A period without a start follows the one before it; the first of a static
        // manifest starts at 0. One that cannot be placed is left out.
        for (std::size_t i = 0; i < placed.size(); ++i) {
            if (placed[i].start) {
                continue;
            }
            if (i == 0 && !manifest.dynamic) {
                placed[i].start = 0;
            } else if (i > 0 && placed[i - 1].start && placed[i - 1].duration) {
                placed[i].start = *placed[i - 1].start + *placed[i - 1].duration;
            }
        }
        for (std::size_t i = 0; i < placed.size(); ++i) {
            if (!placed[i].start) {
                continue;
            }
            DashPeriod period;
            period.startMs = *placed[i].start;
            period.durationMs = placed[i].duration;
            // Else it lasts up to the next one placed, or to the presentation's end.
            std::size_t following = i + 1;
            while (following < placed.size() && !placed[following].start) {
                ++following;
            }
            if (!period.durationMs && following < placed.size()) {
                period.durationMs = *placed[following].start - period.startMs;
            }
            if (!period.durationMs && following == placed.size() && manifest.mediaPresentationDurationMs) {
                period.durationMs = *manifest.mediaPresentationDurationMs - period.startMs;
            }
            if (period.durationMs && *period.durationMs < 0) {
                return fail(DashError::badValue);
            }
            if (!manifest.periods.empty() && period.startMs < manifest.periods.back().startMs) {
                return fail(DashError::badValue);
            }
            readPeriod(*placed[i].element, base, period);
            manifest.periods.push_back(std::move(period));
        }
    }

    void readPeriod(const XmlElement& element, const std::string& parentBase, DashPeriod& period)
    {
        if (const std::string* id = element.attribute("id")) {
            period.id = *id;
        }
        const std::string base = baseOf(element, parentBase);
        std::size_t representations = 0;
        for (const XmlElement& child : element.children) {
            if (child.name != "AdaptationSet") {
                continue;
            }
            DashAdaptationSet set = readAdaptationSet(child, element, base);
            representations += set.representations.size();
            if (representations > dashRepresentationLimit) {
                return fail(DashError::tooLong);
            }
            period.adaptationSets.push_back(std::move(set));
        }
    }

    DashAdaptationSet readAdaptationSet(const XmlElement& element, const XmlElement& period,
                                        const std::string& parentBase)
    {
        DashAdaptationSet set;
        const auto text = [&element](std::string_view name) {
            const std::string* value = element.attribute(name);
            return value ? std::string(trimAscii(*value)) : std::string();
        };
        set.id = text("id");
        set.contentType = text("contentType");
        set.mimeType = text("mimeType");
        set.language = text("lang");
        const bool setProtected = element.child("ContentProtection") != nullptr;
        for (const XmlElement& child : element.children) {
            if (child.name == "Role") {
                const std::string* value = child.attribute("value");
                set.isMainRole = set.isMainRole || (value && trimAscii(*value) == "main");
            }
        }
        const std::string base = baseOf(element, parentBase);
        for (const XmlElement& child : element.children) {
            if (child.name != "Representation") {
                continue;
            }
            if (set.representations.size() == dashRepresentationLimit) {
                fail(DashError::tooLong);
                break;
            }
            DashRepresentation representation;
            representation.id = child.attribute("id") ? std::string(trimAscii(*child.attribute("id"))) : std::string();
            representation.bandwidth = number(child, "bandwidth").value_or(0);
            // Common attributes an adaptation set gives its representations.
            const auto inherited = [&child, &element](std::string_view name) {
                const std::string* value = child.attribute(name);
                value = value ? value : element.attribute(name);
                return value ? std::string(trimAscii(*value)) : std::string();
            };
            representation.codecs = inherited("codecs");
            representation.mimeType = inherited("mimeType");
            const XmlElement& sizes = child.attribute("width") || child.attribute("height") ? child : element;
            representation.width = smallNumber(sizes, "width");
            representation.height = smallNumber(sizes, "height");
            representation.audioSamplingRate =
                smallNumber(child.attribute("audioSamplingRate") ? child : element, "audioSamplingRate");
            representation.isProtected = setProtected || child.child("ContentProtection") != nullptr;
            const std::string representationBase = baseOf(child, base);
            representation.segments =
                readSegmentInfo(SegmentLevels{&period, &element, &child}, representationBase, representation);
            set.representations.push_back(std::move(representation));
        }
        return set;
    }

    DashSegmentInfo readSegmentInfo(const SegmentLevels& levels, const std::string& base,
                                    const DashRepresentation& representation)
    {
        DashSegmentInfo info;
        info.base = base;
        // The innermost level that gives segment information decides its kind; outer
        // elements of that kind give it defaults.
        std::string_view kindName;
        for (const XmlElement* level : levels) {
            for (const std::string_view name : segmentElementNames) {
                if (level->child(name) != nullptr) {
                    kindName = name;
                }
            }
        }
        if (kindName.empty()) {
            info.initialization = std::nullopt;
            return info;
        }
        std::vector<const XmlElement*> chain;  // outermost first
        for (const XmlElement* level : levels) {
            if (const XmlElement* element = level->child(kindName)) {
                chain.push_back(element);
            }
        }
        std::string initializationTemplate;
        const XmlElement* timeline = nullptr;
        const XmlElement* initialization = nullptr;
        const XmlElement* urls = nullptr;
        for (const XmlElement* element : chain) {
            if (const auto value = number(*element, "timescale")) info.timescale = *value;
            if (const auto value = number(*element, "presentationTimeOffset")) info.presentationTimeOffset = *value;
            if (const auto value = number(*element, "startNumber")) info.startNumber = *value;
            if (const auto value = number(*element, "duration")) info.duration = *value;
            if (const std::string* value = element->attribute("media")) info.mediaTemplate = trimAscii(*value);
            if (const std::string* value = element->attribute("initialization")) initializationTemplate = trimAscii(*value);
            if (const std::string* value = element->attribute("indexRange")) {
                info.indexRange = parseByteRange(*value);
                if (!info.indexRange) fail(DashError::badValue);
            }
            if (const XmlElement* child = element->child("SegmentTimeline")) timeline = child;
            if (const XmlElement* child = element->child("Initialization")) initialization = child;
            if (element->child("SegmentURL") != nullptr) urls = element;
        }
        if (info.timescale == 0 || info.timescale > dashTimescaleLimit || (info.duration && *info.duration == 0)) {
            fail(DashError::badValue);
            info.timescale = 1;
        }
        if (timeline != nullptr) {
            readTimeline(*timeline, info);
        }
        if (initialization != nullptr) {
            info.initialization = readResource(*initialization, "sourceURL", "range", base);
        }
        const TemplateValues values{representation.id, representation.bandwidth, 0, 0};
        if (kindName == "SegmentTemplate") {
            info.kind = DashSegmentInfo::Kind::templated;
            const bool numbered = templateUses(info.mediaTemplate, "Number");
            const bool timed = templateUses(info.mediaTemplate, "Time");
            // Times come only from a timeline; numbers from a timeline or a duration.
            if (!templateIsValid(info.mediaTemplate) || (!numbered && !timed) || (timed && info.timeline.empty()) ||
                (info.timeline.empty() && !info.duration)) {
                fail(DashError::badTemplate);
            }
            if (!initializationTemplate.empty()) {
                const auto expanded = expandTemplate(initializationTemplate, values);
                if (!expanded || templateUses(initializationTemplate, "Number") ||
                    templateUses(initializationTemplate, "Time")) {
                    fail(DashError::badTemplate);
                } else {
                    info.initialization = DashResource{resolve(base, *expanded), std::nullopt};
                }
            }
        } else if (kindName == "SegmentList") {
            info.kind = DashSegmentInfo::Kind::list;
            if (urls != nullptr) {
                readSegmentUrls(*urls, base, info);
            }
            if (info.timeline.empty() && !info.duration && info.media.size() > 1) {
                fail(DashError::badValue);  // several segments and nothing that times them
            }
        } else {
            info.kind = DashSegmentInfo::Kind::indexed;
            if (!info.indexRange) {
                info.kind = DashSegmentInfo::Kind::wholeResource;
            }
            // An initialization range without an address is a part of the one resource.
            if (info.initialization && initialization != nullptr && !initialization->attribute("sourceURL")) {
                info.initialization->address = base;
            }
        }
        return info;
    }

    DashResource readResource(const XmlElement& element, std::string_view addressName, std::string_view rangeName,
                              const std::string& base)
    {
        DashResource resource;
        const std::string* address = element.attribute(addressName);
        resource.address = address ? resolve(base, trimAscii(*address)) : base;
        if (const std::string* range = element.attribute(rangeName)) {
            resource.range = parseByteRange(*range);
            if (!resource.range) {
                fail(DashError::badValue);
            }
        }
        return resource;
    }

    void readSegmentUrls(const XmlElement& list, const std::string& base, DashSegmentInfo& info)
    {
        for (const XmlElement& child : list.children) {
            if (child.name != "SegmentURL") {
                continue;
            }
            if (info.media.size() == dashSegmentLimit) {
                return fail(DashError::tooLong);
            }
            info.media.push_back(readResource(child, "media", "mediaRange", base));
        }
    }

    void readTimeline(const XmlElement& timeline, DashSegmentInfo& info)
    {
        constexpr std::uint64_t largest = std::numeric_limits<std::int64_t>::max();
        std::uint64_t end = 0;  // of the previous entry
        for (const XmlElement& child : timeline.children) {
            if (child.name != "S") {
                continue;
            }
            if (info.timeline.size() == dashSegmentLimit) {
                return fail(DashError::tooLong);
            }
            const auto time = number(child, "t");
            const auto duration = number(child, "d");
            std::int64_t repeat = 0;
            if (const std::string* r = child.attribute("r")) {
                const std::string_view text = trimAscii(*r);
                if (text == "-1") {
                    repeat = -1;
                } else if (const auto value = parseDecimal(text); value && *value < largest) {
                    repeat = static_cast<std::int64_t>(*value);
                } else {
                    return fail(DashError::badTimeline);
                }
            }
            if (!duration || *duration == 0 || *duration > largest) {
                return fail(DashError::badTimeline);
            }
            DashTimelineEntry entry{time.value_or(end), *duration, repeat};
            if (!info.timeline.empty()) {
                DashTimelineEntry& previous = info.timeline.back();
                // An open repeat ends where this entry begins, which it must say.
                if (previous.repeat < 0) {
                    if (!time || *time <= previous.time) {
                        return fail(DashError::badTimeline);
                    }
                    previous.repeat = static_cast<std::int64_t>((*time - previous.time - 1) / previous.duration);
                } else if (entry.time < previous.time) {
                    return fail(DashError::badTimeline);
                }
            }
            // The entry's end must be a time, whatever the repeat.
            const std::uint64_t count = repeat < 0 ? 1 : static_cast<std::uint64_t>(repeat) + 1;
            if (entry.time > largest || count > (largest - entry.time) / entry.duration) {
                return fail(DashError::badTimeline);
            }
            end = entry.time + count * entry.duration;
            info.timeline.push_back(entry);
        }
    }

    std::string_view address_;
    std::optional<DashParseError> error_;
};

}  // namespace

DashParseResult parseDashManifest(std::string_view text, std::string_view manifestAddress)
{
    if (!hasScheme(manifestAddress)) {
        return DashParseError{DashError::notAbsoluteBase, std::nullopt};
    }
    XmlParseResult xml = parseXml(text);
    if (const auto* error = std::get_if<XmlParseError>(&xml)) {
        return DashParseError{DashError::notXml, error->error};
    }
    return ManifestReader(manifestAddress).run(std::get<XmlElement>(xml));
}

std::string_view describe(DashError error)
{
    switch (error) {
    case DashError::notXml: return "manifest is not well-formed XML";
    case DashError::notAManifest: return "not a DASH manifest";
    case DashError::notAbsoluteBase: return "manifest address is not absolute";
    case DashError::badValue: return "a value in the manifest does not parse";
    case DashError::badTemplate: return "bad segment template";
    case DashError::badTimeline: return "bad segment timeline";
    case DashError::missingStartTime: return "live manifest without availability start time";
    case DashError::noPeriods: return "no period to play";
    case DashError::tooLong: return "manifest too long";
    }
    return "unknown";
}

}  // namespace telvia::stream
