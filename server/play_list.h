#pragma once

#include "answer_memo.h"
#include "upstream_mapping.h"

#include <vector>

namespace vantor::server {

// A station list as playListAnswer() writes it, made once for every Host it is sent to.
void appendPlayEntry(HostedAnswer& list, const UpStation& s);
SharedAnswer playList(const std::vector<UpStation>& stations);

}  // namespace vantor::server
