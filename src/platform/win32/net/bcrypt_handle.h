// The BCrypt headers and move-only owners of an algorithm provider and a key.
#pragma once

#include "platform/win32/base/unique_handle.h"
#include "platform/win32/base/windows_includes.h"

#include <bcrypt.h>

namespace telvia::win32 {

inline void closeAlgorithm(BCRYPT_ALG_HANDLE algorithm) { BCryptCloseAlgorithmProvider(algorithm, 0); }
inline void destroyKey(BCRYPT_KEY_HANDLE key) { BCryptDestroyKey(key); }

using UniqueAlgorithm = UniqueHandle<BCRYPT_ALG_HANDLE, closeAlgorithm>;
using UniqueKey = UniqueHandle<BCRYPT_KEY_HANDLE, destroyKey>;

}  // namespace telvia::win32
