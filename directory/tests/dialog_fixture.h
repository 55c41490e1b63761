#pragma once

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/ini.h"
#include "app/language.h"
#include "directory/directoryaddress.h"
#include "htmledit/corvel.h"
#include "directory/transfer.h"
#include "loopback_server.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

// A control of a dialog, found by name as a user's tools would.
template <typename T>
T* child(QWidget& form, const char* name) {
  T* found = form.findChild<T*>(QLatin1String(name));
  if (!found) throw std::runtime_error(std::string("no control ") + name);
  return found;
}

// The controls both directory dialogs have.
struct DialogControls {
  explicit DialogControls(QWidget& form)
      : Image1(child<QLabel>(form, "Image1")),
        Image2(child<QLabel>(form, "Image2")),
        Label1(child<QLabel>(form, "Label1")),
        Label2(child<QLabel>(form, "Label2")),
        List1(child<QListWidget>(form, "List1")),
        List2(child<QListWidget>(form, "List2")),
        Command1(child<QPushButton>(form, "Command1")),
        Command2(child<QPushButton>(form, "Command2")) {}
  QLabel *Image1, *Image2, *Label1, *Label2;
  QListWidget *List1, *List2;
  QPushButton *Command1, *Command2;
};

inline QStringList items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

inline QStringList items(const QComboBox* combo) {
  QStringList out;
  for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
  return out;
}

inline void clickRow(QListWidget* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// What the main window lends a directory dialog, and a loopback directory to answer it. A test
// adds its routes in SetUp, then calls serve().
class DirectoryDialogTest : public ::testing::Test {
 protected:
  void serve() {
    http.start();
    address = DirectoryAddress(http.url(QStringLiteral("/")));
  }
  QString remembered(const char* key) const {
    return INI::ReadIni(folder.instIni(), QStringLiteral("Onthouden"), QLatin1String(key));
  }
  QString text(const char* key) const { return language.LangText(QLatin1String(key)); }

  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  ProgramFolder folder = dir.folder();
  RecordingPrompt prompt;
  QString languageName = QStringLiteral("Nederlands");
  Language language{folder, prompt, [this] { return languageName; }};
  Transfer inet;
  Corvel downloadInfo;
  LoopbackServer http;
  DirectoryAddress address;
};
