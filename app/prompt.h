#pragma once

#include <QString>

// Modal message boxes. Windows call these; tests install a recording fake.
class Prompt {
 public:
  enum class Icon { None, Critical, Information };

  virtual ~Prompt() = default;
  // A box with one OK button; returns when it is closed.
  virtual void message(Icon icon, const QString& caption, const QString& text) = 0;
  // Yes and No buttons, no icon; true for Yes.
  virtual bool question(const QString& caption, const QString& text) = 0;
};

// QMessageBox, modal to the active window.
class QtPrompt final : public Prompt {
 public:
  void message(Icon icon, const QString& caption, const QString& text) override;
  bool question(const QString& caption, const QString& text) override;
};
