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

  // Message boxes: a text that is empty in the current language is taken from "english".
  // Critical icon, caption "error0"; a detail goes on a paragraph of its own after the text.
  void ShowLangError(const QString& key, const QString& detail = QString()) const;
  // Critical icon, caption "error0", a text of the program's own.
  void ShowError(const QString& text) const;
  // Information icon, caption "error0"; prefix goes straight before the text.
  void ShowInfo(const QString& key, const QString& prefix = QString()) const;
  // Yes/No, caption "error0".
  bool Ask(const QString& key) const;
  // No icon, the program title as caption.
  void ShowPlain(const QString& key) const;

  Prompt& prompt() const { return prompt_; }
  const ProgramFolder& folder() const { return folder_; }

 private:
  QString textIn(const QString& language, const QString& key) const;
  QString boxText(const QString& key) const;

  ProgramFolder folder_;
  Prompt& prompt_;
  std::function<QString()> currentLanguage_;
};
