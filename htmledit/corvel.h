#pragma once

#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <cstdint>
#include <stdexcept>

#include "colorize.h"
#include "textfile.h"

class QPrinter;
class QTextEdit;
class QKeyEvent;
class QInputMethodEvent;
class PropertyBag;

// A property refused its value; number 5 is the invalid-argument error.
class CorvelError : public std::runtime_error {
 public:
  CorvelError(int number, const QString& what) : std::runtime_error(what.toStdString()), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

// An editor for HTML source around one rich-text box, rtfHTML, which fills it. It marks the
// markup in bold and italic (Colorize), turns typed special characters into entities, re-marks
// edited lines when the caret leaves them, and passes the box's events on by reference.
class Corvel final : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kInvalidArgument = 5;
  static constexpr std::uint32_t kSystemWindowBackground = 0x80000005;
  // Find options, as the rich-text box knows them.
  static constexpr int rtfWholeWord = 2;
  static constexpr int rtfMatchCase = 4;
  static constexpr int rtfNoHighlight = 8;

  explicit Corvel(QWidget* parent = nullptr);
  ~Corvel() override;

  QTextEdit* box() const { return rtfHTML_; }

  // Own properties.
  bool AutoColorize() const { return autoColorize_; }
  void setAutoColorize(bool blnNewValue) { autoColorize_ = blnNewValue; }
  bool CommentBold() const { return looks_.comment.bold; }
  void setCommentBold(bool blnNewValue) { setLook(looks_.comment.bold, blnNewValue, "CommentBold"); }
  bool CommentItalic() const { return looks_.comment.italic; }
  void setCommentItalic(bool blnNewValue) { setLook(looks_.comment.italic, blnNewValue, "CommentItalic"); }
  int Entities() const { return entities_; }
  // Throws CorvelError 5 for a value outside 0..63 and keeps the old one.
  void setEntities(int lngNewValue);
  bool EntityBold() const { return looks_.entity.bold; }
  void setEntityBold(bool blnNewValue) { setLook(looks_.entity.bold, blnNewValue, "EntityBold"); }
  bool EntityItalic() const { return looks_.entity.italic; }
  void setEntityItalic(bool blnNewValue) { setLook(looks_.entity.italic, blnNewValue, "EntityItalic"); }
  bool PropNameBold() const { return looks_.propName.bold; }
  void setPropNameBold(bool blnNewValue) { setLook(looks_.propName.bold, blnNewValue, "PropNameBold"); }
  bool PropNameItalic() const { return looks_.propName.italic; }
  void setPropNameItalic(bool blnNewValue) { setLook(looks_.propName.italic, blnNewValue, "PropNameItalic"); }
  bool PropValBold() const { return looks_.propVal.bold; }
  void setPropValBold(bool blnNewValue) { setLook(looks_.propVal.bold, blnNewValue, "PropValBold"); }
  bool PropValItalic() const { return looks_.propVal.italic; }
  void setPropValItalic(bool blnNewValue) { setLook(looks_.propVal.italic, blnNewValue, "PropValItalic"); }
  bool Silent() const { return silent_; }
  void setSilent(bool blnNewValue) { setLook(silent_, blnNewValue, "Silent"); }
  bool TagBold() const { return looks_.tag.bold; }
  void setTagBold(bool blnNewValue) { setLook(looks_.tag.bold, blnNewValue, "TagBold"); }
  bool TagItalic() const { return looks_.tag.italic; }
  void setTagItalic(bool blnNewValue) { setLook(looks_.tag.italic, blnNewValue, "TagItalic"); }
  // A QProgressBar (Min 0, Max 100, Value) or an HtPrgBar (Percent); anything else gets no progress.
  QObject* ProgressBar() const { return progressBar_; }
  void setProgressBar(QObject* objNewValue) { progressBar_ = objNewValue; }

  // Passed through to the inner box.
  bool AutoVerbMenu() const;
  void setAutoVerbMenu(bool blnNewValue);
  bool Enabled() const { return isEnabled(); }
  void setEnabled(bool blnNewValue);
  // The name of the file last loaded or saved; assigning it loads nothing.
  QString FileName() const { return fileName_; }
  void setFileName(const QString& strNewValue);
  bool HideSelection() const { return hideSelection_; }
  void setHideSelection(bool blnNewValue);
  bool Locked() const;
  void setLocked(bool blnNewValue);
  // Typing, pasting and dropping stop at this many characters; 0 means no limit. Assigned text
  // is never cut.
  int MaxLength() const { return maxLength_; }
  void setMaxLength(int lngNewValue);
  // 0 default, 1 arrow, 2 cross, 3 I-beam, 5 size all, 6..9 sizes, 10 up arrow, 11 wait,
  // 12 no drop, 13 busy, 14 what's this, 15 size all, 99 the MouseIcon.
  int MousePointer() const { return mousePointer_; }
  void setMousePointer(int mpcNewValue);
  QPixmap MouseIcon() const { return mouseIcon_; }
  void setMouseIcon(const QPixmap& icon);
  // A right margin above 0 wraps lines at that width (pixels); 0 keeps lines unwrapped, except
  // lines of over 10,000 characters, which wrap at the box's width.
  float RightMargin() const;
  void setRightMargin(float sngNewValue);
  // The text as assigned: line breaks come back as "\n", everything else unchanged.
  QString Text() const;
  // Plain text, one Change.
  void setText(const QString& strNewValue);
  // The content as RTF: plain text with bold and italic runs and the base font.
  QString TextRTF() const;
  void setTextRTF(const QString& strNewValue);
  int SelStart() const;
  void setSelStart(int lngNewValue);
  int SelLength() const;
  void setSelLength(int lngNewValue);
  QString SelText() const;
  void setSelText(const QString& strNewValue);
  std::int32_t hwnd() const;
  void Refresh();

  // Marking pass over 1-based positions start..end, 0 meaning the first / the last.
  void Colorize(int lngStartPos, int lngEndPos);

  // Editing services.
  int Find(const QString& strString, int lngStart = 0, int lngEnd = 0, int fndOptions = 0);
  int GetLineCount() const;
  int GetLineFirstCharIndex(int lngLineIndex) const;
  int GetLineFromChar(int lngCharIndex) const;
  int GetLineSelected() const;
  // Throws CorvelError for a file that cannot be read or is not text.
  void LoadFile(const QString& strFilePath);
  // In the encoding and with the line breaks of the file last loaded (UTF-8 and "\n" without
  // one); an unedited text is written back byte for byte.
  void SaveFile(const QString& strFilePath);
  void SelPrint(QPrinter& printer) const;
  void Span(const QString& strString, bool blnGoForward, bool blnNegate);
  void UpTo(const QString& strString, bool blnGoForward, bool blnNegate);
  QVariant SelTabCount() const;
  void setSelTabCount(const QVariant& vntNewValue);
  QVariant SelTabs(short Index) const;
  void setSelTabs(short Index, const QVariant& vntNewValue);

  // Stored with the settings but not properties: the box's background (a colour as 0x00BBGGRR
  // or 0x80000005 for the system's window background) and its font.
  std::uint32_t backColor() const;
  void setBackColor(std::uint32_t colour);
  QFont boxFont() const;
  void setBoxFont(const QFont& font);
  // The host's font, which a new control's box takes.
  QFont ambientFont() const;

  // Stored settings, in their fixed order.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  bool isBusy() const { return busy_; }
  int recordedLine() const { return recordedLine_; }

 Q_SIGNALS:
  // A designer host learns here that the stored settings need saving.
  void PropertyChanged(const QString& name);

  void Change();
  void Click();
  void DblClick();
  void KeyDown(short& KeyCode, short& Shift);
  void KeyPress(short& KeyAscii);
  void KeyUp(short& KeyCode, short& Shift);
  void MouseDown(short& Button, short& Shift, float& X, float& Y);
  void MouseMove(short& Button, short& Shift, float& X, float& Y);
  void MouseUp(short& Button, short& Shift, float& X, float& Y);
  void SelChange();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setLook(bool& field, bool value, const char* name);
  void markChanged(const char* first, const char* second = nullptr);
  void applyPointer();
  void wrapLongLines(int from, int length);

  // Forwarding handlers.
  void rtfHTML_Change();
  void rtfHTML_SelChange();
  bool rtfHTML_KeyDown(QKeyEvent* event);
  bool rtfHTML_KeyPress(QKeyEvent* event);
  bool rtfHTML_KeyUp(QKeyEvent* event);
  bool rtfHTML_InputMethod(QInputMethodEvent* event);
  short typed(short keyAscii);
  void commitText(QInputMethodEvent& event);
  bool rtfHTML_Mouse(QEvent* event);

  void typeEntity(const QString& entity);
  void deliverKey(QKeyEvent* original, int key, const QString& text);
  void autoColorize();

  QTextEdit* rtfHTML_ = nullptr;
  colorize::Looks looks_;
  bool autoColorize_ = true;
  bool silent_ = true;
  int entities_ = 62;
  QPointer<QObject> progressBar_;
  QString fileName_;
  bool hideSelection_ = false;
  int maxLength_ = 0;
  int mousePointer_ = 0;
  QPixmap mouseIcon_;

  textfile::Form form_;     // of the file last loaded
  QByteArray loadedBytes_;  // that file as read ...
  QString loadedText_;      // ... and the text it gave

  bool busy_ = false;
  bool wrappedLong_ = false;  // wrapped for a long line, not by RightMargin
  bool quiet_ = false;        // the box's notifications are dropped while Text is assigned
  bool lineKey_ = false;
  bool changed_ = false;
  int recordedLine_ = 0;
  bool changeSeen_ = false;   // the document reported the edit that textChanged reports next
  bool passThrough_ = false;  // a key we deliver ourselves, already forwarded
  int lastAnchor_ = 0;
  int lastPosition_ = 0;
  bool pressed_ = false;
};
