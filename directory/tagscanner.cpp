#include "tagscanner.h"

#include <QChar>

#include <stdexcept>
#include <vector>

namespace {

inline char16_t upper(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
  // Outside ASCII too: 'ı' and 'ſ' turn into 'I' and 'S'.
  return char16_t(QChar::toUpper(char32_t(c)));
}

// Whether the upper case of text[at, at + name.size()) is name (already upper case).
inline bool matchesName(const char16_t* at, const std::u16string& name) {
  for (size_t k = 0; k < name.size(); ++k)
    if (upper(at[k]) != name[k]) return false;
  return true;
}

struct Opening {
  qsizetype position;  // of the "<"
  qsizetype name;
};

}  // namespace

QList<QStringList> ScanTags(QStringView text, const QStringList& names) {
  const qsizetype count = names.size();
  std::vector<std::u16string> upperNames;
  upperNames.reserve(size_t(count));
  for (const QString& name : names) {
    std::u16string u;
    for (QChar c : name) {
      if (c == u'<' || c == u'/' || c == u'>')
        throw std::invalid_argument("element name with '<', '/' or '>'");
      u.push_back(upper(c.unicode()));
    }
    upperNames.push_back(std::move(u));
  }

  // One pass finds every tag; each "<" starts at most one tag per name.
  const char16_t* t = text.utf16();
  const qsizetype n = text.size();
  std::vector<Opening> openings;
  std::vector<std::vector<qsizetype>> closings(static_cast<size_t>(count));
  for (qsizetype p = text.indexOf(u'<'); p >= 0; p = text.indexOf(u'<', p + 1)) {
    const qsizetype left = n - p;
    if (left < 2) break;  // even "<>" does not fit
    for (qsizetype k = 0; k < count; ++k) {
      const std::u16string& name = upperNames[size_t(k)];
      const qsizetype len = qsizetype(name.size());
      if (t[p + 1] == u'/') {
        if (left >= len + 3 && t[p + len + 2] == u'>' && matchesName(t + p + 2, name))
          closings[size_t(k)].push_back(p);
      } else if (left >= len + 2 && t[p + len + 1] == u'>' && matchesName(t + p + 1, name)) {
        openings.push_back({p, k});
      }
    }
  }

  // An opening takes the first closing of its name at or after it; openings ascend, so one
  // forward pointer per name is enough.
  QList<QStringList> lists(count);
  std::vector<size_t> next(size_t(count), 0);
  qsizetype taken = -1;  // position already filled by an earlier name
  for (const Opening& o : openings) {
    if (o.position == taken) continue;
    const std::vector<qsizetype>& c = closings[size_t(o.name)];
    size_t& j = next[size_t(o.name)];
    while (j < c.size() && c[j] < o.position) ++j;
    if (j == c.size()) continue;  // unclosed: the next name may still match here
    const qsizetype start = o.position + qsizetype(upperNames[size_t(o.name)].size()) + 2;
    lists[o.name].append(text.sliced(start, c[j] - start).toString());
    taken = o.position;
  }
  return lists;
}
