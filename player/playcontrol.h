#pragma once

#include <QString>

#include <functional>
#include <initializer_list>

class Language;
class Listening;
class QListWidget;
class QWidget;

// The play button: stops a station that plays or is on its way, starts a stopped or ready
// player again; other states (paused, undefined) leave it alone.
void togglePlay(Listening& listening);

// The language key of the play button's caption in a state; empty when it keeps its caption.
QString playButtonKey(int playState);

// Each control shows the language text named by its object name in lower case
// ("Label12" shows "label12"). Labels and buttons.
void showLanguageTexts(const Language& language, std::initializer_list<QWidget*> controls);

// Return or Enter on a list with a current row acts as a click on it.
void activateOnEnter(QListWidget* list, std::function<void()> click);
