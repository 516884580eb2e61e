// Qt keys as the platform's virtual-key numbers.
#include "platform/windows/virtual_keys.h"

#include <Qt>
#include <gtest/gtest.h>

namespace {

TEST(VirtualKeys, QtKeysMapToThePlatformNumbers) {
  const struct {
    int qtKey;
    int virtualKey;
  } cases[] = {
      {Qt::Key_A, 'A'},         {Qt::Key_Z, 'Z'},         {Qt::Key_0, '0'},         {Qt::Key_9, '9'},
      {Qt::Key_F1, 0x70},       {Qt::Key_F5, 0x74},       {Qt::Key_F16, 0x7F},      {Qt::Key_F24, 0x87},
      {Qt::Key_Backspace, 8},   {Qt::Key_Tab, 9},         {Qt::Key_Return, 13},     {Qt::Key_Enter, 13},
      {Qt::Key_Shift, 16},      {Qt::Key_Control, 17},    {Qt::Key_Alt, 18},        {Qt::Key_Pause, 19},
      {Qt::Key_CapsLock, 20},   {Qt::Key_Escape, 27},     {Qt::Key_Space, 32},      {Qt::Key_PageUp, 33},
      {Qt::Key_PageDown, 34},   {Qt::Key_End, 35},        {Qt::Key_Home, 36},       {Qt::Key_Left, 37},
      {Qt::Key_Up, 38},         {Qt::Key_Right, 39},      {Qt::Key_Down, 40},       {Qt::Key_Insert, 45},
      {Qt::Key_Delete, 46},
      // Keys the platform has no virtual key for, and the neighbours of the letter and digit runs.
      {Qt::Key_VolumeUp, 0},    {Qt::Key_F25, 0},         {Qt::Key_At, 0},          {Qt::Key_BracketLeft, 0},
      {Qt::Key_Slash, 0},       {Qt::Key_Colon, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(plat::VirtualKeyFromQtKey(c.qtKey), c.virtualKey) << std::hex << c.qtKey;
}

}  // namespace
