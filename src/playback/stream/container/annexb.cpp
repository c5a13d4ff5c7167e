#include "playback/stream/container/annexb.h"

namespace telvia::stream {

namespace {

void addUnit(std::vector<std::span<const std::uint8_t>>& units, std::span<const std::uint8_t> bytes,
             std::size_t start, std::size_t end)
{
    while (end > start && bytes[end - 1] == 0) {
        --end;
    }
    if (end > start) {
        units.push_back(bytes.subspan(start, end - start));
    }
}

}  // namespace

std::vector<std::span<const std::uint8_t>> splitNalUnits(std::span<const std::uint8_t> bytes)
{
    std::vector<std::span<const std::uint8_t>> units;
    std::size_t start = 0;
    bool inUnit = false;
    std::size_t i = 0;
    while (i + 3 <= bytes.size()) {
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) {
            if (inUnit) {
                addUnit(units, bytes, start, i);
            }
            i += 3;
            start = i;
            inUnit = true;
        } else {
            ++i;
        }
    }
    if (inUnit) {
        addUnit(units, bytes, start, bytes.size());
    }
    return units;
}

bool holdsIdrPicture(std::span<const std::uint8_t> accessUnit)
{
    for (const auto unit : splitNalUnits(accessUnit)) {
        if (!unit.empty() && (unit[0] & 0x1F) == nalTypeIdr) {
            return true;
        }
    }
    return false;
}

}  // namespace telvia::stream
