#pragma once

#include <QCheckBox>
#include <QPixmap>

// A check box drawn as one of two pictures (cleared, checked); the greyed state shows the
// checked picture faded. Its caption is a label of its own beside it.
class PictureCheck final : public QCheckBox {
  Q_OBJECT
 public:
  explicit PictureCheck(QWidget* parent = nullptr);

  const QPixmap& uncheckedPicture() const { return unchecked_; }
  const QPixmap& checkedPicture() const { return checked_; }
  void setUncheckedPicture(const QPixmap& picture);
  void setCheckedPicture(const QPixmap& picture);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
  // A click on a greyed box checks it.
  void nextCheckState() override;

 private:
  QPixmap unchecked_, checked_;
};

// The two pictures of the settings dialog's check boxes, side pixels square: a light box with a
// dark rim, and the same box filled blue with a white tick. They read on light and dark skins.
QPixmap checkPicture(bool checked, int side);
