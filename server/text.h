#pragma once

#include <string>
#include <string_view>

// Small text helpers shared by the answers and pages. Everything here works on UTF-8 bytes.
namespace vantor::server {

bool isValidUtf8(std::string_view s);

// Query values arrive as UTF-8 from new clients and as Windows-1252 from old ones.
std::string queryValueToUtf8(std::string_view raw);

std::string htmlEscape(std::string_view s);

std::string asciiLower(std::string_view s);

// Accents folded, case ignored: the order a reader expects.
std::string sortKey(std::string_view name);

}  // namespace vantor::server
