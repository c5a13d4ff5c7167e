// Told of every request a stream session makes, as it is answered, for a report of how an
// address opened (the stream probe prints it; the program tells no one).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/http_port.h"

namespace telvia::stream {

struct RequestAnswer {
    std::string_view address;  // as asked for, before any redirect
    HttpError error = httpOk;  // the system's error when no answer came
    std::uint32_t status = 0;  // the HTTP status of the final answer, when one came
    std::string_view finalAddress;
};

class RequestObserver {
public:
    virtual ~RequestObserver() = default;
    // From the session's fetch thread.
    virtual void onAnswer(const RequestAnswer& answer) = 0;
};

}  // namespace telvia::stream
