#include "historymenu.h"

#include <QAction>
#include <QMenu>

#include "app/language.h"

void addHistoryItems(QMenu& menu, const Language& language) {
  QAction* before = menu.findChild<QAction*>(QStringLiteral("bla"));
  auto* history = new QAction(&menu);
  history->setObjectName(QStringLiteral("historie"));
  auto* record = new QAction(&menu);
  record->setObjectName(QStringLiteral("opnemen"));
  record->setCheckable(true);
  menu.insertActions(before, {history, record});
  captionHistoryItems(menu, language);
  QObject::connect(&menu, &QMenu::aboutToShow, &menu,
                   [&menu, &language] { captionHistoryItems(menu, language); });
}

void captionHistoryItems(QMenu& menu, const Language& language) {
  if (auto* history = menu.findChild<QAction*>(QStringLiteral("historie")))
    history->setText(language.LangText(QStringLiteral("traymenu1")));
  if (auto* record = menu.findChild<QAction*>(QStringLiteral("opnemen")))
    record->setText(language.LangText(QStringLiteral("traymenu2")));
}
