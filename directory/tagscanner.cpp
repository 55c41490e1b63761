#include "tagscanner.h"

#include <QChar>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <stdexcept>
#include <string>
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

// Position of the last '<' before end, or -1.
inline qsizetype lastOpenBracket(const char16_t* t, qsizetype end) {
#ifdef __SSE2__
  const __m128i bracket = _mm_set1_epi16(short(u'<'));
  while (end >= 8) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + end - 8));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(chunk, bracket));
    if (mask) return end - 8 + (31 - __builtin_clz(unsigned(mask))) / 2;
    end -= 8;
  }
#endif
  while (--end >= 0)
    if (t[end] == u'<') return end;
  return -1;
}

}  // namespace

QList<QStringList> scanTags(QStringView text, const QStringList& names) {
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

  // Backwards, so the nearest closing tag of each name at or after a position is known when
  // an opening tag is met there. A "<" in the last place starts no tag, not even "<>".
  const char16_t* t = text.utf16();
  const qsizetype n = text.size();
  QList<QStringList> lists(count);
  std::vector<qsizetype> nearestClosing(static_cast<size_t>(count), -1);
  const qsizetype budget = scanBudget(n);
  qsizetype taken = 0;
  for (qsizetype p = lastOpenBracket(t, n - 1); p >= 0; p = lastOpenBracket(t, p)) {
    const qsizetype left = n - p;
    if (t[p + 1] == u'/') {
      for (qsizetype k = 0; k < count; ++k) {
        const std::u16string& name = upperNames[size_t(k)];
        const qsizetype len = qsizetype(name.size());
        if (left >= len + 3 && t[p + len + 2] == u'>' && matchesName(t + p + 2, name))
          nearestClosing[size_t(k)] = p;
      }
      continue;
    }
    for (qsizetype k = 0; k < count; ++k) {
      const std::u16string& name = upperNames[size_t(k)];
      const qsizetype len = qsizetype(name.size());
      const qsizetype closing = nearestClosing[size_t(k)];
      // Unclosed: the next name may still match here.
      if (closing < 0 || left < len + 2 || t[p + len + 1] != u'>' || !matchesName(t + p + 1, name)) continue;
      const qsizetype start = p + len + 2;
      taken += closing - start;
      if (taken > budget)
        throw TagListTooLarge("tag list contents pass " + std::to_string(budget) + " characters");
      lists[k].append(text.sliced(start, closing - start).toString());
      break;
    }
  }
  for (QStringList& list : lists) std::reverse(list.begin(), list.end());
  return lists;
}
