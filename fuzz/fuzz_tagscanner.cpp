// The tag scanner on any text: never crashes, and its contents stay within the scan budget.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

#include "directory/tagscanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  static const QStringList names = {QStringLiteral("naam"), QStringLiteral("url"),
                                    QStringLiteral("homepage")};
  try {
    const QList<QStringList> lists = scanTags(text, names);
    qsizetype contents = 0;
    for (const QStringList& list : lists)
      for (const QString& s : list) contents += s.size();
    if (contents > scanBudget(text.size())) std::abort();
  } catch (const TagListTooLarge&) {
  }
  return 0;
}
