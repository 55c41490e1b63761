#pragma once

#include <QWidget>

// A slim progress display driven by one whole-number Percent (0..100).
class HtPrgBar : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int Percent READ Percent WRITE setPercent)
 public:
  using QWidget::QWidget;

  int Percent() const { return percent_; }
  virtual void setPercent(int lngNewValue);

  QSize sizeHint() const override { return {120, 8}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int percent_ = 0;
};
