#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

#include "app/prompt.h"

// Records every box instead of showing it; questions get the queued answers (No when empty).
class RecordingPrompt final : public Prompt {
 public:
  enum class Kind { Critical, Information, Plain, Question };
  struct Box {
    Kind kind;
    QString caption;
    QString text;
  };

  void message(Icon icon, const QString& caption, const QString& text) override;
  bool question(const QString& caption, const QString& text) override;

  void answerNext(bool yes) { answers_.push_back(yes); }
  // Runs while a box is "open", as a modal box would let other events run.
  std::function<void()> whileOpen;

  const std::vector<Box>& boxes() const { return boxes_; }
  QStringList texts() const;
  void clear() { boxes_.clear(); }

 private:
  std::vector<Box> boxes_;
  std::deque<bool> answers_;
};
