// Process-wide services of the operating system used by start-up and exit.
#pragma once

#include <cstdint>

namespace telvia {

using HResult = std::int32_t;  // a COM result code: negative means failure

class SystemPort {
public:
    virtual ~SystemPort() = default;

    [[nodiscard]] virtual HResult initialiseCom() = 0;  // single-threaded apartment
    virtual void uninitialiseCom() = 0;
    virtual void initialiseCommonControls() = 0;
    // Ends the process at once; nothing after it runs on Windows.
    virtual void exitProcess(int exitCode) = 0;
};

}  // namespace telvia
