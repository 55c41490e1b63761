#include "recording_prompt.h"

void RecordingPrompt::message(Icon icon, const QString& caption, const QString& text) {
  const Kind kind = icon == Icon::Critical      ? Kind::Critical
                    : icon == Icon::Information ? Kind::Information
                                                : Kind::Plain;
  boxes_.push_back({kind, caption, text});
  if (whileOpen) whileOpen();
}

bool RecordingPrompt::question(const QString& caption, const QString& text) {
  boxes_.push_back({Kind::Question, caption, text});
  if (whileOpen) whileOpen();
  if (answers_.empty()) return false;
  const bool yes = answers_.front();
  answers_.pop_front();
  return yes;
}

QStringList RecordingPrompt::texts() const {
  QStringList out;
  for (const Box& b : boxes_) out << b.text;
  return out;
}
