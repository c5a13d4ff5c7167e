// Opening a file or web address with the system's default handler.
#pragma once

#include <string_view>

namespace telvia {

class ShellPort {
public:
    virtual ~ShellPort() = default;

    // The "open" verb, shown normally; failures are the handler's business.
    virtual void open(std::u16string_view target) = 0;
};

}  // namespace telvia
