// The manifest of the built telvia.exe, read as the system's loader reads it: the
// resolution it draws at, and the systems it is written for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>

#include "driver/options.h"
#include "driver/text.h"
#include "driver/win32.h"

namespace telvia::e2e {
namespace {

// Released when the test ends.
struct ActivationContext {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~ActivationContext()
    {
        if (handle != INVALID_HANDLE_VALUE) {
            ReleaseActCtx(handle);
        }
    }
};

std::wstring actCtxSetting(HANDLE context, const wchar_t* space, const wchar_t* name)
{
    wchar_t buffer[128] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, space, name, buffer, std::size(buffer), &written)) {
        return L"(not set)";
    }
    return buffer;
}

TEST(ProgramManifest, DeclaresPerMonitorAwarenessWithAFallBackAndTheSupportedSystems)
{
    const std::wstring program = options().program.wstring();
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(1));
    ActivationContext context;
    context.handle = CreateActCtxW(&request);
    ASSERT_NE(context.handle, INVALID_HANDLE_VALUE)
        << "the loader refuses the manifest of " << toUtf8(program) << ": error " << GetLastError();

    // Per display, version 2, where the system knows it; the system's one resolution on
    // Windows 10 before that and, through dpiAware, on older systems.
    EXPECT_EQ(actCtxSetting(context.handle, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                            L"dpiAwareness"),
              L"PerMonitorV2,System");
    EXPECT_EQ(actCtxSetting(context.handle, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                            L"dpiAware"),
              L"true");

    alignas(8) unsigned char buffer[1024] = {};
    SIZE_T written = 0;
    ASSERT_TRUE(QueryActCtxW(0, context.handle, nullptr, CompatibilityInformationInActivationContext, buffer,
                             sizeof buffer, &written))
        << "error " << GetLastError();
    DWORD count = 0;
    std::memcpy(&count, buffer, sizeof count);
    EXPECT_EQ(count, 4u);
    // Each system by its identifier; where each lies in the answer depends on the system's
    // record layout, so the answer is searched.
    const struct {
        const char* system;
        GUID id;
    } systems[] = {
        {"Windows 10 and 11", {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}}},
        {"Windows 8.1", {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}}},
        {"Windows 8", {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}}},
        {"Windows 7", {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}}},
    };
    const std::size_t size = std::min<std::size_t>(written, sizeof buffer);
    for (const auto& s : systems) {
        bool found = false;
        for (std::size_t at = sizeof count; at + sizeof s.id <= size && !found; ++at) {
            found = std::memcmp(buffer + at, &s.id, sizeof s.id) == 0;
        }
        EXPECT_TRUE(found) << s.system;
    }
}

}  // namespace
}  // namespace telvia::e2e
