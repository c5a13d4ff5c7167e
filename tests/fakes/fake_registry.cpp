#include "fake_registry.h"

#include <algorithm>
#include <array>
#include <memory>
#include <span>

#include "narrow_text.h"

namespace telvia::fakes {

namespace {

// Registry names compare without regard to (ASCII) case.
std::u16string fold(std::u16string_view text)
{
    std::u16string folded(text);
    for (char16_t& unit : folded) {
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit - u'A' + u'a');
        }
    }
    return folded;
}

// A path without the separators at either end or doubled inside.
std::u16string normalisePath(std::u16string_view path)
{
    std::u16string out;
    for (const char16_t unit : path) {
        if (unit == u'\\' && (out.empty() || out.back() == u'\\')) {
            continue;
        }
        out.push_back(unit);
    }
    if (!out.empty() && out.back() == u'\\') {
        out.pop_back();
    }
    return out;
}

constexpr auto deadResult = static_cast<RegistryResult>(21);  // ERROR_NOT_READY

}  // namespace

class FakeRegistryKey final : public RegistryKey {
public:
    FakeRegistryKey(FakeRegistry& registry, std::u16string path)
        : registry_(registry), path_(std::move(path))
    {
    }
    ~FakeRegistryKey() override { registry_.log_.add("registry.close " + narrow(path_)); }

    RegistryAnswer queryNumber(std::u16string_view name, std::uint32_t& number) override
    {
        std::array<std::byte, 4> bytes{};
        const RegistryAnswer answer = query(name, bytes);
        number = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            number |= std::to_integer<std::uint32_t>(bytes[i]) << (8 * i);
        }
        return answer;
    }

    RegistryAnswer queryString(std::u16string_view name, std::span<char16_t> buffer) override
    {
        std::vector<std::byte> bytes(buffer.size() * 2);
        const RegistryAnswer answer = query(name, bytes);
        if (answer.result != RegistryResult::success) {
            return answer;
        }
        // Copied bytes land in memory order (little-endian units); an odd last byte
        // replaces only the low half of its unit.
        for (std::size_t i = 0; i < answer.byteCount; ++i) {
            const auto byte = std::to_integer<char16_t>(bytes[i]);
            char16_t& unit = buffer[i / 2];
            unit = i % 2 == 0 ? static_cast<char16_t>((unit & 0xFF00u) | byte)
                              : static_cast<char16_t>((unit & 0x00FFu) | (byte << 8));
        }
        return answer;
    }

    RegistryResult setNumber(std::u16string_view name, std::uint32_t number) override
    {
        registry_.valueCalls.push_back("set " + narrow(name));
        if (!registry_.survivesWrite()) {
            return deadResult;
        }
        std::vector<std::byte> bytes(4);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::byte>(number >> (8 * i));
        }
        registry_.putValue(path_, name, RegistryType::number, std::move(bytes));
        return RegistryResult::success;
    }

    RegistryResult setString(std::u16string_view name, std::span<const char16_t> units) override
    {
        registry_.valueCalls.push_back("set " + narrow(name));
        if (!registry_.survivesWrite()) {
            return deadResult;
        }
        registry_.putValue(path_, name, RegistryType::string,
                           utf16Bytes(std::u16string_view(units.data(), units.size())));
        return RegistryResult::success;
    }

    RegistryResult deleteValue(std::u16string_view name) override
    {
        registry_.valueCalls.push_back("delete " + narrow(name));
        if (!registry_.survivesWrite()) {
            return deadResult;
        }
        FakeRegistry::Key* key = registry_.findKey(path_);
        if (key == nullptr || key->values.erase(fold(name)) == 0) {
            return RegistryResult::notFound;
        }
        return RegistryResult::success;
    }

private:
    RegistryAnswer query(std::u16string_view name, std::span<std::byte> buffer)
    {
        registry_.valueCalls.push_back("query " + narrow(name));
        const FakeRegistry::Value* value = registry_.findValue(path_, name);
        if (value == nullptr) {
            return {RegistryResult::notFound, RegistryType::none, 0};
        }
        const auto size = static_cast<std::uint32_t>(value->bytes.size());
        if (value->bytes.size() > buffer.size()) {
            return {RegistryResult::moreData, value->type, size};
        }
        std::copy(value->bytes.begin(), value->bytes.end(), buffer.begin());
        return {RegistryResult::success, value->type, size};
    }

    FakeRegistry& registry_;
    std::u16string path_;
};

OpenedRegistryKey FakeRegistry::openCurrentUserKey(std::u16string_view path)
{
    log_.add("registry.open " + narrow(path));
    if (std::find(deniedKeys.begin(), deniedKeys.end(), path) != deniedKeys.end()) {
        return {RegistryResult::accessDenied, nullptr};
    }
    const Key* key = findKey(path);
    if (key == nullptr) {
        return {RegistryResult::notFound, nullptr};
    }
    return {RegistryResult::success, std::make_unique<FakeRegistryKey>(*this, key->path)};
}

OpenedRegistryKey FakeRegistry::createCurrentUserKey(std::u16string_view path)
{
    log_.add("registry.create " + narrow(path));
    if (std::find(deniedKeys.begin(), deniedKeys.end(), path) != deniedKeys.end()) {
        return {RegistryResult::accessDenied, nullptr};
    }
    return {RegistryResult::success, std::make_unique<FakeRegistryKey>(*this, makeKey(path).path)};
}

void FakeRegistry::createKey(std::u16string_view path) { makeKey(path); }

bool FakeRegistry::hasKey(std::u16string_view path) const { return findKey(path) != nullptr; }

void FakeRegistry::putValue(std::u16string_view path, std::u16string_view name, RegistryType type,
                            std::vector<std::byte> bytes)
{
    Key& key = makeKey(path);
    NamedValue& stored = key.values[fold(name)];
    // Like the registry, a value that is set again keeps the spelling of its first name.
    if (stored.name.empty()) {
        stored.name = name;
    }
    stored.value = Value{type, std::move(bytes)};
}

void FakeRegistry::putNumber(std::u16string_view path, std::u16string_view name,
                             std::uint32_t number)
{
    std::vector<std::byte> bytes(4);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::byte>(number >> (8 * i));
    }
    putValue(path, name, RegistryType::number, std::move(bytes));
}

void FakeRegistry::putString(std::u16string_view path, std::u16string_view name,
                             std::u16string_view text)
{
    std::u16string terminated(text);
    terminated.push_back(u'\0');
    putValue(path, name, RegistryType::string, utf16Bytes(terminated));
}

void FakeRegistry::removeValue(std::u16string_view path, std::u16string_view name)
{
    if (Key* key = findKey(path)) {
        key->values.erase(fold(name));
    }
}

const FakeRegistry::Value* FakeRegistry::findValue(std::u16string_view path,
                                                   std::u16string_view name) const
{
    const Key* key = findKey(path);
    if (key == nullptr) {
        return nullptr;
    }
    const auto it = key->values.find(fold(name));
    return it == key->values.end() ? nullptr : &it->second.value;
}

std::size_t FakeRegistry::valueCount(std::u16string_view path) const
{
    const Key* key = findKey(path);
    return key == nullptr ? 0 : key->values.size();
}

FakeRegistry::Key* FakeRegistry::findKey(std::u16string_view path)
{
    const auto it = keys_.find(fold(normalisePath(path)));
    return it == keys_.end() ? nullptr : &it->second;
}

const FakeRegistry::Key* FakeRegistry::findKey(std::u16string_view path) const
{
    const auto it = keys_.find(fold(normalisePath(path)));
    return it == keys_.end() ? nullptr : &it->second;
}

FakeRegistry::Key& FakeRegistry::makeKey(std::u16string_view path)
{
    // Creating a key creates every missing key above it, as RegCreateKeyExW does.
    const std::u16string normal = normalisePath(path);
    Key* made = nullptr;
    for (std::size_t end = 0; end != std::u16string::npos;) {
        end = normal.find(u'\\', end + 1);
        const std::u16string prefix = normal.substr(0, end);
        Key& key = keys_[fold(prefix)];
        if (key.path.empty()) {
            key.path = prefix;
        }
        made = &key;
    }
    return *made;
}

bool FakeRegistry::survivesWrite()
{
    if (!writesBeforeDeath) {
        return true;
    }
    if (*writesBeforeDeath <= 0) {
        return false;
    }
    --*writesBeforeDeath;
    return true;
}

std::vector<std::byte> utf16Bytes(std::u16string_view units)
{
    std::vector<std::byte> bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<std::byte>(unit & 0xFFu));
        bytes.push_back(static_cast<std::byte>(unit >> 8));
    }
    return bytes;
}

}  // namespace telvia::fakes
