#pragma once

#include "answer_memo.h"

#include <httplib.h>

#include <string>

namespace vantor::server {

// Sends a shared answer with this request's host written in. A large one is written piece by
// piece from the one shared copy, so fifty clients of a big list cost one list, not fifty; when
// no large answer is being sent any more, what the burst freed goes back to the system.
void sendAnswer(httplib::Response& res, SharedAnswer answer, const std::string& host,
                const char* contentType);

}  // namespace vantor::server
