#pragma once

#include <QString>

// Station names come from the directory and song titles from the stream: either may be any
// length and hold line breaks. The desktop (MPRIS, notifications, the messenger) shows them as
// one line, so they go out folded and cut.
inline constexpr qsizetype kMaxDesktopText = 200;

// Each run of line breaks and other control characters becomes one blank; a longer text is
// cut to at most maxCharacters (whole characters, the last of them "…").
QString desktopText(const QString& text, qsizetype maxCharacters = kMaxDesktopText);
