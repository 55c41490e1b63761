#include "language.h"

#include "ini.h"

namespace {
constexpr qsizetype kTextLimit = 199;
}

Language::Language(ProgramFolder folder, Prompt& prompt, std::function<QString()> currentLanguage)
    : folder_(std::move(folder)), prompt_(prompt), currentLanguage_(std::move(currentLanguage)) {}

QString Language::LangText(const QString& key) const {
  QString text = INI::ReadIni(folder_.langIni(), currentLanguage_(), key).left(kTextLimit);
  while (text.endsWith(u' ')) text.chop(1);
  return text;
}

void Language::ShowLangError(const QString& key) const {
  prompt_.message(Prompt::Icon::Critical, LangText(QStringLiteral("error0")), LangText(key));
}

void Language::ShowInfo(const QString& key, const QString& prefix) const {
  prompt_.message(Prompt::Icon::Information, LangText(QStringLiteral("error0")), prefix + LangText(key));
}

bool Language::Ask(const QString& key) const {
  return prompt_.question(LangText(QStringLiteral("error0")), LangText(key));
}

void Language::ShowPlain(const QString& key) const {
  prompt_.message(Prompt::Icon::None, kProgramTitle, LangText(key));
}
