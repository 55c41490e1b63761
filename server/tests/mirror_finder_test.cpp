#include "mirror_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using namespace vantor::server;

namespace {

// Answers from a table; a real resolver is never asked about a public name in a test.
class FakeResolver final : public Resolver {
 public:
  std::map<std::string, std::vector<std::string>> forward;
  std::map<std::string, std::string> reverse;
  std::vector<std::string> asked;
  std::vector<std::string> addresses(const std::string& name) override {
    asked.push_back(name);
    return forward[name];
  }
  std::string nameOf(const std::string& address) override { return reverse[address]; }
};

std::set<std::string> asSet(const std::vector<std::string>& v) { return {v.begin(), v.end()}; }

}  // namespace

TEST(MirrorFinder, NamesOfTheAddressesOverHttpsInRandomOrderElseTheBuiltInOnes) {
  FakeResolver dns;
  dns.forward[kMirrorsName] = {"192.0.2.1", "192.0.2.2", "2001:db8::3", "192.0.2.4", "192.0.2.5"};
  dns.reverse = {{"192.0.2.1", "de1.api.example."},
                 {"192.0.2.2", "nl1.api.example"},
                 {"2001:db8::3", "nl1.api.example"},  // one mirror, two addresses
                 {"192.0.2.4", "evil.example/x?"},    // not a host name
                 {"192.0.2.5", ""}};                  // no name
  std::set<std::vector<std::string>> orders;
  for (uint32_t seed = 0; seed < 20; ++seed) {
    const auto found = findMirrors(dns, seed);
    EXPECT_EQ(asSet(found), (std::set<std::string>{"https://de1.api.example/", "https://nl1.api.example/"}));
    EXPECT_EQ(found.size(), 2u);
    orders.insert(found);
  }
  EXPECT_EQ(orders.size(), 2u) << "always the same order";
  EXPECT_EQ(dns.asked.front(), "all.api.radio-browser.info");

  // The built-in names only when the look-up finds nothing usable.
  for (auto& [address, name] : dns.reverse) name.clear();
  EXPECT_EQ(asSet(findMirrors(dns, 1)), asSet(builtInMirrors()));
  dns.forward.clear();
  EXPECT_EQ(asSet(findMirrors(dns, 1)), asSet(builtInMirrors()));
}
