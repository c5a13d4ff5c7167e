// What the driver throws when it cannot do what a scenario asked (start a process, write
// the registry, find a window in time). GoogleTest reports it as a failure of the scenario.
#pragma once

#include <stdexcept>
#include <string>

namespace telvia::e2e {

class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws a DriverError naming `what` and the given Win32 error code.
[[noreturn]] void failWithCode(const std::string& what, unsigned long code);

// Throws a DriverError naming `what` and the thread's last Win32 error.
[[noreturn]] void failWithLastError(const std::string& what);

}  // namespace telvia::e2e
