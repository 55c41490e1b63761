#pragma once

#include <QString>

#include <stdexcept>

#include "app_log.h"
#include "language.h"

// A step of a handler that cannot be done. Handlers run their steps inside trapped(), which
// turns any failure into the handler's own error message.
class StepFailed : public std::runtime_error {
 public:
  explicit StepFailed(const QString& what) : std::runtime_error(what.toStdString()) {}
};

// A step given up because the program is ending: the handler stops without a message.
class StepAbandoned : public StepFailed {
 public:
  using StepFailed::StepFailed;
};

// Runs the steps; on a failure the rest is skipped and the handler's error text is shown.
// Returns whether all steps ran.
template <typename Steps>
bool trapped(const Language& language, const QString& errorKey, Steps&& steps) {
  try {
    steps();
    return true;
  } catch (const StepAbandoned& e) {
    qCInfo(lcApp) << errorKey << e.what();
    return false;
  } catch (const std::exception& e) {
    qCWarning(lcApp) << errorKey << e.what();
    language.ShowLangError(errorKey);
    return false;
  }
}

// The same for handlers whose failure is silent.
template <typename Steps>
bool trappedQuietly(Steps&& steps) {
  try {
    steps();
    return true;
  } catch (const std::exception& e) {
    qCDebug(lcApp) << "quiet failure:" << e.what();
    return false;
  }
}

// A whole number from a stored text; blanks around it are allowed, anything else fails.
int toWholeNumber(const QString& text);
