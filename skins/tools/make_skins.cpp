// Draws the pictures of the shipped skins: make_skins <output folder>.
// Each skin gets <name>_head.skn (669x144), <name>_frame1.skn (676x564) and <name>_balk1.skn
// (345x33), PNG content. The main window lays text over the head at y 74..130 and over the body
// below y 150, so those parts stay plain.
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHeadWidth = 669, kHeadHeight = 144;
constexpr int kBodyWidth = 676, kBodyHeight = 564;
constexpr int kBarWidth = 345, kBarHeight = 33;
// The head is a rounded panel inside a margin of body colour; with the window's 7 px to the
// right of the head the margin looks the same on both sides.
constexpr int kMargin = 8;

enum class Motif { Waves, Stars, Sunset };

struct Look {
  QString name;
  QColor bodyTop, bodyBottom;    // body gradient; the head's margin takes bodyTop
  QColor panelTop, panelBottom;  // the head panel
  QColor accent;                 // logo, lines, title-bar edge
  QColor wordmark, tagline;
  QColor barTop, barBottom;  // title bar
  QColor ripple;             // the faint rings on the body
  Motif motif;
};

QColor withAlpha(QColor c, int alpha) {
  c.setAlpha(alpha);
  return c;
}

QFont font(const QString& family, int pixels, int weight, qreal spacing = 0) {
  QFont f(family);
  f.setPixelSize(pixels);
  f.setWeight(QFont::Weight(weight));
  if (spacing != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

// Rings spreading from a point, as a radio signal is usually drawn.
void drawRipples(QPainter& p, QPointF centre, qreal from, qreal step, int count, const QColor& colour,
                 qreal width) {
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < count; ++i) {
    const qreal r = from + i * step;
    // Fade out towards the outer rings.
    p.setPen(QPen(withAlpha(colour, int(colour.alpha() * (1.0 - 0.7 * i / count))), width));
    p.drawEllipse(centre, r, r);
  }
}

// The logo: a mast with three signal arcs either side.
void drawLogo(QPainter& p, QPointF base, const QColor& colour) {
  p.save();
  p.setBrush(Qt::NoBrush);
  const QPointF top = base + QPointF(0, -26);
  QPen mast(colour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(mast);
  p.drawLine(base + QPointF(-8, 0), top);
  p.drawLine(base + QPointF(8, 0), top);
  p.drawLine(base + QPointF(-5, -10), base + QPointF(5, -10));
  p.setBrush(colour);
  p.drawEllipse(top, 3.5, 3.5);
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 3; ++i) {
    const qreal r = 7 + i * 5;
    QPen arc(withAlpha(colour, 255 - i * 60), 2.4, Qt::SolidLine, Qt::RoundCap);
    p.setPen(arc);
    const QRectF box(top.x() - r, top.y() - r, 2 * r, 2 * r);
    p.drawArc(box, -40 * 16, 80 * 16);
    p.drawArc(box, 140 * 16, 80 * 16);
  }
  p.restore();
}

void drawCrescent(QPainter& p, QPointF centre, qreal r, const QColor& colour, const QColor& sky) {
  p.save();
  QRadialGradient glow(centre, r * 3);
  glow.setColorAt(0, withAlpha(colour, 60));
  glow.setColorAt(1, withAlpha(colour, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(centre, r * 3, r * 3);
  QPainterPath moon;
  moon.addEllipse(centre, r, r);
  QPainterPath bite;
  bite.addEllipse(centre + QPointF(r * 0.45, -r * 0.25), r * 0.85, r * 0.85);
  p.setBrush(colour);
  p.drawPath(moon.subtracted(bite));
  Q_UNUSED(sky);
  p.restore();
}

void drawStars(QPainter& p, const QRectF& area, int count, quint32 seed, const QList<QRectF>& keepClear) {
  QRandomGenerator random(seed);
  p.save();
  p.setPen(Qt::NoPen);
  for (int i = 0; i < count; ++i) {
    const QPointF at(area.left() + random.bounded(area.width()), area.top() + random.bounded(area.height()));
    // Fewer and dimmer stars behind the station texts.
    const bool behindText =
        std::any_of(keepClear.begin(), keepClear.end(), [&](const QRectF& r) { return r.contains(at); });
    if (behindText && random.bounded(4) != 0) continue;
    const int alpha = behindText ? 40 + random.bounded(30) : 70 + random.bounded(150);
    const qreal size = behindText ? 0.6 : 0.5 + random.bounded(1.1);
    p.setBrush(QColor(255, 255, 240, alpha));
    p.drawEllipse(at, size, size);
  }
  p.restore();
}

// A sun going down behind the right end of the head, with faint rays; striped where it sinks.
void drawSunset(QPainter& p, const QRectF& panel, const QColor& accent) {
  p.save();
  const QPointF centre(600, panel.bottom() - 12);
  p.setPen(Qt::NoPen);
  // Short rays, so they fade out before the station texts on the left.
  for (int i = 0; i < 14; ++i) {
    const qreal a = M_PI * (i + 0.5) / 14, spread = 0.045, reach = 150;
    QPainterPath ray;
    ray.moveTo(centre);
    ray.lineTo(centre + QPointF(std::cos(a - spread) * reach, -std::sin(a - spread) * reach));
    ray.lineTo(centre + QPointF(std::cos(a + spread) * reach, -std::sin(a + spread) * reach));
    ray.closeSubpath();
    QRadialGradient fade(centre, reach);
    fade.setColorAt(0, withAlpha(accent, 70));
    fade.setColorAt(1, withAlpha(accent, 0));
    p.setBrush(fade);
    p.drawPath(ray);
  }
  QRadialGradient glow(centre, 95);
  glow.setColorAt(0, withAlpha(accent, 110));
  glow.setColorAt(1, withAlpha(accent, 0));
  p.setBrush(glow);
  p.drawEllipse(centre, 95, 95);

  QPainterPath sun;
  sun.addEllipse(centre, 36, 36);
  // Bands of sky through the lower half, wider towards the horizon.
  for (int i = 0; i < 4; ++i) {
    QPainterPath band;
    band.addRect(QRectF(centre.x() - 40, centre.y() - 12 + i * 9, 80, 1.5 + i * 1.2));
    sun = sun.subtracted(band);
  }
  QLinearGradient disc(0, centre.y() - 36, 0, centre.y() + 10);
  disc.setColorAt(0, QColor(0xff, 0xe9, 0x9a));
  disc.setColorAt(1, QColor(0xf3, 0x7a, 0x3a));
  p.setBrush(disc);
  p.drawPath(sun);
  p.restore();
}

// The body: a calm gradient with faint rings from the lower right; stretches to any dialog.
QImage drawBody(const Look& look) {
  QImage image(kBodyWidth, kBodyHeight, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, 0, kBodyHeight);
  fill.setColorAt(0, look.bodyTop);
  fill.setColorAt(1, look.bodyBottom);
  p.fillRect(image.rect(), fill);
  // Light from the upper left, shade to the lower right.
  QRadialGradient light(QPointF(kBodyWidth * 0.2, kBodyHeight * 0.1), kBodyWidth * 0.9);
  light.setColorAt(0, QColor(255, 255, 255, 45));
  light.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(image.rect(), light);
  drawRipples(p, QPointF(kBodyWidth + 40, kBodyHeight + 60), 90, 46, 12, look.ripple, 1.6);
  if (look.motif == Motif::Stars) drawStars(p, QRectF(0, 0, kBodyWidth, kBodyHeight), 90, 7, {});
  // A hairline at the very top catches the light.
  p.setPen(QPen(QColor(255, 255, 255, 120), 1));
  p.drawLine(0, 0, kBodyWidth, 0);
  return image;
}

QImage drawHead(const Look& look) {
  QImage image(kHeadWidth, kHeadHeight, QImage::Format_RGB32);
  image.fill(look.bodyTop);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  const QRectF panel(kMargin, kMargin, kHeadWidth - 1 - kMargin, kHeadHeight - kMargin - 4);
  QPainterPath shape;
  shape.addRoundedRect(panel, 12, 12);

  // Soft drop shadow under the panel.
  for (int i = 4; i >= 1; --i) {
    QPainterPath shadow;
    shadow.addRoundedRect(panel.translated(0, 1.5).adjusted(-i, -i + 1, i, i), 12 + i, 12 + i);
    p.fillPath(shadow, QColor(0, 0, 0, 10));
  }

  p.save();
  p.setClipPath(shape);
  QLinearGradient fill(0, panel.top(), 0, panel.bottom());
  fill.setColorAt(0, look.panelTop);
  fill.setColorAt(1, look.panelBottom);
  p.fillRect(panel, fill);

  if (look.motif == Motif::Waves) {
    // A signal trace right of the wordmark, between the online counter and the station name.
    QPainterPath trace;
    for (int x = 215; x <= kHeadWidth; ++x) {
      const qreal t = (x - 215) / 454.0;
      const qreal y = 48 + std::sin(x / 17.0) * 10 * t * (1 - 0.5 * t) + std::sin(x / 5.3) * 2 * t;
      if (x == 215)
        trace.moveTo(x, y);
      else
        trace.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(withAlpha(look.accent, 60), 2));
    p.drawPath(trace);
    p.setPen(QPen(withAlpha(look.accent, 30), 6));
    p.drawPath(trace);
    drawRipples(p, QPointF(kHeadWidth - 60, kHeadHeight + 30), 40, 26, 7, withAlpha(Qt::white, 28), 1.4);
  } else if (look.motif == Motif::Sunset) {
    drawSunset(p, panel, look.accent);
  } else {
    drawStars(p, panel, 260, 1979, {QRectF(16, 66, 500, 70), QRectF(500, 8, 166, 30)});
    // A faint horizon glow along the bottom.
    QLinearGradient horizon(0, panel.bottom() - 40, 0, panel.bottom());
    horizon.setColorAt(0, withAlpha(look.accent, 0));
    horizon.setColorAt(1, withAlpha(look.accent, 55));
    p.fillRect(panel, horizon);
    drawCrescent(p, QPointF(600, 84), 22, QColor(0xf4, 0xe3, 0xb0), look.panelTop);
  }

  // Glass: the upper half a little lighter.
  QLinearGradient gloss(0, panel.top(), 0, panel.top() + panel.height() * 0.55);
  gloss.setColorAt(0, QColor(255, 255, 255, 46));
  gloss.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(QRectF(panel.left(), panel.top(), panel.width(), panel.height() * 0.55), gloss);

  // Logo and wordmark in the top left, above the station texts.
  drawLogo(p, QPointF(38, 54), look.accent);
  p.setPen(look.wordmark);
  p.setFont(font(QStringLiteral("DejaVu Sans"), 25, QFont::Bold, 3));
  p.drawText(QPointF(64, 44), QStringLiteral("VANTOR"));
  p.setPen(look.tagline);
  p.setFont(font(QStringLiteral("DejaVu Sans"), 11, QFont::Normal, 2.4));
  p.drawText(QPointF(66, 59), QStringLiteral("INTERNET RADIO"));
  // Divider between the brand and the station.
  QLinearGradient divider(24, 0, 500, 0);
  divider.setColorAt(0, withAlpha(look.accent, 150));
  divider.setColorAt(1, withAlpha(look.accent, 0));
  p.fillRect(QRectF(24, 67, 476, 1.5), divider);
  p.restore();

  // Rim: light on top, darker below.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 70), 1));
  p.drawPath(shape.translated(0, 0.5));
  p.setPen(QPen(QColor(0, 0, 0, 70), 1));
  p.drawRoundedRect(panel, 12, 12);
  return image;
}

// The title bar under a dialog's bold title; stretched sideways by the wider dialogs.
QImage drawBar(const Look& look) {
  QImage image(kBarWidth, kBarHeight, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient fill(0, 0, 0, kBarHeight);
  fill.setColorAt(0, look.barTop);
  fill.setColorAt(1, look.barBottom);
  p.fillRect(image.rect(), fill);
  p.fillRect(QRect(0, 0, kBarWidth, 1), QColor(255, 255, 255, 150));
  p.fillRect(QRect(0, kBarHeight - 3, kBarWidth, 3), look.accent);
  p.fillRect(QRect(0, kBarHeight - 4, kBarWidth, 1), withAlpha(look.accent, 90));
  return image;
}

bool save(const QImage& image, const QString& file) {
  if (image.save(file, "PNG", 9)) return true;
  QTextStream(stderr) << "cannot write " << file << '\n';
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    QTextStream(stderr) << "usage: make_skins <output folder>\n";
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);

  const Look looks[] = {
      {QStringLiteral("Standaard"), QColor(0xee, 0xf1, 0xf5), QColor(0xd9, 0xe2, 0xee),
       QColor(0x2d, 0x74, 0xc4), QColor(0x10, 0x36, 0x6b), QColor(0x9f, 0xd8, 0xff), QColor(Qt::white),
       QColor(0xc6, 0xdd, 0xf5), QColor(0xf6, 0xf9, 0xfd), QColor(0xd3, 0xe1, 0xf2),
       QColor(0x2d, 0x74, 0xc4, 26), Motif::Waves},
      {QStringLiteral("Nacht"), QColor(0xd6, 0xda, 0xe5), QColor(0xa9, 0xb1, 0xc4), QColor(0x1c, 0x22, 0x48),
       QColor(0x07, 0x09, 0x18), QColor(0xf2, 0xb8, 0x4b), QColor(0xf3, 0xf1, 0xff), QColor(0xb9, 0xbd, 0xdc),
       QColor(0xe8, 0xea, 0xf2), QColor(0xc4, 0xc9, 0xda), QColor(0x1c, 0x22, 0x48, 30), Motif::Stars},
      {QStringLiteral("Zomer"), QColor(0xf8, 0xf1, 0xe6), QColor(0xec, 0xd9, 0xbf), QColor(0x9e, 0x3b, 0x24),
       QColor(0x3a, 0x11, 0x0b), QColor(0xff, 0xbf, 0x5e), QColor(0xff, 0xf6, 0xe8), QColor(0xf7, 0xcf, 0xa8),
       QColor(0xfb, 0xf4, 0xea), QColor(0xee, 0xdb, 0xc2), QColor(0x9e, 0x3b, 0x24, 28), Motif::Sunset},
  };
  bool ok = true;
  for (const Look& look : looks) {
    ok &= save(drawHead(look), out + u'/' + look.name + QStringLiteral("_head.skn"));
    ok &= save(drawBody(look), out + u'/' + look.name + QStringLiteral("_frame1.skn"));
    ok &= save(drawBar(look), out + u'/' + look.name + QStringLiteral("_balk1.skn"));
  }
  return ok ? 0 : 1;
}
