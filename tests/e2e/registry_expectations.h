// Comparing what a registry key holds with what a scenario expects, value by value, with
// a readable account of every difference (a catalogue key holds up to 2400 values).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "driver/catalogue.h"
#include "driver/text.h"

namespace telvia::e2e {

inline std::string describeValue(const registry::RawValue& value)
{
    if (value.type == REG_DWORD && value.bytes.size() == 4) {
        std::uint32_t number = 0;
        std::memcpy(&number, value.bytes.data(), sizeof number);
        return "REG_DWORD " + std::to_string(number);
    }
    if (value.type == REG_SZ && value.bytes.size() % 2 == 0) {
        std::wstring units(value.bytes.size() / 2, L'\0');
        std::memcpy(units.data(), value.bytes.data(), value.bytes.size());
        std::string shown;
        for (const wchar_t unit : units) {
            shown += unit == L'\0' ? std::string("\\0") : toUtf8(std::wstring(1, unit));
        }
        return "REG_SZ \"" + shown + "\" (" + std::to_string(value.bytes.size()) + " bytes)";
    }
    return "type " + std::to_string(value.type) + ", " + std::to_string(value.bytes.size()) + " bytes";
}

inline bool sameValue(const registry::RawValue& a, const registry::RawValue& b)
{
    return a.type == b.type && a.bytes == b.bytes;
}

// Whether `key` holds exactly `expected`: no value missing, none more, each of the same
// type and bytes.
inline ::testing::AssertionResult keyHoldsExactly(std::wstring_view key, const registry::ValueMap& expected)
{
    const registry::ValueMap actual = registry::readAllValues(key);
    std::string differences;
    int count = 0;
    const auto note = [&](const std::string& line) {
        if (++count <= 20) {
            differences += "\n  " + line;
        }
    };
    for (const auto& [name, value] : expected) {
        const auto found = actual.find(name);
        if (found == actual.end()) {
            note("missing " + toUtf8(name) + ", expected " + describeValue(value));
        } else if (!sameValue(found->second, value)) {
            note(toUtf8(name) + " is " + describeValue(found->second) + ", expected " + describeValue(value));
        }
    }
    for (const auto& [name, value] : actual) {
        if (!expected.contains(name)) {
            note("unexpected " + toUtf8(name) + " = " + describeValue(value));
        }
    }
    if (count == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "HKCU\\" << toUtf8(key) << " differs in " << count << " values"
                                         << (count > 20 ? " (first 20 shown)" : "") << ":" << differences;
}

}  // namespace telvia::e2e
