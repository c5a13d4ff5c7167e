// The current user's registry as the program sees it: keys are paths under
// HKEY_CURRENT_USER. The driver and the program run in the same Wine prefix, so what a
// scenario writes here before a start is what the program reads, and what the program
// writes at exit is here afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/win32.h"

namespace telvia::e2e::registry {

// The maker's key, the program's settings key and its catalogue key.
inline constexpr std::wstring_view makerKey = L"Software\\Quorvex";
inline constexpr std::wstring_view settingsKey = L"Software\\Quorvex\\Telvia";
inline constexpr std::wstring_view channelsKey = L"Software\\Quorvex\\Telvia\\Channels";

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<std::byte> bytes;
};

// Deletes `key` with all its subkeys and values; a missing key is no error.
void deleteTree(std::wstring_view key);
// Creates `key` (and the keys above it) if it does not exist.
void createKey(std::wstring_view key);
[[nodiscard]] bool keyExists(std::wstring_view key);

// Writers create the key when needed and throw a DriverError on failure.
void writeRaw(std::wstring_view key, std::wstring_view name, DWORD type, std::span<const std::byte> bytes);
void writeDword(std::wstring_view key, std::wstring_view name, std::uint32_t value);
// REG_SZ with its terminator, (length + 1) * 2 bytes.
void writeString(std::wstring_view key, std::wstring_view name, std::wstring_view value);

// Readers answer nothing when the key or value is missing.
[[nodiscard]] std::optional<RawValue> readRaw(std::wstring_view key, std::wstring_view name);
// Only a REG_DWORD of exactly 4 bytes.
[[nodiscard]] std::optional<std::uint32_t> readDword(std::wstring_view key, std::wstring_view name);
// Only a REG_SZ; its text up to the first terminator.
[[nodiscard]] std::optional<std::wstring> readString(std::wstring_view key, std::wstring_view name);
// The names of the values of `key`, in the registry's order; none when the key is missing.
[[nodiscard]] std::vector<std::wstring> valueNames(std::wstring_view key);

}  // namespace telvia::e2e::registry
