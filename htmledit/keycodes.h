#pragma once

#include <Qt>

// Key codes and shift masks as hosts of the control know them (Enter 13, arrows 37..40,
// letters by their capital, Shift 1 / Ctrl 2 / Alt 4).
namespace keycodes {

short fromQt(int qtKey);
// The Qt key for a code; 0 when the code has no key here.
int toQt(short keyCode);
short shiftMask(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers modifiers(short shift);

}  // namespace keycodes
