#include "translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app_log.h"

namespace {
// lang.ini's language names (any letter case) that have translations.
struct Known {
  const char* language;
  const char* locale;
};
constexpr Known kKnown[] = {{"Nederlands", "nl"}};

QString localeOf(const QString& language) {
  for (const Known& k : kKnown)
    if (language.trimmed().compare(QLatin1String(k.language), Qt::CaseInsensitive) == 0)
      return QLatin1String(k.locale);
  return {};
}
}  // namespace

ProgramTranslation::ProgramTranslation() = default;

// The translator leaves the application as it is destroyed.
ProgramTranslation::~ProgramTranslation() = default;

void ProgramTranslation::use(const QString& language) {
  const QString locale = localeOf(language);
  if (locale == locale_) return;
  translator_.reset();
  qtTranslator_.reset();
  locale_.clear();
  if (locale.isEmpty()) return;
  auto qt = std::make_unique<QTranslator>();
  if (qt->load(QStringLiteral("qtbase_") + locale, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(qt.get()))
    qtTranslator_ = std::move(qt);
  else
    qCWarning(lcApp) << "no Qt translation for" << locale << "- Qt's own buttons stay in English";
  auto translator = std::make_unique<QTranslator>();
  const QString file = QStringLiteral(":/i18n/vantor_") + locale + QStringLiteral(".qm");
  if (!translator->load(file) || !QCoreApplication::installTranslator(translator.get())) {
    qCWarning(lcApp) << "no translation" << file << "- the program's own texts stay in English";
    return;
  }
  translator_ = std::move(translator);
  locale_ = locale;
}
