#pragma once

#include "app/instance.h"

// Answers as a running copy would, without any socket. requestActivation() acts as a later
// copy asking this one to come forward.
class FakeSingleInstance final : public SingleInstance {
 public:
  bool anotherRunning = false;
  int activations = 0;  // ActivatePreviousInstance calls
  QString lastToken;
  int listens = 0;

  bool isAnotherRunning() override { return anotherRunning; }
  bool ActivatePreviousInstance(const QString& token) override {
    ++activations;
    lastToken = token;
    return anotherRunning;
  }
  bool listen() override {
    ++listens;
    return !anotherRunning;
  }

  void requestActivation(const QString& token = {}) { Q_EMIT activationRequested(token); }
};
