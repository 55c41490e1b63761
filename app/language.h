#pragma once

#include <QString>

#include <functional>

#include "programfolder.h"
#include "prompt.h"
#include "version.h"

inline const QString kProgramTitle = QString::fromLatin1(Version::kProgramTitle);

// Texts from lang.ini in the current language, and the message boxes built from them.
// The language is asked for at every lookup, so a change takes effect at once.
class Language {
 public:
  Language(ProgramFolder folder, Prompt& prompt, std::function<QString()> currentLanguage);

  QString LangText(const QString& key) const;
  QString current() const { return currentLanguage_(); }

  // Critical icon, caption "error0".
  void ShowLangError(const QString& key) const;
  // Information icon, caption "error0"; prefix goes straight before the text.
  void ShowInfo(const QString& key, const QString& prefix = QString()) const;
  // Yes/No, caption "error0".
  bool Ask(const QString& key) const;
  // No icon, the program title as caption.
  void ShowPlain(const QString& key) const;

  Prompt& prompt() const { return prompt_; }
  const ProgramFolder& folder() const { return folder_; }

 private:
  ProgramFolder folder_;
  Prompt& prompt_;
  std::function<QString()> currentLanguage_;
};
