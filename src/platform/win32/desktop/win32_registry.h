// Per-user registry keys through the advapi32 calls.
#pragma once

#include "platform/registry_port.h"

namespace telvia::win32 {

class Win32Registry final : public RegistryPort {
public:
    OpenedRegistryKey openCurrentUserKey(std::u16string_view path) override;
    OpenedRegistryKey createCurrentUserKey(std::u16string_view path) override;
};

}  // namespace telvia::win32
