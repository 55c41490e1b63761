// Form1 and its directory: the first country, and the directory coming online.
#include <QLocale>

#include "Form1.h"
#include "app/trap.h"
#include "directory/firstcountry.h"
#include "directory/listrows.h"
#include "pageview.h"
#include "ui_Form1.h"

// The user has chosen no country yet: the directory's own row for the user's country (by the
// locale), else The Netherlands. Picked afresh at each load until the user chooses, so a start
// that only reached the demo moves to the user's country once the directory answers.
void Form1::chooseFirstCountry() {
  const QList<QStringList> lists =
      fetchTagList(*dialogHost_, directory_.countryList(language_.current()),
                   {QStringLiteral("naam"), QStringLiteral("bestand")});
  const int row = firstCountryRow(lists[1], territoryCode(QLocale()));
  if (row < 0) throw StepFailed(QStringLiteral("the directory lists no countries"));
  ui_->TaalGeselecteerdTekst->setText(oneLine(lists[0].value(row)));
  ui_->TaalGeselecteerd->setText(lists[1][row]);
}

// The directory answers for real now: the list and the home page on screen were stand-ins.
// Whatever plays goes on playing.
void Form1::ListWatch_Settled() {
  timer1_->start();
  const QString home = directory_.homePage(language_.current());
  if (ui_->WebBrowser1->currentUrl() == home) ui_->WebBrowser1->navigate(home);
}
