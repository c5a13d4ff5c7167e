// The time formats of XML Schema that manifests use: durations such as "PT1H2M3.5S" or
// "P1D", and moments such as "2026-12-11T12:00:00.5Z", both in whole milliseconds.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace telvia::stream {

// A duration without sign. A year counts as 365 days and a month as 30: manifests give
// their durations in days and smaller units, and a calendar is of no use without a start.
// Fractions are taken on seconds only, cut to milliseconds. None when malformed, negative
// or longer than a hundred years.
[[nodiscard]] std::optional<std::int64_t> parseXsDuration(std::string_view text);

// A moment as milliseconds since 1970-01-01T00:00:00Z. "Z" and "+hh:mm"/"-hh:mm" offsets
// are applied; a moment without a zone is taken as UTC. Years 1000 to 9999. None when
// malformed or out of range.
[[nodiscard]] std::optional<std::int64_t> parseXsDateTime(std::string_view text);

}  // namespace telvia::stream
