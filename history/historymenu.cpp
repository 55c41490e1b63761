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
  const auto caption = [history, record, &language] {
    history->setText(language.LangText(QStringLiteral("traymenu1")));
    record->setText(language.LangText(QStringLiteral("traymenu2")));
  };
  caption();
  QObject::connect(&menu, &QMenu::aboutToShow, &menu, caption);
}
