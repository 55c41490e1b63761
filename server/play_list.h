#pragma once

#include "answer_memo.h"
#include "upstream_json.h"

#include <string>
#include <vector>

namespace vantor::server {

// Our /play/ address of a station, which counts the listener and sends it on.
std::string playAddress(const UpStation& s, const std::string& host);
// The station list: names and home pages as cleaned, addresses through our /play/.
std::string playListAnswer(const std::vector<UpStation>& stations, const std::string& host);

// A station list as playListAnswer() writes it, made once for every Host it is sent to.
void appendPlayEntry(HostedAnswer& list, const UpStation& s);
SharedAnswer playList(const std::vector<UpStation>& stations);

}  // namespace vantor::server
