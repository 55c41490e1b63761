#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "recording_prompt.h"
#include "temp_program_folder.h"
#include "app/ini.h"
#include "app/language.h"

#include <cstdlib>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

// A picture of one colour in the given format ("PNG", "JPG", "BMP"); Qt cannot write GIF.
inline QByteArray PictureBytes(QSize size, QColor colour, const char* format = "PNG") {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

inline QColor CentreColour(const QLabel& label) {
  const QImage image = label.pixmap().toImage();
  return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

// Colours that survive JPEG with a little slack.
inline bool Near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
         std::abs(a.blue() - b.blue()) < 12;
}

// A program folder with the shipped language texts, a prompt that records and English texts.
struct SkinFixture {
  TempProgramFolder temp{TempProgramFolder::Contents::ShippedData};
  RecordingPrompt prompt;
  Language language{temp.folder(), prompt, [] { return QStringLiteral("english"); }};

  QString text(const char* key) const { return language.LangText(QLatin1String(key)); }
  QString skinSetting() const { return INI::ReadIni(temp.folder().instIni(), "Online Radio", "skin"); }
  void chooseSkin(const QString& name) const { temp.profile({QStringLiteral("Online Radio/skin=") + name}); }
  // A skin of plain colours; a role given an empty colour is left out.
  void writeSkin(const QString& name, QColor head, QColor body, QColor bar = Qt::white) const {
    if (head.isValid()) temp.write(name + "_head.skn", PictureBytes({669, 144}, head));
    if (body.isValid()) temp.write(name + "_frame1.skn", PictureBytes({676, 564}, body));
    if (bar.isValid()) temp.write(name + "_balk1.skn", PictureBytes({345, 33}, bar));
  }
};

// The parts of the main window that the skin tick touches.
struct MainWindowPictures {
  QWidget window;
  QLabel* image1 = new QLabel(&window);
  QLabel* image2 = new QLabel(&window);
  QLabel* skinfout = new QLabel(QStringLiteral("skinfout"), &window);
  MainWindowPictures() {
    window.setFixedSize(676, 564);
    image2->setGeometry(0, 144, 676, 420);
    image1->setGeometry(0, 0, 676, 144);
  }
};
