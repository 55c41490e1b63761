#pragma once

#include <QList>
#include <QStringList>
#include <QStringView>

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
QList<QStringList> ScanTags(QStringView text, const QStringList& names);
