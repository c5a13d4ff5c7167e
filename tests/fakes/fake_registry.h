// An in-memory registry of the current user that answers the way the real one does:
// oversize values are refused whole, types are reported as stored, strings are kept as
// the bytes they were given (no terminator added, any length), and key paths and value
// names are compared without regard to case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "call_log.h"
#include "platform/registry_port.h"

namespace telvia::fakes {

class FakeRegistry final : public RegistryPort {
public:
    explicit FakeRegistry(CallLog& log) : log_(log) {}

    OpenedRegistryKey openCurrentUserKey(std::u16string_view path) override;
    OpenedRegistryKey createCurrentUserKey(std::u16string_view path) override;

    struct Value {
        RegistryType type = RegistryType::none;
        std::vector<std::byte> bytes;
    };

    // Setting up and inspecting the store. Putting a value creates its key.
    void createKey(std::u16string_view path);
    [[nodiscard]] bool hasKey(std::u16string_view path) const;
    void putValue(std::u16string_view path, std::u16string_view name, RegistryType type,
                  std::vector<std::byte> bytes);
    void putNumber(std::u16string_view path, std::u16string_view name, std::uint32_t number);
    // REG_SZ with its terminator, as the program writes strings.
    void putString(std::u16string_view path, std::u16string_view name, std::u16string_view text);
    void removeValue(std::u16string_view path, std::u16string_view name);
    [[nodiscard]] const Value* findValue(std::u16string_view path, std::u16string_view name) const;
    [[nodiscard]] std::size_t valueCount(std::u16string_view path) const;

    // Keys that exist or not, but whose opening and creation are refused.
    std::vector<std::u16string> deniedKeys;
    // When set, the number of sets and deletes that still reach the store; every later one
    // changes nothing, as if the process had died. Reset it to read what was left.
    std::optional<int> writesBeforeDeath;
    // Every query, set and delete in order: "query 000_name", "set 000_on", "delete 001_on".
    std::vector<std::string> valueCalls;

private:
    friend class FakeRegistryKey;

    struct NamedValue {
        std::u16string name;
        Value value;
    };
    struct Key {
        std::u16string path;
        std::map<std::u16string, NamedValue> values;  // by folded name
    };

    Key* findKey(std::u16string_view path);
    const Key* findKey(std::u16string_view path) const;
    Key& makeKey(std::u16string_view path);
    bool survivesWrite();

    CallLog& log_;
    std::map<std::u16string, Key> keys_;  // by folded path
};

// UTF-16LE bytes of the units, exactly as given (add the terminator yourself).
[[nodiscard]] std::vector<std::byte> utf16Bytes(std::u16string_view units);

}  // namespace telvia::fakes
