#pragma once

#include <QString>

#include <memory>

class QTranslator;

// The program's own texts (the player's status line, what stops a start) in the user's language,
// and Qt's own (the buttons of message boxes and dialogs). The program's translations are built
// in, Qt's come from the system (qt6-translations-l10n); the language is the one of lang.ini
// that the user chose ("taal"), never the system's locale.
class ProgramTranslation {
 public:
  ProgramTranslation();
  ~ProgramTranslation();
  ProgramTranslation(const ProgramTranslation&) = delete;
  ProgramTranslation& operator=(const ProgramTranslation&) = delete;

  // Takes the texts of a lang.ini language name: "Nederlands" gives Dutch, any other name
  // (english, an unknown or empty one) the texts as written. Takes effect at once.
  void use(const QString& language);
  // The locale in use: "nl", or "" for the texts as written.
  QString locale() const { return locale_; }

 private:
  std::unique_ptr<QTranslator> translator_;
  std::unique_ptr<QTranslator> qtTranslator_;
  QString locale_;
};
