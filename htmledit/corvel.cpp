#include "corvel.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <iterator>
#include <utility>

#include "keycodes.h"

namespace {

// A line this long wraps at the box's width even when RightMargin keeps lines unwrapped: drawn
// in one piece, every caret blink and key press would draw all of it.
constexpr int kLongLine = 10000;

// The inner box: pastes and drops stop at MaxLength as typing does, and its text skips shaping.
class RtfBox final : public QTextEdit {
 public:
  explicit RtfBox(Corvel& owner) : QTextEdit(&owner), owner_(owner) { plainGlyphs(); }

 protected:
  void changeEvent(QEvent* event) override {
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) plainGlyphs();
  }

  // HTML source needs no ligatures or kerning; Latin text then skips shaping, which is most of
  // the time a long line takes to lay out. Scripts that need shaping still get it.
  void plainGlyphs() {
    QFont font = document()->defaultFont();
    font.setStyleStrategy(QFont::PreferNoShaping);
    document()->setDefaultFont(font);
  }

  void insertFromMimeData(const QMimeData* source) override {
    if (owner_.MaxLength() <= 0 || !source->hasText()) return QTextEdit::insertFromMimeData(source);
    const int length = document()->characterCount() - 1;
    const int room = owner_.MaxLength() - (length - owner_.SelLength());
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));  // one character in the box
    if (room <= 0) return;
    if (text.size() > room) text.truncate(text[room - 1].isHighSurrogate() ? room - 1 : room);
    QMimeData cut;
    cut.setText(text);
    QTextEdit::insertFromMimeData(&cut);
  }

 private:
  const Corvel& owner_;
};

}  // namespace

Corvel::Corvel(QWidget* parent) : QWidget(parent), rtfHTML_(new RtfBox(*this)) {
  rtfHTML_->setObjectName(QStringLiteral("rtfHTML"));
  rtfHTML_->setLineWrapMode(QTextEdit::NoWrap);  // one line per paragraph, as the line services count them
  rtfHTML_->setAcceptRichText(false);
  rtfHTML_->setContextMenuPolicy(Qt::NoContextMenu);
  rtfHTML_->setGeometry(rect());
  setFocusProxy(rtfHTML_);
  rtfHTML_->installEventFilter(this);
  rtfHTML_->viewport()->installEventFilter(this);
  // The document tells of an edit before the caret moves, so a change is passed on before the
  // selection change it causes; textChanged covers what the document reports alone.
  // Notifications that arrive during a pass (even one run from inside the edit that is being
  // reported) belong to the pass, so they neither count nor use up the guard.
  connect(rtfHTML_->document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
    wrapLongLines(from, added);
    if (busy_ || quiet_) return;
    changeSeen_ = true;
    rtfHTML_Change();
  });
  connect(rtfHTML_, &QTextEdit::textChanged, this, [this] {
    if (busy_ || quiet_ || std::exchange(changeSeen_, false)) return;
    rtfHTML_Change();
  });
  connect(rtfHTML_, &QTextEdit::cursorPositionChanged, this, &Corvel::rtfHTML_SelChange);
  connect(rtfHTML_, &QTextEdit::selectionChanged, this, &Corvel::rtfHTML_SelChange);
}

Corvel::~Corvel() = default;

void Corvel::setLook(bool& field, bool value, const char* name) {
  field = value;
  markChanged(name);
}

void Corvel::markChanged(const char* first, const char* second) {
  Q_EMIT PropertyChanged(QString::fromLatin1(first));
  if (second) Q_EMIT PropertyChanged(QString::fromLatin1(second));
}

void Corvel::setEntities(int lngNewValue) {
  if (lngNewValue < 0 || lngNewValue > 63)
    throw CorvelError(kInvalidArgument, QStringLiteral("Invalid procedure call or argument"));
  entities_ = lngNewValue;
}

bool Corvel::AutoVerbMenu() const { return rtfHTML_->contextMenuPolicy() == Qt::DefaultContextMenu; }

void Corvel::setAutoVerbMenu(bool blnNewValue) {
  rtfHTML_->setContextMenuPolicy(blnNewValue ? Qt::DefaultContextMenu : Qt::NoContextMenu);
  markChanged("AutoVerbMenu");
}

void Corvel::setEnabled(bool blnNewValue) {
  QWidget::setEnabled(blnNewValue);
  markChanged("Enabled");
}

void Corvel::setFileName(const QString& strNewValue) {
  fileName_ = strNewValue;
  markChanged("FileName");
}

void Corvel::setHideSelection(bool blnNewValue) {
  hideSelection_ = blnNewValue;
  QPalette palette = rtfHTML_->palette();
  const QPalette active = palette;
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   blnNewValue ? active.color(QPalette::Active, QPalette::Base)
                               : active.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   blnNewValue ? active.color(QPalette::Active, QPalette::Text)
                               : active.color(QPalette::Active, QPalette::HighlightedText));
  rtfHTML_->setPalette(palette);
  markChanged("HideSelection");
}

bool Corvel::Locked() const { return rtfHTML_->isReadOnly(); }

void Corvel::setLocked(bool blnNewValue) {
  rtfHTML_->setReadOnly(blnNewValue);
  // A locked box still lets the caret move and text be selected and copied.
  if (blnNewValue)
    rtfHTML_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  markChanged("Locked");
}

void Corvel::setMaxLength(int lngNewValue) {
  maxLength_ = lngNewValue < 0 ? 0 : lngNewValue;
  markChanged("MaxLength");
}

void Corvel::setMousePointer(int mpcNewValue) {
  mousePointer_ = mpcNewValue;
  applyPointer();
  markChanged("MousePointer");
}

void Corvel::setMouseIcon(const QPixmap& icon) {
  mouseIcon_ = icon;
  applyPointer();
}

void Corvel::applyPointer() {
  static const Qt::CursorShape kShapes[] = {
      Qt::IBeamCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
      Qt::SizeAllCursor,   Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
      Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
      Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor};
  QWidget* view = rtfHTML_->viewport();
  if (mousePointer_ == 99 && !mouseIcon_.isNull())
    view->setCursor(QCursor(mouseIcon_));
  else if (mousePointer_ > 0 && mousePointer_ < int(std::size(kShapes)))
    view->setCursor(kShapes[mousePointer_]);
  else
    view->setCursor(Qt::IBeamCursor);
}

float Corvel::RightMargin() const {
  return rtfHTML_->lineWrapMode() == QTextEdit::FixedPixelWidth ? float(rtfHTML_->lineWrapColumnOrWidth())
                                                                : 0.0f;
}

void Corvel::wrapLongLines(int from, int length) {
  const QTextDocument* doc = rtfHTML_->document();
  for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() <= from + length;
       block = block.next()) {
    if (block.length() <= kLongLine) continue;
    // Otherwise every drawing of the line drops its glyphs and the next one shapes it anew.
    block.layout()->setCacheEnabled(true);
    if (rtfHTML_->lineWrapMode() == QTextEdit::NoWrap) {
      rtfHTML_->setLineWrapMode(QTextEdit::WidgetWidth);
      wrappedLong_ = true;
    }
  }
}

void Corvel::setRightMargin(float sngNewValue) {
  wrappedLong_ = false;
  if (sngNewValue > 0) {
    rtfHTML_->setLineWrapMode(QTextEdit::FixedPixelWidth);
    rtfHTML_->setLineWrapColumnOrWidth(int(sngNewValue));
  } else {
    rtfHTML_->setLineWrapMode(QTextEdit::NoWrap);
  }
  markChanged("RightMargin");
}

QString Corvel::Text() const {
  // toPlainText() would also turn no-break spaces into blanks and U+2028 into line breaks.
  QString text = rtfHTML_->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, u'\n');
  return text;
}

void Corvel::setText(const QString& strNewValue) {
  {
    // The box reports the clearing and the filling apart, and would give the new text the look
    // of the character before the caret.
    const QScopedValueRollback quiet(quiet_, true);
    if (std::exchange(wrappedLong_, false)) rtfHTML_->setLineWrapMode(QTextEdit::NoWrap);
    rtfHTML_->setTextCursor(QTextCursor(rtfHTML_->document()));
    rtfHTML_->setCurrentCharFormat(QTextCharFormat());
    rtfHTML_->setPlainText(strNewValue);
  }
  rtfHTML_Change();
  rtfHTML_SelChange();
  markChanged("Text", "TextRTF");
}

int Corvel::SelStart() const { return rtfHTML_->textCursor().selectionStart(); }

void Corvel::setSelStart(int lngNewValue) {
  QTextCursor cursor = rtfHTML_->textCursor();
  const int end = rtfHTML_->document()->characterCount() - 1;
  cursor.setPosition(std::clamp(lngNewValue, 0, end));
  rtfHTML_->setTextCursor(cursor);
}

int Corvel::SelLength() const {
  const QTextCursor cursor = rtfHTML_->textCursor();
  return cursor.selectionEnd() - cursor.selectionStart();
}

void Corvel::setSelLength(int lngNewValue) {
  QTextCursor cursor = rtfHTML_->textCursor();
  const int start = cursor.selectionStart();
  const int end = rtfHTML_->document()->characterCount() - 1;
  cursor.setPosition(start);
  cursor.setPosition(std::clamp(start + std::max(lngNewValue, 0), start, end), QTextCursor::KeepAnchor);
  rtfHTML_->setTextCursor(cursor);
}

QString Corvel::SelText() const {
  QString text = rtfHTML_->textCursor().selectedText();
  text.replace(QChar::ParagraphSeparator, u'\n');
  return text;
}

void Corvel::setSelText(const QString& strNewValue) { rtfHTML_->textCursor().insertText(strNewValue); }

std::int32_t Corvel::hwnd() const { return std::int32_t(rtfHTML_->winId()); }

void Corvel::Refresh() { rtfHTML_->viewport()->repaint(); }

void Corvel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  rtfHTML_->setGeometry(0, 0, width(), height());
}

// --- forwarding of the inner box's events; all of them are dropped while busy ---

void Corvel::rtfHTML_Change() {
  if (busy_) return;
  changed_ = true;
  Q_EMIT Change();
}

void Corvel::rtfHTML_SelChange() {
  // Qt reports a caret move and a selection change apart; one move is one notification.
  if (quiet_) return;
  const QTextCursor cursor = rtfHTML_->textCursor();
  if (cursor.anchor() == lastAnchor_ && cursor.position() == lastPosition_) return;
  lastAnchor_ = cursor.anchor();
  lastPosition_ = cursor.position();
  if (busy_) return;
  autoColorize();
  Q_EMIT SelChange();
}

bool Corvel::eventFilter(QObject* watched, QEvent* event) {
  if (passThrough_ || busy_) return QWidget::eventFilter(watched, event);
  if (watched == rtfHTML_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      return rtfHTML_KeyDown(key) || rtfHTML_KeyPress(key);
    }
    if (event->type() == QEvent::KeyRelease) return rtfHTML_KeyUp(static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::InputMethod)
      return rtfHTML_InputMethod(static_cast<QInputMethodEvent*>(event));
  } else if (watched == rtfHTML_->viewport()) {
    return rtfHTML_Mouse(event);
  }
  return QWidget::eventFilter(watched, event);
}

bool Corvel::rtfHTML_KeyDown(QKeyEvent* event) {
  short keyCode = keycodes::fromQt(event->key());
  short shift = keycodes::shiftMask(event->modifiers());
  lineKey_ = keyCode == 13 || (keyCode >= 37 && keyCode <= 40);
  const short givenCode = keyCode;
  const short givenShift = shift;
  Q_EMIT KeyDown(keyCode, shift);
  if (keyCode == 0) return true;
  if (keyCode == givenCode && shift == givenShift) return false;
  // The host turned it into another key: the box gets that one instead.
  const int qtKey = keycodes::toQt(keyCode);
  if (qtKey == 0) return true;
  QString text;
  if (keyCode >= 'A' && keyCode <= 'Z' && !(shift & 6)) text = QChar(shift & 1 ? keyCode : keyCode + 32);
  QKeyEvent replacement(QEvent::KeyPress, qtKey, keycodes::modifiers(shift), text);
  deliverKey(&replacement, qtKey, text);
  return true;
}

void Corvel::deliverKey(QKeyEvent* original, int key, const QString& text) {
  QKeyEvent event(original->type(), key, original->modifiers(), text, original->isAutoRepeat());
  const bool outer = passThrough_;
  passThrough_ = true;
  QCoreApplication::sendEvent(rtfHTML_, &event);
  passThrough_ = outer;
}

bool Corvel::rtfHTML_KeyUp(QKeyEvent* event) {
  short keyCode = keycodes::fromQt(event->key());
  short shift = keycodes::shiftMask(event->modifiers());
  Q_EMIT KeyUp(keyCode, shift);
  return keyCode == 0;
}

bool Corvel::rtfHTML_Mouse(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
      type != QEvent::MouseButtonDblClick)
    return false;
  auto* mouse = static_cast<QMouseEvent*>(event);
  const Qt::MouseButton b = mouse->button();
  short button = short(b == Qt::LeftButton ? 1 : b == Qt::RightButton ? 2 : b == Qt::MiddleButton ? 4 : 0);
  short shift = keycodes::shiftMask(mouse->modifiers());
  float x = float(mouse->position().x());
  float y = float(mouse->position().y());
  if (type == QEvent::MouseButtonDblClick) {
    Q_EMIT DblClick();
    return false;
  }
  // A host that sets Button to 0 keeps the press or release from the box.
  const short given = button;
  if (type == QEvent::MouseButtonPress) {
    pressed_ = true;
    Q_EMIT MouseDown(button, shift, x, y);
    return given != 0 && button == 0;
  }
  Q_EMIT MouseUp(button, shift, x, y);
  if (pressed_) {
    pressed_ = false;
    Q_EMIT Click();
  }
  return given != 0 && button == 0;
}
