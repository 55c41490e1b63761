// Loading and saving the control's stored settings.
#include <QApplication>
#include <QTextEdit>

#include <functional>
#include <vector>

#include "corvel.h"
#include "htmledit_log.h"
#include "propertybag.h"

namespace {

struct StoredKey {
  const char* name;
  QVariant defaultValue;
  std::function<QVariant(const Corvel&)> get;
  std::function<void(Corvel&, const QVariant&)> set;
};

StoredKey flag(const char* name, bool defaultValue, bool (Corvel::*get)() const, void (Corvel::*set)(bool)) {
  return {name, defaultValue, [get](const Corvel& c) { return QVariant((c.*get)()); },
          [set](Corvel& c, const QVariant& v) { (c.*set)(v.toBool()); }};
}

StoredKey number(const char* name, int defaultValue, int (Corvel::*get)() const, void (Corvel::*set)(int)) {
  return {name, defaultValue, [get](const Corvel& c) { return QVariant((c.*get)()); },
          [set](Corvel& c, const QVariant& v) { (c.*set)(v.toInt()); }};
}

// Every stored key in the order it is loaded and saved; the text comes last, after every setting.
std::vector<StoredKey> storedKeys(const Corvel& control) {
  return {
      flag("AutoColorize", true, &Corvel::AutoColorize, &Corvel::setAutoColorize),
      flag("AutoVerbMenu", false, &Corvel::AutoVerbMenu, &Corvel::setAutoVerbMenu),
      {"BackColor", QVariant(uint(Corvel::kSystemWindowBackground)),
       [](const Corvel& c) { return QVariant(uint(c.backColor())); },
       [](Corvel& c, const QVariant& v) { c.setBackColor(v.toUInt()); }},
      flag("CommentBold", false, &Corvel::CommentBold, &Corvel::setCommentBold),
      flag("CommentItalic", true, &Corvel::CommentItalic, &Corvel::setCommentItalic),
      flag("Enabled", true, &Corvel::Enabled, &Corvel::setEnabled),
      {"Entities", 62, [](const Corvel& c) { return QVariant(c.Entities()); },
       [](Corvel& c, const QVariant& v) {
         try {
           c.setEntities(v.toInt());
         } catch (const CorvelError&) {
           qCWarning(lcHtmlEdit) << "stored Entities out of range:" << v.toInt();
         }
       }},
      flag("EntityBold", false, &Corvel::EntityBold, &Corvel::setEntityBold),
      flag("EntityItalic", false, &Corvel::EntityItalic, &Corvel::setEntityItalic),
      {"FileName", QString(), [](const Corvel& c) { return QVariant(c.FileName()); },
       [](Corvel& c, const QVariant& v) { c.setFileName(v.toString()); }},
      {"Font", control.ambientFont(), [](const Corvel& c) { return QVariant(c.boxFont()); },
       [](Corvel& c, const QVariant& v) { c.setBoxFont(v.value<QFont>()); }},
      flag("HideSelection", false, &Corvel::HideSelection, &Corvel::setHideSelection),
      flag("Locked", false, &Corvel::Locked, &Corvel::setLocked),
      number("MaxLength", 0, &Corvel::MaxLength, &Corvel::setMaxLength),
      {"MouseIcon", QPixmap(), [](const Corvel& c) { return QVariant(c.MouseIcon()); },
       [](Corvel& c, const QVariant& v) { c.setMouseIcon(v.value<QPixmap>()); }},
      number("MousePointer", 0, &Corvel::MousePointer, &Corvel::setMousePointer),
      flag("PropNameBold", false, &Corvel::PropNameBold, &Corvel::setPropNameBold),
      flag("PropNameItalic", false, &Corvel::PropNameItalic, &Corvel::setPropNameItalic),
      flag("PropValBold", false, &Corvel::PropValBold, &Corvel::setPropValBold),
      flag("PropValItalic", false, &Corvel::PropValItalic, &Corvel::setPropValItalic),
      flag("Silent", true, &Corvel::Silent, &Corvel::setSilent),
      {"RightMargin", 0.0f, [](const Corvel& c) { return QVariant(c.RightMargin()); },
       [](Corvel& c, const QVariant& v) { c.setRightMargin(v.toFloat()); }},
      flag("TagBold", true, &Corvel::TagBold, &Corvel::setTagBold),
      flag("TagItalic", false, &Corvel::TagItalic, &Corvel::setTagItalic),
      {"Text", QString(), [](const Corvel& c) { return QVariant(c.Text()); },
       [](Corvel& c, const QVariant& v) { c.setText(v.toString()); }},
  };
}

}  // namespace

void Corvel::ReadProperties(const PropertyBag& bag) {
  for (const StoredKey& key : storedKeys(*this))
    key.set(*this, bag.ReadProperty(QString::fromLatin1(key.name), key.defaultValue));
}

void Corvel::WriteProperties(PropertyBag& bag) const {
  for (const StoredKey& key : storedKeys(*this))
    bag.WriteProperty(QString::fromLatin1(key.name), key.get(*this), key.defaultValue);
}

std::uint32_t Corvel::backColor() const {
  const QColor colour = rtfHTML_->palette().color(QPalette::Base);
  if (colour == QApplication::palette(rtfHTML_).color(QPalette::Base)) return kSystemWindowBackground;
  return std::uint32_t(colour.red()) | std::uint32_t(colour.green()) << 8 |
         std::uint32_t(colour.blue()) << 16;
}

void Corvel::setBackColor(std::uint32_t colour) {
  QPalette palette = rtfHTML_->palette();
  // System colours other than the window background fall back to it too.
  const QColor base = colour & 0x80000000u
                          ? QApplication::palette(rtfHTML_).color(QPalette::Base)
                          : QColor(int(colour & 0xff), int(colour >> 8 & 0xff), int(colour >> 16 & 0xff));
  palette.setColor(QPalette::Base, base);
  rtfHTML_->setPalette(palette);
}

QFont Corvel::boxFont() const { return rtfHTML_->font(); }

void Corvel::setBoxFont(const QFont& font) { rtfHTML_->setFont(font); }

QFont Corvel::ambientFont() const { return parentWidget() ? parentWidget()->font() : QApplication::font(); }
