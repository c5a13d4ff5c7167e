// An in-memory folder of files keyed by the name the program uses.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "call_log.h"
#include "platform/file_port.h"

namespace telvia::fakes {

class FakeFiles final : public FilePort {
public:
    explicit FakeFiles(CallLog& log) : log_(log) {}

    std::unique_ptr<ReadableFile> openForReading(std::u16string_view path) override;
    std::size_t writeWholeFile(std::u16string_view path, std::span<const std::byte> bytes) override;

    void put(std::u16string_view path, std::vector<std::byte> bytes);
    void putText(std::u16string_view path, std::string_view text);
    [[nodiscard]] const std::vector<std::byte>* find(std::u16string_view path) const;

    // Files that exist but cannot be opened (held open elsewhere, no access).
    std::vector<std::u16string> locked;
    // When set, reads return at most this many bytes (a short read).
    std::optional<std::uint32_t> shortReadLimit;
    // When set, writes write at most this many bytes (a full disk).
    std::optional<std::size_t> shortWriteLimit;
    // A size to report instead of the real one (a file larger than what is stored).
    std::optional<std::uint32_t> reportedSize;

private:
    CallLog& log_;
    std::map<std::u16string, std::vector<std::byte>> files_;
};

}  // namespace telvia::fakes
