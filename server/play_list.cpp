#include "play_list.h"

namespace vantor::server {

namespace {

// Stands for the host in a station's address; no address holds it otherwise.
constexpr std::string_view kHostMark = "\x01";

}  // namespace

std::string playAddress(const UpStation& s, const std::string& host) {
  return "http://" + host + "/play/" + s.uuid;
}

std::string playListAnswer(const std::vector<UpStation>& stations, const std::string& host) {
  std::string out;
  for (const auto& s : stations) {
    out += "<naam>" + s.name + "</naam>\n";
    out += "<url>" + playAddress(s, host) + "</url>\n";
    out += "<homepage>" + s.homepage + "</homepage>\n";
  }
  return out;
}

void appendPlayEntry(HostedAnswer& list, const UpStation& s) {
  list.append("<naam>");
  list.append(s.name);
  list.append("</naam>\n<url>");
  const std::string address = playAddress(s, std::string(kHostMark));
  const size_t mark = address.find(kHostMark);
  list.append(std::string_view(address).substr(0, mark));
  if (mark != std::string::npos) {
    list.markHost();
    list.append(std::string_view(address).substr(mark + kHostMark.size()));
  }
  list.append("</url>\n<homepage>");
  list.append(s.homepage);
  list.append("</homepage>\n");
}

SharedAnswer playList(const std::vector<UpStation>& stations) {
  auto list = std::make_shared<HostedAnswer>();
  for (const auto& s : stations) appendPlayEntry(*list, s);
  list->finish();
  return list;
}

}  // namespace vantor::server
