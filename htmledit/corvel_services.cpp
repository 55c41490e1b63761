// Entity conversion, automatic re-emphasis, line queries, search, character-set moves, files,
// printing and tab stops.
#include <QCoreApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPrinter>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include <algorithm>

#include "corvel.h"
#include "htmledit_log.h"

namespace {

struct EntityRow {
  short code;
  int bit;
  const char* text;
};

// Compared in this order; the first row with the typed code decides.
constexpr EntityRow kEntityTable[] = {
    {34, 1, "&quot;"},    {167, 2, "&sect;"}, {196, 4, "&Auml;"}, {214, 8, "&Ouml;"},  {220, 16, "&Uuml;"},
    {223, 32, "&szlig;"}, {228, 4, "&auml;"}, {246, 8, "&ouml;"}, {252, 16, "&uuml;"},
};

int qtKeyForCharacter(short keyAscii, int typedKey) {
  switch (keyAscii) {
    case 8:
      return Qt::Key_Backspace;
    case 9:
      return Qt::Key_Tab;
    case 13:
      return Qt::Key_Return;
    case 27:
      return Qt::Key_Escape;
    default:
      return typedKey;
  }
}

}  // namespace

bool Corvel::rtfHTML_KeyPress(QKeyEvent* event) {
  const QString typedText = event->text();
  if (typedText.isEmpty()) return false;
  const short given = short(typedText.at(0).unicode());
  const short keyAscii = typed(given);
  if (keyAscii == 0) return true;
  if (keyAscii == given) return false;
  const QString text = QString(QChar(char16_t(keyAscii)));
  deliverKey(event, qtKeyForCharacter(keyAscii, event->key()), text);
  return true;
}

// One typed character: the entity conversion, the host's KeyPress and MaxLength. Gives what
// the box is to insert, 0 for nothing.
short Corvel::typed(short keyAscii) {
  if (entities_ != 0) {
    for (const EntityRow& row : kEntityTable) {
      if (row.code != keyAscii) continue;
      if (entities_ & row.bit) {
        keyAscii = 0;
        typeEntity(QString::fromLatin1(row.text));
      }
      break;
    }
  }
  Q_EMIT KeyPress(keyAscii);
  if (keyAscii == 0) return 0;
  const bool printable = keyAscii >= 32 || keyAscii < 0 || keyAscii == 9;
  const int length = rtfHTML_->document()->characterCount() - 1;
  if (printable && maxLength_ > 0 && length - SelLength() >= maxLength_) return 0;
  return keyAscii;
}

// Dead keys, compose and input methods commit text here instead of in key presses: each
// character of the commit is typed as a key press would type it.
bool Corvel::rtfHTML_InputMethod(QInputMethodEvent* event) {
  const QString commit = event->commitString();
  if (commit.isEmpty()) return false;
  const QList<QInputMethodEvent::Attribute> attributes = event->attributes();
  if (event->replacementLength() != 0) {
    QInputMethodEvent replace;
    replace.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    commitText(replace);
  }
  for (qsizetype i = 0; i < commit.size(); ++i) {
    // A character outside the 16-bit range is passed as its first half, as key presses do.
    const qsizetype units = commit[i].isHighSurrogate() && i + 1 < commit.size() ? 2 : 1;
    const short given = short(commit[i].unicode());
    const short keyAscii = typed(given);
    if (keyAscii != 0) {
      QInputMethodEvent one;
      one.setCommitString(keyAscii == given ? commit.mid(i, units) : QString(QChar(char16_t(keyAscii))));
      commitText(one);
    }
    i += units - 1;
  }
  if (!event->preeditString().isEmpty()) {
    QInputMethodEvent preedit(event->preeditString(), attributes);
    commitText(preedit);
  }
  return true;
}

void Corvel::commitText(QInputMethodEvent& event) {
  const QScopedValueRollback outer(passThrough_, true);
  QCoreApplication::sendEvent(rtfHTML_, &event);
}

// The entity arrives as ordinary typing, with the box's own notifications, before returning.
void Corvel::typeEntity(const QString& entity) {
  for (const QChar ch : entity) {
    const int key = ch.toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
    QCoreApplication::sendEvent(rtfHTML_, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
    QCoreApplication::sendEvent(rtfHTML_, &release);
  }
}

void Corvel::autoColorize() {
  if (!changed_) return;
  changed_ = false;
  busy_ = true;
  if (recordedLine_ == 0) recordedLine_ = GetLineSelected() + 1;
  if (autoColorize_ && lineKey_) {
    const int current = GetLineSelected() + 1;
    const int recorded = recordedLine_;
    int a = -1;
    int b = -1;
    if (current > recorded) {
      a = GetLineFirstCharIndex(recorded - 1);
      b = GetLineFirstCharIndex(-1);
    } else if (current < recorded) {
      a = GetLineFirstCharIndex(-1);
      b = GetLineFirstCharIndex(recorded);
    }
    // Character indexes go in as positions: the pass takes in the line break before the first line.
    if (current != recorded && a >= 0 && b >= 0) {
      try {
        Colorize(a, b);
      } catch (const std::exception& e) {
        qCWarning(lcHtmlEdit) << "re-emphasis failed:" << e.what();
      }
    }
  }
  busy_ = false;
  recordedLine_ = GetLineSelected() + 1;
}

int Corvel::GetLineCount() const { return rtfHTML_->document()->blockCount(); }

int Corvel::GetLineFirstCharIndex(int lngLineIndex) const {
  if (lngLineIndex == -1) return rtfHTML_->textCursor().block().position();
  const QTextBlock block = rtfHTML_->document()->findBlockByNumber(lngLineIndex);
  return lngLineIndex >= 0 && block.isValid() ? block.position() : -1;
}

int Corvel::GetLineFromChar(int lngCharIndex) const {
  const QTextDocument* doc = rtfHTML_->document();
  const QTextBlock block = doc->findBlock(std::max(lngCharIndex, 0));
  return block.isValid() ? block.blockNumber() : doc->blockCount() - 1;
}

int Corvel::GetLineSelected() const {
  const QTextCursor cursor = rtfHTML_->textCursor();
  return rtfHTML_->document()->findBlock(cursor.selectionStart()).blockNumber();
}

int Corvel::Find(const QString& strString, int lngStart, int lngEnd, int fndOptions) {
  // 0 stands for "not given": the search then runs from the start or to the end of the text.
  QTextDocument* doc = rtfHTML_->document();
  const int length = doc->characterCount() - 1;
  const int from = lngStart != 0 ? lngStart : 0;
  const int to = lngEnd != 0 ? std::min(lngEnd, length) : length;
  if (strString.isEmpty() || from < 0 || from > length) return -1;
  QTextDocument::FindFlags flags;
  if (fndOptions & rtfWholeWord) flags |= QTextDocument::FindWholeWords;
  if (fndOptions & rtfMatchCase) flags |= QTextDocument::FindCaseSensitively;
  const QTextCursor found = doc->find(strString, from, flags);
  if (found.isNull() || found.selectionEnd() > to) return -1;
  if (!(fndOptions & rtfNoHighlight)) rtfHTML_->setTextCursor(found);
  return found.selectionStart();
}

namespace {
bool counts(const QString& set, QChar ch, bool negate) { return set.contains(ch) != negate; }
}  // namespace

void Corvel::Span(const QString& strString, bool blnGoForward, bool blnNegate) {
  const QString text = Text();
  QTextCursor cursor = rtfHTML_->textCursor();
  int anchor = blnGoForward ? cursor.selectionStart() : cursor.selectionEnd();
  int pos = blnGoForward ? cursor.selectionEnd() : cursor.selectionStart();
  if (blnGoForward)
    while (pos < text.size() && counts(strString, text[pos], blnNegate)) ++pos;
  else
    while (pos > 0 && counts(strString, text[pos - 1], blnNegate)) --pos;
  cursor.setPosition(anchor);
  cursor.setPosition(pos, QTextCursor::KeepAnchor);
  rtfHTML_->setTextCursor(cursor);
}

void Corvel::UpTo(const QString& strString, bool blnGoForward, bool blnNegate) {
  const QString text = Text();
  QTextCursor cursor = rtfHTML_->textCursor();
  int pos = blnGoForward ? cursor.selectionEnd() : cursor.selectionStart();
  if (blnGoForward)
    while (pos < text.size() && !counts(strString, text[pos], blnNegate)) ++pos;
  else
    while (pos > 0 && !counts(strString, text[pos - 1], blnNegate)) --pos;
  cursor.setPosition(pos);
  rtfHTML_->setTextCursor(cursor);
}

void Corvel::LoadFile(const QString& strFilePath) {
  QFile file(strFilePath);
  if (!file.open(QIODevice::ReadOnly))
    throw CorvelError(file.exists() ? 75 : 53, strFilePath + QStringLiteral(": ") + file.errorString());
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw CorvelError(75, strFilePath + QStringLiteral(": ") + file.errorString());
  textfile::Decoded decoded;
  try {
    decoded = textfile::decode(bytes);
  } catch (const std::exception& e) {
    throw CorvelError(75, strFilePath + QStringLiteral(": ") + QString::fromUtf8(e.what()));
  }
  setText(decoded.text);
  form_ = decoded.form;
  loadedBytes_ = bytes;
  loadedText_ = Text();
  setFileName(strFilePath);
}

void Corvel::SaveFile(const QString& strFilePath) {
  const QString text = Text();
  // The box keeps one kind of line break and no U+2029: only an edited text is encoded anew.
  const QByteArray bytes =
      text == loadedText_ && !loadedBytes_.isEmpty() ? loadedBytes_ : textfile::encode(text, form_);
  QSaveFile file(strFilePath);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit())
    throw CorvelError(75, strFilePath + QStringLiteral(": ") + file.errorString());
  setFileName(strFilePath);
}

void Corvel::SelPrint(QPrinter& printer) const {
  const QTextCursor cursor = rtfHTML_->textCursor();
  if (!cursor.hasSelection()) {
    rtfHTML_->document()->print(&printer);
    return;
  }
  QTextDocument part;
  part.setDefaultFont(rtfHTML_->document()->defaultFont());
  QTextCursor(&part).insertFragment(cursor.selection());
  part.print(&printer);
}

namespace {
QList<QTextOption::Tab> tabsOf(const QTextEdit* box) {
  return box->textCursor().blockFormat().tabPositions();
}

void setTabs(QTextEdit* box, const QList<QTextOption::Tab>& tabs) {
  QTextBlockFormat format;
  format.setTabPositions(tabs);
  box->textCursor().mergeBlockFormat(format);
}

constexpr qreal kDefaultTabStep = 48;
}  // namespace

QVariant Corvel::SelTabCount() const { return int(tabsOf(rtfHTML_).size()); }

void Corvel::setSelTabCount(const QVariant& vntNewValue) {
  bool ok = false;
  const int count = vntNewValue.toInt(&ok);
  if (!ok || count < 0 || count > 32) throw CorvelError(380, QStringLiteral("Invalid property value"));
  QList<QTextOption::Tab> tabs = tabsOf(rtfHTML_);
  while (tabs.size() > count) tabs.removeLast();
  while (tabs.size() < count)
    tabs.append(QTextOption::Tab((tabs.size() + 1) * kDefaultTabStep, QTextOption::LeftTab));
  setTabs(rtfHTML_, tabs);
}

QVariant Corvel::SelTabs(short Index) const {
  const QList<QTextOption::Tab> tabs = tabsOf(rtfHTML_);
  if (Index < 0 || Index >= tabs.size())
    throw CorvelError(381, QStringLiteral("Invalid property array index"));
  return tabs[Index].position;
}

void Corvel::setSelTabs(short Index, const QVariant& vntNewValue) {
  QList<QTextOption::Tab> tabs = tabsOf(rtfHTML_);
  bool ok = false;
  const qreal position = vntNewValue.toDouble(&ok);
  if (Index < 0 || Index >= tabs.size())
    throw CorvelError(381, QStringLiteral("Invalid property array index"));
  if (!ok || position < 0) throw CorvelError(380, QStringLiteral("Invalid property value"));
  tabs[Index].position = position;
  setTabs(rtfHTML_, tabs);
}
