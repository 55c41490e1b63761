#include <QWidget>

#include <gtest/gtest.h>

#include "player/windowfront.h"

namespace {

TEST(bringToFront, RestoresShowsAndKeepsTheWindowUp) {
  QWidget hidden;
  bringToFront(&hidden);
  EXPECT_TRUE(hidden.isVisible());
  EXPECT_FALSE(hidden.isMinimized());

  QWidget minimized;
  minimized.showMinimized();
  ASSERT_TRUE(minimized.isMinimized());
  bringToFront(&minimized);
  EXPECT_TRUE(minimized.isVisible());
  EXPECT_FALSE(minimized.isMinimized());

  // Hidden while minimised, as a window sent to the tray from the taskbar is.
  QWidget both;
  both.showMinimized();
  both.hide();
  bringToFront(&both);
  EXPECT_TRUE(both.isVisible());
  EXPECT_FALSE(both.isMinimized());
}

}  // namespace
