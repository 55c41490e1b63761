#pragma once

#include <QListWidget>
#include <QTest>

#include "player/Form1.h"

// Puts one station into the main window's station list and clicks it, as a listener would.
inline void ClickOnlyStation(Form1& form, const QString& name, const QString& url, const QString& homepage) {
  auto* stations = form.findChild<QListWidget*>("List1");
  stations->clear();
  stations->addItem(name);
  form.findChild<QListWidget*>("List2")->addItem(url);
  form.findChild<QListWidget*>("List3")->addItem(homepage);
  stations->setCurrentRow(0);
  QTest::mouseClick(stations->viewport(), Qt::LeftButton, {},
                    stations->visualItemRect(stations->item(0)).center());
}
