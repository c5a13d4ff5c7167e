// The registry adapter against the real registry, in a scratch key that is removed before
// and after every test: value types as the system reports them, size limits and untouched
// buffers, strings stored without a terminator, missing keys and values, and handles that
// close when the key object goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/desktop/win32_registry.h"

namespace {

using telvia::OpenedRegistryKey;
using telvia::RegistryAnswer;
using telvia::RegistryResult;
using telvia::RegistryType;
using telvia::win32::Win32Registry;

constexpr const wchar_t* kRoot = L"Software\\TelviaTests";
constexpr const wchar_t* kScratch = L"Software\\TelviaTests\\Registry";
constexpr std::u16string_view kScratchPort = u"Software\\TelviaTests\\Registry";

// Fills every unit of an out-buffer, so that what the system did not copy shows.
constexpr char16_t kSentinel = 0xEEEE;

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using RawKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

RawKey createRaw(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return RawKey(key);
}

bool keyExists(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::vector<BYTE> bytesOf(std::u16string_view units) {
  std::vector<BYTE> bytes(units.size() * 2);
  std::memcpy(bytes.data(), units.data(), bytes.size());
  return bytes;
}

std::u16string sentinels(std::size_t count) { return std::u16string(count, kSentinel); }

class RegistryAdapter : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    raw_ = createRaw(kScratch);
    ASSERT_NE(raw_, nullptr);
    OpenedRegistryKey opened = registry_.openCurrentUserKey(kScratchPort);
    ASSERT_EQ(opened.result, RegistryResult::success);
    key_ = std::move(opened.key);
  }
  void TearDown() override {
    key_.reset();
    raw_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    EXPECT_FALSE(keyExists(kRoot));
  }

  // Stores exactly these bytes with this type, past the adapter.
  void setRaw(const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
    ASSERT_EQ(RegSetValueExW(raw_.get(), name, 0, type, data, size), ERROR_SUCCESS) << "setting " << name;
  }

  Win32Registry registry_;
  RawKey raw_;
  telvia::RegistryKeyHandle key_;
};

// ---------------------------------------------------------------------------------------
// Types

enum class Query { number, string };

struct TypeCase {
  DWORD storedType;               // REG_NONE: nothing is stored
  std::vector<BYTE> stored;
  Query query;
  std::size_t bufferUnits;        // for string queries
  RegistryResult result;
  RegistryType type;
  std::uint32_t byteCount;
  std::uint32_t number;           // for number queries
  std::u16string buffer;          // for string queries: the whole buffer afterwards
};

TEST_F(RegistryAdapter, QueriesReportTheStoredTypeSoTheCallerCanRefuseIt) {
  const std::vector<BYTE> dword = {0x78, 0x56, 0x34, 0x12};
  const TypeCase cases[] = {
      // A number read as a number.
      {REG_DWORD, dword, Query::number, 0, RegistryResult::success, RegistryType::number, 4, 0x12345678, {}},
      // A string read as a string, terminator and all; the rest of the buffer untouched.
      {REG_SZ, bytesOf(std::u16string(u"abc", 4)), Query::string, 6, RegistryResult::success,
       RegistryType::string, 8, 0, std::u16string(u"abc", 4) + sentinels(2)},
      // A string asked for as a number: too large, and its type says why.
      {REG_SZ, bytesOf(std::u16string(u"abc", 4)), Query::number, 0, RegistryResult::moreData,
       RegistryType::string, 8, 0, {}},
      // A string that fits four bytes is copied; only the type tells the caller to refuse it.
      {REG_SZ, bytesOf(std::u16string(u"a", 2)), Query::number, 0, RegistryResult::success,
       RegistryType::string, 4, 0x61, {}},
      // Binary data shorter than a number: the missing high bytes read as zero.
      {REG_BINARY, {1, 2, 3}, Query::number, 0, RegistryResult::success, RegistryType::binary, 3,
       0x030201, {}},
      {REG_BINARY, {1, 2, 3, 4, 5}, Query::number, 0, RegistryResult::moreData, RegistryType::binary, 5, 0,
       {}},
      // A number asked for as a string arrives as its four bytes.
      {REG_DWORD, dword, Query::string, 3, RegistryResult::success, RegistryType::number, 4, 0,
       std::u16string{char16_t(0x5678), char16_t(0x1234), kSentinel}},
      {REG_EXPAND_SZ, bytesOf(std::u16string(u"%x%", 4)), Query::string, 4, RegistryResult::success,
       RegistryType::expandString, 8, 0, std::u16string(u"%x%", 4)},
      {REG_MULTI_SZ, bytesOf(std::u16string(u"a\0b\0", 5)), Query::string, 5, RegistryResult::success,
       RegistryType::multiString, 10, 0, std::u16string(u"a\0b\0", 5)},
      // Nothing stored.
      {REG_NONE, {}, Query::number, 0, RegistryResult::notFound, RegistryType::none, 0, 0, {}},
      {REG_NONE, {}, Query::string, 2, RegistryResult::notFound, RegistryType::none, 0, 0, sentinels(2)},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const TypeCase& c = cases[i];
    const std::wstring name = L"value" + std::to_wstring(i);
    const std::u16string portName(name.begin(), name.end());
    if (c.storedType != REG_NONE) {
      setRaw(name.c_str(), c.storedType, c.stored.data(), static_cast<DWORD>(c.stored.size()));
    }
    RegistryAnswer answer;
    if (c.query == Query::number) {
      std::uint32_t number = 0xDEADBEEF;
      answer = key_->queryNumber(portName, number);
      if (c.result == RegistryResult::success) {
        EXPECT_EQ(number, c.number) << "case " << i;
      }
    } else {
      std::u16string buffer = sentinels(c.bufferUnits);
      answer = key_->queryString(portName, buffer);
      EXPECT_EQ(buffer, c.buffer) << "case " << i;
    }
    EXPECT_EQ(answer.result, c.result) << "case " << i;
    EXPECT_EQ(answer.type, c.type) << "case " << i;
    if (c.result != RegistryResult::notFound) {
      EXPECT_EQ(answer.byteCount, c.byteCount) << "case " << i;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Limits

TEST_F(RegistryAdapter, AValueLargerThanTheBufferIsRefusedAndTheBufferLeftAsItWas) {
  const std::u16string stored(u"hello", 6);  // 12 bytes with the terminator
  setRaw(L"text", REG_SZ, bytesOf(stored).data(), 12);
  const struct {
    std::size_t bufferUnits;
    RegistryResult result;
    std::u16string after;
  } cases[] = {
      {1, RegistryResult::moreData, sentinels(1)},
      {5, RegistryResult::moreData, sentinels(5)},  // room for the text but not its terminator
      {6, RegistryResult::success, stored},
      {8, RegistryResult::success, stored + sentinels(2)},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    std::u16string buffer = sentinels(cases[i].bufferUnits);
    const RegistryAnswer answer = key_->queryString(u"text", buffer);
    EXPECT_EQ(answer.result, cases[i].result) << "case " << i;
    EXPECT_EQ(answer.type, RegistryType::string) << "case " << i;
    EXPECT_EQ(answer.byteCount, 12u) << "case " << i;
    EXPECT_EQ(buffer, cases[i].after) << "case " << i;
  }
}

TEST_F(RegistryAdapter, AnEmptyBufferHoldsNothing) {
  setRaw(L"text", REG_SZ, bytesOf(std::u16string(u"hi", 3)).data(), 6);
  setRaw(L"empty", REG_SZ, nullptr, 0);
  // No room at all is still a limit, not a request for the size only.
  const RegistryAnswer text = key_->queryString(u"text", std::span<char16_t>());
  EXPECT_EQ(text.result, RegistryResult::moreData);
  EXPECT_EQ(text.byteCount, 6u);
  const RegistryAnswer empty = key_->queryString(u"empty", std::span<char16_t>());
  EXPECT_EQ(empty.result, RegistryResult::success);
  EXPECT_EQ(empty.type, RegistryType::string);
  EXPECT_EQ(empty.byteCount, 0u);
}

// ---------------------------------------------------------------------------------------
// Strings without a terminator

TEST_F(RegistryAdapter, StringsStoredWithoutATerminatorComeBackAsTheyAre) {
  // The source units after the stored bytes are not zero: the system adds a terminator
  // to the stored count when the unit behind a string is zero.
  const std::u16string source = std::u16string(u"abcd") + u'Z';
  const struct {
    DWORD storedBytes;
    std::size_t bufferUnits;
    RegistryResult result;
    std::u16string after;
  } cases[] = {
      {6, 6, RegistryResult::success, u"abc" + sentinels(3)},
      // An odd count: the last unit is half copied, its high byte is still the sentinel's.
      {5, 6, RegistryResult::success, std::u16string{u'a', u'b', char16_t(0xEE00 | u'c')} + sentinels(3)},
      {1, 2, RegistryResult::success, std::u16string{char16_t(0xEE00 | u'a'), kSentinel}},
      // Fills the buffer exactly: no room for a terminator and none is added.
      {8, 4, RegistryResult::success, u"abcd"},
      {8, 3, RegistryResult::moreData, sentinels(3)},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    setRaw(L"raw", REG_SZ, bytesOf(source).data(), c.storedBytes);
    std::u16string buffer = sentinels(c.bufferUnits);
    const RegistryAnswer answer = key_->queryString(u"raw", buffer);
    EXPECT_EQ(answer.result, c.result) << "case " << i;
    EXPECT_EQ(answer.type, RegistryType::string) << "case " << i;
    EXPECT_EQ(answer.byteCount, c.storedBytes) << "case " << i;
    EXPECT_EQ(buffer, c.after) << "case " << i;
  }
}

// ---------------------------------------------------------------------------------------
// Writes through the port

TEST_F(RegistryAdapter, WritesStoreExactlyWhatTheCallerGives) {
  ASSERT_EQ(key_->setNumber(u"number", 0xFFFFFFFEu), RegistryResult::success);
  DWORD type = REG_NONE;
  DWORD value = 0;
  DWORD size = sizeof value;
  ASSERT_EQ(RegQueryValueExW(raw_.get(), L"number", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(value, 0xFFFFFFFEu);

  const struct {
    std::u16string units;
    DWORD bytes;
  } cases[] = {
      {std::u16string(u"USA", 4), 8},
      {std::u16string(u"", 1), 2},  // an empty field: the terminator alone
      {std::u16string(u"\u041D\u0422\u0412", 4), 8},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    ASSERT_EQ(key_->setString(u"text", cases[i].units), RegistryResult::success) << "case " << i;
    std::array<wchar_t, 8> stored;
    stored.fill(static_cast<wchar_t>(kSentinel));
    type = REG_NONE;
    size = sizeof stored;
    ASSERT_EQ(RegQueryValueExW(raw_.get(), L"text", nullptr, &type, reinterpret_cast<BYTE*>(stored.data()),
                               &size),
              ERROR_SUCCESS)
        << "case " << i;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "case " << i;
    EXPECT_EQ(size, cases[i].bytes) << "case " << i;
    EXPECT_EQ(std::u16string(stored.begin(), stored.begin() + size / 2), cases[i].units) << "case " << i;
  }
}

// ---------------------------------------------------------------------------------------
// Keys and values that do not exist

TEST_F(RegistryAdapter, MissingKeysAreReportedOrCreatedWithTheirParents) {
  OpenedRegistryKey missing = registry_.openCurrentUserKey(u"Software\\TelviaTests\\Registry\\No\\Such");
  EXPECT_EQ(missing.result, RegistryResult::notFound);
  EXPECT_EQ(missing.key, nullptr);
  EXPECT_FALSE(keyExists(L"Software\\TelviaTests\\Registry\\No"));

  OpenedRegistryKey created = registry_.createCurrentUserKey(u"Software\\TelviaTests\\Registry\\No\\Such");
  ASSERT_EQ(created.result, RegistryResult::success);
  ASSERT_NE(created.key, nullptr);
  EXPECT_TRUE(keyExists(L"Software\\TelviaTests\\Registry\\No\\Such"));
  EXPECT_EQ(created.key->setNumber(u"n", 7), RegistryResult::success);

  // Creating a key that exists opens it, values and all.
  OpenedRegistryKey again = registry_.createCurrentUserKey(u"Software\\TelviaTests\\Registry\\No\\Such");
  ASSERT_EQ(again.result, RegistryResult::success);
  std::uint32_t number = 0;
  EXPECT_EQ(again.key->queryNumber(u"n", number).result, RegistryResult::success);
  EXPECT_EQ(number, 7u);

  OpenedRegistryKey opened = registry_.openCurrentUserKey(u"Software\\TelviaTests\\Registry\\No\\Such");
  EXPECT_EQ(opened.result, RegistryResult::success);
  EXPECT_NE(opened.key, nullptr);
}

TEST_F(RegistryAdapter, DeletingAValueThatIsNotThereSaysNotFound) {
  ASSERT_EQ(key_->setString(u"000_name", std::u16string(u"x", 2)), RegistryResult::success);
  const struct {
    std::u16string_view name;
    RegistryResult result;
  } cases[] = {
      {u"000_name", RegistryResult::success},
      {u"000_name", RegistryResult::notFound},  // already gone
      {u"000_note", RegistryResult::notFound},  // never there
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(key_->deleteValue(cases[i].name), cases[i].result) << "case " << i;
  }
  std::uint32_t number = 0;
  EXPECT_EQ(key_->queryNumber(u"000_name", number).result, RegistryResult::notFound);
}

// ---------------------------------------------------------------------------------------
// Handles

// The system hands out the lowest free handle slot, so a slot that was freed comes back to
// the next open. If the adapter leaked its handle, the raw open after it would get another.
TEST_F(RegistryAdapter, DestroyingAKeyClosesItsHandle) {
  const struct {
    const char* what;
    bool create;
  } cases[] = {{"opened", false}, {"created", true}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    HKEY probe = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kScratch, 0, KEY_READ, &probe), ERROR_SUCCESS) << "case " << i;
    const HKEY freeSlot = probe;
    RegCloseKey(probe);
    {
      OpenedRegistryKey opened = cases[i].create ? registry_.createCurrentUserKey(kScratchPort)
                                                 : registry_.openCurrentUserKey(kScratchPort);
      ASSERT_EQ(opened.result, RegistryResult::success) << "case " << i << ": " << cases[i].what;
      // The port's key took the freed slot: a raw open now gets another.
      HKEY other = nullptr;
      ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kScratch, 0, KEY_READ, &other), ERROR_SUCCESS);
      EXPECT_NE(other, freeSlot) << "case " << i << ": " << cases[i].what;
      RegCloseKey(other);
    }
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kScratch, 0, KEY_READ, &probe), ERROR_SUCCESS) << "case " << i;
    EXPECT_EQ(probe, freeSlot) << "case " << i << ": " << cases[i].what << " key still holds its handle";
    RegCloseKey(probe);
  }
  // With every handle closed the scratch key can be deleted and is really gone.
  key_.reset();
  raw_.reset();
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kRoot), ERROR_SUCCESS);
  EXPECT_FALSE(keyExists(kScratch));
}

}  // namespace
