#pragma once

#include <QString>

class QWidget;

// Restores the window if minimised (also when hidden), shows it, raises it and activates it;
// with a token from the desktop (a later start's launcher token), the activation uses it.
void bringToFront(QWidget* window, const QString& activationToken = {});
