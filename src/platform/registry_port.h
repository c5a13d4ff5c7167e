// Per-user registry keys with 32-bit number and UTF-16 string values.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace telvia {

// The system's own result code, passed through unchanged; only these few are named
// because the logic tells them apart. Any other code is a failure too.
enum class RegistryResult : std::int32_t {
    success = 0,        // ERROR_SUCCESS
    notFound = 2,       // ERROR_FILE_NOT_FOUND: no such key or value
    accessDenied = 5,   // ERROR_ACCESS_DENIED
    moreData = 234,     // ERROR_MORE_DATA: the value is larger than the buffer; nothing copied
};

// The stored type of a value, as the registry reports it (REG_* numbers).
enum class RegistryType : std::uint32_t {
    none = 0,           // REG_NONE, also reported when a query fails before the type is known
    string = 1,         // REG_SZ
    expandString = 2,   // REG_EXPAND_SZ
    binary = 3,         // REG_BINARY
    number = 4,         // REG_DWORD
    multiString = 7,    // REG_MULTI_SZ
};

// What a query found. The type is reported also for a value that was refused as too large.
struct RegistryAnswer {
    RegistryResult result = RegistryResult::notFound;
    RegistryType type = RegistryType::none;
    // Bytes copied into the buffer; for moreData, the size the value would need. A string
    // value may have any length, odd ones included, and need not end with a zero unit.
    std::uint32_t byteCount = 0;
};

// An open key. Destroying it closes it (RegCloseKey), so it is held through the owning,
// move-only RegistryKeyHandle below and closed exactly once.
// Value names are short plain texts; an adapter may copy them into a small buffer to add
// the terminator the system wants.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    virtual ~RegistryKey() = default;

    // RegQueryValueExW with a 4-byte buffer. The number holds the copied bytes taken
    // little-endian (bytes not copied are zero); it means something only when the answer
    // says success and type number with 4 bytes.
    [[nodiscard]] virtual RegistryAnswer queryNumber(std::u16string_view name,
                                                     std::uint32_t& number) = 0;
    // RegQueryValueExW into the buffer, whose byte limit is 2 × its size. Units beyond
    // the copied bytes are left as they were; no terminator is added.
    [[nodiscard]] virtual RegistryAnswer queryString(std::u16string_view name,
                                                     std::span<char16_t> buffer) = 0;

    // RegSetValueExW, REG_DWORD, 4 bytes.
    [[nodiscard]] virtual RegistryResult setNumber(std::u16string_view name, std::uint32_t number) = 0;
    // RegSetValueExW, REG_SZ, exactly these units (2 × size bytes): the caller includes the
    // terminator it wants stored.
    [[nodiscard]] virtual RegistryResult setString(std::u16string_view name, std::span<const char16_t> units) = 0;
    // RegDeleteValueW; a value that does not exist gives notFound.
    [[nodiscard]] virtual RegistryResult deleteValue(std::u16string_view name) = 0;
};

using RegistryKeyHandle = std::unique_ptr<RegistryKey>;

// The outcome of opening or creating a key: the key is set exactly when result is success.
struct OpenedRegistryKey {
    RegistryResult result = RegistryResult::notFound;
    RegistryKeyHandle key;
};

class RegistryPort {
public:
    virtual ~RegistryPort() = default;

    // RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS): an existing key only.
    [[nodiscard]] virtual OpenedRegistryKey openCurrentUserKey(std::u16string_view path) = 0;
    // RegCreateKeyExW(HKEY_CURRENT_USER, path, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS):
    // opens the key, creating it and any missing parent first.
    [[nodiscard]] virtual OpenedRegistryKey createCurrentUserKey(std::u16string_view path) = 0;
};

}  // namespace telvia
