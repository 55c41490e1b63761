#include "language.h"

#include "ini.h"

namespace {
constexpr qsizetype kTextLimit = 199;
const QString kFallbackLanguage = QStringLiteral("english");
}  // namespace

Language::Language(ProgramFolder folder, Prompt& prompt, std::function<QString()> currentLanguage)
    : folder_(std::move(folder)), prompt_(prompt), currentLanguage_(std::move(currentLanguage)) {}

QString Language::LangText(const QString& key) const { return textIn(currentLanguage_(), key); }

QString Language::textIn(const QString& language, const QString& key) const {
  QString text = INI::ReadIni(folder_.langIni(), language, key).left(kTextLimit);
  while (text.endsWith(u' ')) text.chop(1);
  return text;
}

// A box must say something even when the language is unknown (a broken inst.ini) or lacks the key.
QString Language::boxText(const QString& key) const {
  const QString text = LangText(key);
  return text.isEmpty() ? textIn(kFallbackLanguage, key) : text;
}

void Language::ShowLangError(const QString& key, const QString& detail) const {
  QString text = boxText(key);
  if (!detail.isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + detail;
  prompt_.message(Prompt::Icon::Critical, boxText(QStringLiteral("error0")), text);
}

void Language::ShowError(const QString& text) const {
  prompt_.message(Prompt::Icon::Critical, boxText(QStringLiteral("error0")), text);
}

void Language::ShowInfo(const QString& key, const QString& prefix) const {
  prompt_.message(Prompt::Icon::Information, boxText(QStringLiteral("error0")), prefix + boxText(key));
}

bool Language::Ask(const QString& key) const {
  return prompt_.question(boxText(QStringLiteral("error0")), boxText(key));
}

void Language::ShowPlain(const QString& key) const {
  prompt_.message(Prompt::Icon::None, kProgramTitle, boxText(key));
}
