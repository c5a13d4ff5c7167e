// Message boxes with the information icon.
#pragma once

#include <string_view>

namespace telvia {

enum class MessageOwner { none, mainWindow };

class MessageBoxPort {
public:
    virtual ~MessageBoxPort() = default;

    // Returns when the user has closed the box.
    virtual void showInformation(MessageOwner owner, std::u16string_view text,
                                 std::u16string_view caption) = 0;
};

}  // namespace telvia
