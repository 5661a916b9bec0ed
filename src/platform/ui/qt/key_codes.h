#pragma once
// Keys as the window layer numbers them (event.h): the platform's virtual
// key code, plus 100H for Shift, 200H for Ctrl and 400H for Alt.

class QKeyEvent;

namespace qvn::ui::qt {

// The key code of a key press, 0 for keys the window layer has no code for
// (a modifier pressed alone, for example).
int key_code(const QKeyEvent& event);

}  // namespace qvn::ui::qt
