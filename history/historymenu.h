#pragma once

class Language;
class QMenu;

// The tray menu's song history and record items ("historie", "opnemen"), after "stopspelen",
// captioned in the current language each time the menu opens.
void addHistoryItems(QMenu& menu, const Language& language);
// Captions those items in the current language (the language changed).
void captionHistoryItems(QMenu& menu, const Language& language);
