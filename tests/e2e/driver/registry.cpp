#include "driver/registry.h"

#include <cstring>
#include <utility>

#include "driver/driver_error.h"
#include "driver/text.h"

namespace telvia::e2e::registry {

namespace {

class OpenKey {
public:
    OpenKey() = default;
    explicit OpenKey(HKEY key) : key_(key) {}
    ~OpenKey()
    {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    OpenKey(OpenKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    OpenKey& operator=(OpenKey&&) = delete;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    [[nodiscard]] HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::string describe(std::wstring_view key, std::wstring_view name = {})
{
    std::string text = "HKCU\\" + toUtf8(key);
    if (!name.empty()) {
        text += " value \"" + toUtf8(name) + "\"";
    }
    return text;
}

std::optional<OpenKey> open(std::wstring_view key, REGSAM access)
{
    HKEY handle = nullptr;
    const std::wstring path(key);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &handle) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::optional<OpenKey>(std::in_place, handle);
}

OpenKey create(std::wstring_view key)
{
    HKEY handle = nullptr;
    const std::wstring path(key);
    const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) {
        failWithCode("cannot create " + describe(key), static_cast<unsigned long>(status));
    }
    return OpenKey(handle);
}

}  // namespace

void deleteTree(std::wstring_view key)
{
    const std::wstring path(key);
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        failWithCode("cannot delete " + describe(key), static_cast<unsigned long>(status));
    }
}

void createKey(std::wstring_view key)
{
    create(key);
}

bool keyExists(std::wstring_view key)
{
    return open(key, KEY_READ).has_value();
}

void writeRaw(std::wstring_view key, std::wstring_view name, DWORD type, std::span<const std::byte> bytes)
{
    const OpenKey opened = create(key);
    const std::wstring valueName(name);
    const LSTATUS status =
        RegSetValueExW(opened.get(), valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    if (status != ERROR_SUCCESS) {
        failWithCode("cannot write " + describe(key, name), static_cast<unsigned long>(status));
    }
}

void writeDword(std::wstring_view key, std::wstring_view name, std::uint32_t value)
{
    writeRaw(key, name, REG_DWORD, std::as_bytes(std::span(&value, 1)));
}

void writeString(std::wstring_view key, std::wstring_view name, std::wstring_view value)
{
    const std::wstring terminated = std::wstring(value) + L'\0';
    writeRaw(key, name, REG_SZ, std::as_bytes(std::span(terminated.data(), terminated.size())));
}

std::optional<RawValue> readRaw(std::wstring_view key, std::wstring_view name)
{
    const std::optional<OpenKey> opened = open(key, KEY_READ);
    if (!opened) {
        return std::nullopt;
    }
    const std::wstring valueName(name);
    RawValue value;
    DWORD size = 0;
    if (RegQueryValueExW(opened->get(), valueName.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(size);
    if (RegQueryValueExW(opened->get(), valueName.c_str(), nullptr, &value.type,
                         reinterpret_cast<BYTE*>(value.bytes.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(size);
    return value;
}

std::optional<std::uint32_t> readDword(std::wstring_view key, std::wstring_view name)
{
    const std::optional<RawValue> value = readRaw(key, name);
    if (!value || value->type != REG_DWORD || value->bytes.size() != sizeof(std::uint32_t)) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    std::memcpy(&number, value->bytes.data(), sizeof number);
    return number;
}

std::optional<std::wstring> readString(std::wstring_view key, std::wstring_view name)
{
    const std::optional<RawValue> value = readRaw(key, name);
    if (!value || value->type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring text(value->bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value->bytes.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

std::vector<std::wstring> valueNames(std::wstring_view key)
{
    std::vector<std::wstring> names;
    const std::optional<OpenKey> opened = open(key, KEY_READ);
    if (!opened) {
        return names;
    }
    std::vector<wchar_t> name(16384);  // the longest value name the registry allows, and its terminator
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(opened->get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name.data(), length);
    }
    return names;
}

}  // namespace telvia::e2e::registry
