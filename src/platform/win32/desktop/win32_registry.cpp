#include "platform/win32/desktop/win32_registry.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/base/unique_handle.h"
#include "platform/win32/base/wide_text.h"

namespace telvia::win32 {

namespace {

inline void closeKey(HKEY key) { RegCloseKey(key); }
using UniqueKey = UniqueHandle<HKEY, closeKey>;

RegistryType typeOf(DWORD type)
{
    return static_cast<RegistryType>(type);
}

class Win32RegistryKey final : public RegistryKey {
public:
    explicit Win32RegistryKey(HKEY key) : key_(key) {}

    RegistryAnswer queryNumber(std::u16string_view name, std::uint32_t& number) override
    {
        unsigned char bytes[4] = {};
        RegistryAnswer answer = query(name, bytes, sizeof bytes);
        number = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                 static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
        return answer;
    }

    RegistryAnswer queryString(std::u16string_view name, std::span<char16_t> buffer) override
    {
        // The system reads a null buffer as a request for the size alone, and it appends a
        // terminator behind a string stored without one when the buffer has room. Query into
        // a copy that is never null and hand over exactly the bytes the value holds.
        std::vector<BYTE> bytes(buffer.size_bytes() + sizeof(wchar_t));
        const RegistryAnswer answer = query(name, bytes.data(), static_cast<DWORD>(buffer.size_bytes()));
        if (answer.result == RegistryResult::success && answer.byteCount > 0) {
            std::memcpy(buffer.data(), bytes.data(), answer.byteCount);
        }
        return answer;
    }

    RegistryResult setNumber(std::u16string_view name, std::uint32_t number) override
    {
        const std::wstring wideName = toWide(name);
        const DWORD value = number;
        return static_cast<RegistryResult>(RegSetValueExW(key_.get(), wideName.c_str(), 0, REG_DWORD,
                                                          reinterpret_cast<const BYTE*>(&value),
                                                          sizeof value));
    }

    RegistryResult setString(std::u16string_view name, std::span<const char16_t> units) override
    {
        const std::wstring wideName = toWide(name);
        return static_cast<RegistryResult>(RegSetValueExW(
            key_.get(), wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(units.data()),
            static_cast<DWORD>(units.size_bytes())));
    }

    RegistryResult deleteValue(std::u16string_view name) override
    {
        const std::wstring wideName = toWide(name);
        return static_cast<RegistryResult>(RegDeleteValueW(key_.get(), wideName.c_str()));
    }

private:
    RegistryAnswer query(std::u16string_view name, void* buffer, DWORD limit)
    {
        const std::wstring wideName = toWide(name);
        DWORD type = REG_NONE;
        DWORD size = limit;
        const LSTATUS status = RegQueryValueExW(key_.get(), wideName.c_str(), nullptr, &type,
                                                static_cast<BYTE*>(buffer), &size);
        return {static_cast<RegistryResult>(status), typeOf(type), size};
    }

    UniqueKey key_;
};

OpenedRegistryKey opened(LSTATUS status, HKEY key)
{
    if (status != ERROR_SUCCESS) {
        return {static_cast<RegistryResult>(status), nullptr};
    }
    return {RegistryResult::success, std::make_unique<Win32RegistryKey>(key)};
}

}  // namespace

OpenedRegistryKey Win32Registry::openCurrentUserKey(std::u16string_view path)
{
    const std::wstring widePath = toWide(path);
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, widePath.c_str(), 0, KEY_ALL_ACCESS, &key);
    return opened(status, key);
}

OpenedRegistryKey Win32Registry::createCurrentUserKey(std::u16string_view path)
{
    const std::wstring widePath = toWide(path);
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, widePath.c_str(), 0, nullptr,
                                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                           nullptr);
    return opened(status, key);
}

}  // namespace telvia::win32
