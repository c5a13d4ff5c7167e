#include "fake_files.h"

#include <algorithm>

#include "fake_ports.h"

namespace telvia::fakes {

namespace {

class FakeReadableFile final : public ReadableFile {
public:
    FakeReadableFile(const std::vector<std::byte>& bytes, std::optional<std::uint32_t> shortRead,
                     std::optional<std::uint32_t> reportedSize)
        : bytes_(bytes), shortRead_(shortRead), reportedSize_(reportedSize)
    {
    }

    std::uint32_t size() override
    {
        return reportedSize_.value_or(static_cast<std::uint32_t>(bytes_.size()));
    }

    std::vector<std::byte> read(std::uint32_t count) override
    {
        std::size_t available = bytes_.size() - position_;
        if (shortRead_) {
            available = std::min<std::size_t>(available, *shortRead_);
        }
        const std::size_t taken = std::min<std::size_t>(count, available);
        std::vector<std::byte> out(bytes_.begin() + static_cast<std::ptrdiff_t>(position_),
                                   bytes_.begin() + static_cast<std::ptrdiff_t>(position_ + taken));
        position_ += taken;
        return out;
    }

private:
    const std::vector<std::byte>& bytes_;
    std::optional<std::uint32_t> shortRead_;
    std::optional<std::uint32_t> reportedSize_;
    std::size_t position_ = 0;
};

}  // namespace

std::unique_ptr<ReadableFile> FakeFiles::openForReading(std::u16string_view path)
{
    log_.add("files.openForReading " + narrow(path));
    const auto it = files_.find(std::u16string(path));
    if (it == files_.end() || std::find(locked.begin(), locked.end(), path) != locked.end()) {
        return nullptr;
    }
    return std::make_unique<FakeReadableFile>(it->second, shortReadLimit, reportedSize);
}

std::size_t FakeFiles::writeWholeFile(std::u16string_view path, std::span<const std::byte> bytes)
{
    log_.add("files.writeWholeFile " + narrow(path) + " " + std::to_string(bytes.size()));
    if (std::find(locked.begin(), locked.end(), path) != locked.end()) {
        return 0;
    }
    const std::size_t written = std::min(bytes.size(), shortWriteLimit.value_or(bytes.size()));
    files_[std::u16string(path)].assign(bytes.begin(),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(written));
    return written;
}

void FakeFiles::put(std::u16string_view path, std::vector<std::byte> bytes)
{
    files_[std::u16string(path)] = std::move(bytes);
}

void FakeFiles::putText(std::u16string_view path, std::string_view text)
{
    std::vector<std::byte> bytes(text.size());
    std::transform(text.begin(), text.end(), bytes.begin(),
                   [](char c) { return static_cast<std::byte>(c); });
    put(path, std::move(bytes));
}

const std::vector<std::byte>* FakeFiles::find(std::u16string_view path) const
{
    const auto it = files_.find(std::u16string(path));
    return it == files_.end() ? nullptr : &it->second;
}

}  // namespace telvia::fakes
