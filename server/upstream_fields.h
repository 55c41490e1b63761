#pragma once

#include <string>
#include <string_view>

// A station's fields as the upstream sends them, made safe for our tag lists, pages and headers.
namespace vantor::server {

// A display name the scanner reads back as it stands: no tags, no control characters,
// entities decoded, blanks collapsed, at most 200 bytes of valid UTF-8. May come back empty.
std::string cleanName(std::string_view raw);
// "https://www.x.nl/a" -> "www.x.nl/a"; empty when it is no plain web address.
std::string cleanHomepage(std::string_view raw);
// An http(s) address that is safe in a Location header once passed through locationSafe().
bool isPlayableAddress(std::string_view url);
// Blanks, '"', '<' and '>' percent-encoded.
std::string locationSafe(std::string_view url);
bool isStationUuid(std::string_view s);

}  // namespace vantor::server
