// An ordered record of the calls that fakes received, shared by all fakes of one test.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace telvia::fakes {

struct CallLog {
    std::vector<std::string> calls;

    void add(std::string call) { calls.push_back(std::move(call)); }
    [[nodiscard]] bool contains(const std::string& call) const
    {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
    // Position of the first such call, or -1.
    [[nodiscard]] int indexOf(const std::string& call) const
    {
        const auto it = std::find(calls.begin(), calls.end(), call);
        return it == calls.end() ? -1 : static_cast<int>(it - calls.begin());
    }
};

}  // namespace telvia::fakes
