#include <QDropEvent>
#include <QFile>
#include <QMimeData>

#include "form1_fixture.h"
#include "player/stationopen.h"

namespace {

using Form1StationsTest = Form1Test;

// What a drop, a later start or the command line hands in is played, and Add keeps it.
TEST_F(Form1StationsTest, AStationOpenedFromOutsidePlaysAndIsAddedWithAdd) {
  launch();
  dir.write("list.m3u", "#EXTM3U\r\n#EXTINF:-1,Local\r\nfile:///etc/passwd\r\nhttp://127.0.0.1:9/drop.mp3\r\n");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(dir.file("list.m3u"))});
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
  // Without a drag in progress Qt delivers no drop: the window's filter gets it directly.
  QObject* filter = nullptr;
  for (QObject* child : form->children())
    if (dynamic_cast<StationDrop*>(child)) filter = child;
  ASSERT_NE(filter, nullptr);
  filter->eventFilter(form.get(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(player.URL(), "http://127.0.0.1:9/drop.mp3");

  form->openFromOutside({"javascript:alert(1)", "http://127.0.0.1:9/x.mp3"});
  EXPECT_EQ(player.URL(), "http://127.0.0.1:9/x.mp3");
  EXPECT_EQ(label("ZenderNaam"), "http://127.0.0.1:9/x.mp3");
  control<QPushButton>("Command1")->click();
  EXPECT_EQ(INI::ReadIni(dir.file("favo/127.0.0.1:9 x.mp3"), "Internet", "url"), "http://127.0.0.1:9/x.mp3");
}

}  // namespace
