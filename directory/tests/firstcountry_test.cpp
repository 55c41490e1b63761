#include "directory/firstcountry.h"

#include <gtest/gtest.h>

namespace {

TEST(FirstCountry, TheLocalesCountryElseTheNetherlandsAsTheListNamesIt) {
  const QStringList directory{"nl.txt", "ax.txt", "be.txt", "DE.txt"}, demo{"belgie.txt", "holland.txt"};
  const struct {
    const char* locale;
    QStringList files;
    int row;
  } cases[] = {{"de_DE.UTF-8", directory, 3}, {"de_AT", directory, 0}, {"C", directory, 0},
               {"de_DE", demo, 1},            {"is_IS", {"be.txt"}, 0}, {"nl_NL", {}, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(firstCountryRow(c.files, territoryCode(QLocale(QString::fromLatin1(c.locale)))), c.row)
        << c.locale;
}

}  // namespace
