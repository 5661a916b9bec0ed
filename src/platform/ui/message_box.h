#pragma once
// A message box as the program asks for one: its text, caption, icon and
// buttons. The error manager's boxes and the windows' own use these alike.

#include <string>

namespace qvn::ui {

enum class MessageIcon { None, Stop, Question, Exclamation, Information };

// Buttons are a sum of these values; the pressed one is returned.
namespace button {
inline constexpr int Ok = 1;
inline constexpr int Yes = 2;
inline constexpr int No = 4;
inline constexpr int Abort = 8;
inline constexpr int Retry = 16;
inline constexpr int Ignore = 32;
inline constexpr int Cancel = 64;
inline constexpr int Help = 128;
}  // namespace button

struct MessageBoxDef {
  std::string text;  // "|" starts a new line, "||" leaves an empty line
  std::string caption;
  MessageIcon icon = MessageIcon::None;
  int buttons = 0;         // 0: OK alone
  int default_button = 0;  // 0: none marked
};

}  // namespace qvn::ui
