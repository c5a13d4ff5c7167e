// Program-specific information: the sections of the program association table (which
// programs there are) and the program map table (which streams make up a program),
// gathered from the packets they span.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace telvia::stream {

// The CRC of MPEG-2 sections; over a whole section, CRC included, it is 0.
[[nodiscard]] std::uint32_t mpegCrc32(std::span<const std::uint8_t> bytes);

// Collects the sections of one PID. A section may start in one packet and end in
// another, and one packet may hold the end of one section and several whole ones.
class PsiSectionAssembler {
public:
    // Takes the payload of the PID's next packet and appends every section it completes
    // whose CRC is right. badSections counts those that were not.
    void push(std::span<const std::uint8_t> payload, bool payloadStart,
              std::vector<std::vector<std::uint8_t>>& sections);

    // Forgets a section in progress, after packets of the PID were lost.
    void reset() { partial_.clear(); collecting_ = false; }

    [[nodiscard]] std::uint32_t badSections() const { return badSections_; }

private:
    // Adds bytes to the section in progress; returns how many it took.
    std::size_t collect(std::span<const std::uint8_t> bytes, std::vector<std::vector<std::uint8_t>>& sections);

    std::vector<std::uint8_t> partial_;
    bool collecting_ = false;
    std::uint32_t badSections_ = 0;
};

struct PatProgram {
    std::uint16_t programNumber = 0;
    std::uint16_t pmtPid = 0;
};

struct PmtStream {
    std::uint8_t streamType = 0;
    std::uint16_t pid = 0;
};

struct Pmt {
    std::uint16_t programNumber = 0;
    std::uint8_t version = 0;
    std::vector<PmtStream> streams;
};

// Empty when the section is not a table of that kind or its lengths do not add up.
[[nodiscard]] std::optional<std::vector<PatProgram>> parsePat(std::span<const std::uint8_t> section);
[[nodiscard]] std::optional<Pmt> parsePmt(std::span<const std::uint8_t> section);

}  // namespace telvia::stream
