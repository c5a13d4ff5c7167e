#include "playback/stream/container/psi_section.h"

#include <algorithm>

namespace telvia::stream {

namespace {

constexpr std::size_t sectionHeaderLength = 3;
constexpr std::size_t longestSection = 4096;  // private sections; PAT and PMT stay under 1024
constexpr std::uint8_t stuffing = 0xFF;

std::size_t sectionLength(std::span<const std::uint8_t> section)
{
    return sectionHeaderLength + ((section[1] & 0x0Fu) << 8 | section[2]);
}

// The common syntax of long sections: header, extension, version, numbers, body, CRC.
std::optional<std::span<const std::uint8_t>> tableBody(std::span<const std::uint8_t> section, std::uint8_t tableId)
{
    constexpr std::size_t fixed = 8;  // up to last_section_number
    constexpr std::size_t crc = 4;
    if (section.size() < fixed + crc || section[0] != tableId || (section[1] & 0x80) == 0 ||
        sectionLength(section) != section.size()) {
        return std::nullopt;
    }
    if ((section[5] & 0x01) == 0) {
        return std::nullopt;  // current_next_indicator 0: a table not yet in force
    }
    return section.subspan(fixed, section.size() - fixed - crc);
}

}  // namespace

std::uint32_t mpegCrc32(std::span<const std::uint8_t> bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        crc ^= std::uint32_t{byte} << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
    }
    return crc;
}

std::size_t PsiSectionAssembler::collect(std::span<const std::uint8_t> bytes,
                                         std::vector<std::vector<std::uint8_t>>& sections)
{
    std::size_t taken = 0;
    if (partial_.size() < sectionHeaderLength) {
        taken = std::min(bytes.size(), sectionHeaderLength - partial_.size());
        partial_.insert(partial_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
        if (partial_.size() < sectionHeaderLength) {
            return taken;
        }
    }
    const std::size_t total = sectionLength(partial_);
    if (total > longestSection) {
        ++badSections_;
        reset();
        return bytes.size();
    }
    const std::size_t more = std::min(bytes.size() - taken, total - partial_.size());
    partial_.insert(partial_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(taken),
                    bytes.begin() + static_cast<std::ptrdiff_t>(taken + more));
    taken += more;
    if (partial_.size() == total) {
        if (mpegCrc32(partial_) == 0) {
            sections.push_back(std::move(partial_));
        } else {
            ++badSections_;
        }
        reset();
    }
    return taken;
}

void PsiSectionAssembler::push(std::span<const std::uint8_t> payload, bool payloadStart,
                               std::vector<std::vector<std::uint8_t>>& sections)
{
    if (!payloadStart) {
        if (collecting_) {
            collect(payload, sections);
        }
        return;
    }
    if (payload.empty()) {
        return;
    }
    // The pointer field says where the first new section starts; what comes before it
    // ends the section in progress.
    const std::size_t pointer = payload[0];
    if (pointer + 1 > payload.size()) {
        ++badSections_;
        reset();
        return;
    }
    if (collecting_) {
        collect(payload.subspan(1, pointer), sections);
        if (collecting_) {
            ++badSections_;  // the new section starts before the old one was complete
        }
    }
    reset();
    std::span<const std::uint8_t> rest = payload.subspan(1 + pointer);
    while (!rest.empty() && rest[0] != stuffing) {
        collecting_ = true;
        rest = rest.subspan(collect(rest, sections));
    }
}

std::optional<std::vector<PatProgram>> parsePat(std::span<const std::uint8_t> section)
{
    const auto body = tableBody(section, 0x00);
    if (!body || body->size() % 4 != 0) {
        return std::nullopt;
    }
    std::vector<PatProgram> programs;
    for (std::size_t i = 0; i < body->size(); i += 4) {
        const auto& b = *body;
        programs.push_back({static_cast<std::uint16_t>(b[i] << 8 | b[i + 1]),
                            static_cast<std::uint16_t>((b[i + 2] & 0x1F) << 8 | b[i + 3])});
    }
    return programs;
}

std::optional<Pmt> parsePmt(std::span<const std::uint8_t> section)
{
    const auto body = tableBody(section, 0x02);
    if (!body || body->size() < 4) {
        return std::nullopt;
    }
    Pmt pmt;
    pmt.programNumber = static_cast<std::uint16_t>(section[3] << 8 | section[4]);
    pmt.version = static_cast<std::uint8_t>((section[5] >> 1) & 0x1F);
    const auto& b = *body;
    const std::size_t infoLength = (b[2] & 0x0Fu) << 8 | b[3];
    std::size_t i = 4 + infoLength;
    if (i > b.size()) {
        return std::nullopt;
    }
    while (i < b.size()) {
        if (b.size() - i < 5) {
            return std::nullopt;
        }
        const std::size_t esInfoLength = (b[i + 3] & 0x0Fu) << 8 | b[i + 4];
        pmt.streams.push_back({b[i], static_cast<std::uint16_t>((b[i + 1] & 0x1F) << 8 | b[i + 2])});
        i += 5 + esInfoLength;
        if (i > b.size()) {
            return std::nullopt;
        }
    }
    return pmt;
}

}  // namespace telvia::stream
