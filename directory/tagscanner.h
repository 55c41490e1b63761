#pragma once

#include <QList>
#include <QStringList>
#include <QStringView>

#include <stdexcept>

// Reads a tag list, the directory's answer format: elements "<name>content</name>" in plain
// text, everything else skipped.
//
// Returns one list per entry of names (same order), each with the contents of that name's
// elements in the order of their opening tags. At each "<" the names are tried in their
// order; the first whose opening tag is there and whose closing tag follows anywhere later
// takes that position. Tags match in any letter case (per character upper case), contents
// are kept as they stand, and scanning goes on right after the "<", so elements written
// inside another element's content are found too. Lists are not paired: a station without
// a "homepage" shifts every later home page by one.
//
// Linear in the length of the text. Names must not contain '<', '/' or '>'
// (std::invalid_argument otherwise).
//
// Nested openings repeat the text they enclose, so contents could grow with the square of
// the text. Once all contents together would pass kScanGrowth times the text's length (and
// never more than kMaxScanChars), the scan stops with TagListTooLarge.
inline constexpr qsizetype kScanGrowth = 4;
inline constexpr qsizetype kMaxScanChars = 32 * 1024 * 1024;  // 64 MiB of UTF-16

class TagListTooLarge : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The most content characters a text of this length may yield.
inline qsizetype scanBudget(qsizetype textLength) {
  return textLength > kMaxScanChars / kScanGrowth ? kMaxScanChars : kScanGrowth * textLength;
}

QList<QStringList> scanTags(QStringView text, const QStringList& names);
