#include "platform/ui/qt/key_codes.h"

#include <QtGui/QKeyEvent>

namespace qvn::ui::qt {

namespace {

int virtual_key(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 0x41 + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return 0x30 + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Plus: return 0xBB;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Minus: return 0xBD;
    case Qt::Key_Period: return 0xBE;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 0xDE;
    default: return 0;
  }
}

}  // namespace

int key_code(const QKeyEvent& event) {
  const int vk = virtual_key(event.key());
  if (vk == 0) return 0;
  int code = vk;
  const Qt::KeyboardModifiers m = event.modifiers();
  if (m & Qt::ShiftModifier) code |= 0x100;
  if (m & Qt::ControlModifier) code |= 0x200;
  if (m & Qt::AltModifier) code |= 0x400;
  return code;
}

}  // namespace qvn::ui::qt
