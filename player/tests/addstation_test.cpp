#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "app/language.h"
#include "loopback_server.h"
#include "player/addstationdialog.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

namespace {

class AddStationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string audio(8192, '\xFB');
    web.server().Get("/x.mp3", [audio](const httplib::Request&, httplib::Response& res) {
      res.set_header("icy-name", "Loopback FM");
      res.set_header("icy-br", "128");
      res.set_content("\xFF\xFB" + audio, "audio/mpeg");
    });
    web.server().Get("/list.pls", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content("[playlist]\nFile1=" + web.base() + "missing.mp3\nFile2=" + web.base() + "x.mp3\n",
                      "audio/x-scpls");
    });
    web.server().Get("/page", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<!DOCTYPE html><html><body>" + std::string(6000, 'x') + "</body></html>", "text/html");
    });
    web.start();
    QDir().mkpath(folder.file("favo"));
  }

  // Tries the address and, when it was found, saves it; what the dialog said.
  QString add(const QString& address, const QString& name = {}) {
    AddStationDialog dialog(language, Favourites(folder.file("favo")), "site.example");
    dialog.findChild<QLineEdit*>("address")->setText(address);
    dialog.findChild<QLineEdit*>("name")->setText(name);
    dialog.findChild<QPushButton*>("try")->click();
    auto* status = dialog.findChild<QLabel*>("status");
    auto* save = dialog.findChild<QPushButton*>("save");
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.findChild<QPushButton*>("try")->isEnabled(); }, 15000));
    if (save->isEnabled()) save->click();
    return status->text();
  }
  QStringList saved() const { return QDir(folder.file("favo")).entryList(QDir::Files); }

  LoopbackServer web;
  TempProgramFolder folder{TempProgramFolder::Contents::ShippedData};
  RecordingPrompt prompt;
  Language language{folder.folder(), prompt, [] { return QStringLiteral("english"); }};
};

TEST_F(AddStationTest, AStreamIsSavedUnderItsOwnNameAndAPlaylistThroughItsEntries) {
  EXPECT_EQ(add(web.url("/x.mp3")), "Found: MP3 stream, 128 kbit/s, calling itself \"Loopback FM\".");
  EXPECT_EQ(add(web.url("/list.pls"), "My/List"), "Found: MP3 stream, 128 kbit/s, calling itself \"Loopback FM\", "
                                                  "through a playlist.");
  EXPECT_EQ(saved(), (QStringList{"Loopback FM", "My-List"}));
  const Favourite kept = Favourites(folder.file("favo")).read("My-List");
  EXPECT_EQ(kept.url, web.url("/list.pls"));
  EXPECT_EQ(kept.website, "site.example");
}

TEST_F(AddStationTest, WhatIsNoStreamIsRefusedAndNothingIsWritten) {
  const struct {
    QString address;
    const char* said;
  } cases[] = {
      {web.url("/nothing.mp3"), "This address does not answer or answers with an error (404). Nothing was saved."},
      {web.url("/page"), "This address gives no audio stream but text/html. Nothing was saved."},
      {"file:///etc/passwd", "This is no http or https address. Only such addresses can be played."},
      {"http://127.0.0.1:1/x.mp3", "This address does not answer"},
  };
  for (const auto& c : cases) EXPECT_TRUE(add(c.address, "Kept out").startsWith(c.said)) << c.address.toStdString();
  EXPECT_TRUE(saved().isEmpty());
}

}  // namespace
