#include "driver/driver_error.h"

#include <cstdio>

#include "driver/win32.h"

namespace telvia::e2e {

void failWithCode(const std::string& what, unsigned long code)
{
    char number[16] = {};
    std::snprintf(number, sizeof number, "%lu", code);
    throw DriverError(what + " (Win32 error " + number + ")");
}

void failWithLastError(const std::string& what)
{
    failWithCode(what, GetLastError());
}

}  // namespace telvia::e2e
