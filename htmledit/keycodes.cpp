#include "keycodes.h"

#include <array>
#include <utility>

namespace keycodes {
namespace {

constexpr std::array<std::pair<int, short>, 26> kNamed{{
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},      {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},      {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},  {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},     {Qt::Key_Home, 36},     {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},       {Qt::Key_Right, 39},   {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},   {Qt::Key_Menu, 93},    {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145},
    {Qt::Key_Print, 44},    {Qt::Key_Help, 47},
}};

}  // namespace

short fromQt(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return short(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return short(112 + (qtKey - Qt::Key_F1));
  for (const auto& [key, code] : kNamed)
    if (key == qtKey) return code;
  return short(qtKey & 0x7fff);
}

int toQt(short keyCode) {
  if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9')) return keyCode;
  if (keyCode >= 112 && keyCode < 112 + 24) return Qt::Key_F1 + (keyCode - 112);
  for (const auto& [key, code] : kNamed)
    if (code == keyCode) return key;
  return 0;
}

short shiftMask(Qt::KeyboardModifiers modifiers) {
  return short((modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
               (modifiers & Qt::AltModifier ? 4 : 0));
}

Qt::KeyboardModifiers modifiers(short shift) {
  Qt::KeyboardModifiers m;
  if (shift & 1) m |= Qt::ShiftModifier;
  if (shift & 2) m |= Qt::ControlModifier;
  if (shift & 4) m |= Qt::AltModifier;
  return m;
}

}  // namespace keycodes
