#pragma once
// A font as a window, a control or a report item declares it. What it leaves
// out is taken from the font of what holds it.

#include <string>

namespace qvn::values {

struct Font {
  std::string face;  // empty: the font of what holds it
  int points = 0;    // 0: the size of what holds it
  bool bold = false;
};

}  // namespace qvn::values
