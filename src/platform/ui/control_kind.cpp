#include "platform/ui/control_kind.h"

#include <array>
#include <cstddef>

namespace qvn::ui {

namespace {

struct Row {
  ControlKind kind;
  ControlTraits traits;
};

// One row per kind, in the order of ControlKind.
constexpr std::array kTable = {
    //                          focus  passes typed  enter  value  press  input  holds  behind
    Row{ControlKind::Button, {true, false, false, false, false, true, false, false, false}},
    Row{ControlKind::Prompt, {false, true, false, false, false, false, false, false, false}},
    Row{ControlKind::String, {false, false, false, false, true, false, false, false, false}},
    Row{ControlKind::Entry, {true, false, true, false, true, false, true, false, false}},
    Row{ControlKind::Text, {true, false, true, true, true, false, true, false, false}},
    Row{ControlKind::Spin, {true, false, true, false, true, false, true, false, false}},
    Row{ControlKind::Check, {true, false, false, false, false, true, true, false, false}},
    Row{ControlKind::Option, {false, false, false, false, false, false, true, true, true}},
    Row{ControlKind::Radio, {true, false, false, false, false, true, false, false, false}},
    Row{ControlKind::Group, {false, false, false, false, false, false, false, true, true}},
    Row{ControlKind::Sheet, {true, false, false, false, false, false, false, true, true}},
    Row{ControlKind::Tab, {false, false, false, false, false, true, false, true, false}},
    Row{ControlKind::List, {true, false, false, false, false, false, false, false, false}},
    Row{ControlKind::Image, {false, false, false, false, false, false, false, false, false}},
    Row{ControlKind::Progress, {false, false, false, false, false, false, false, false, false}},
    Row{ControlKind::Box, {false, false, false, false, false, false, false, false, true}},
    Row{ControlKind::Line, {false, false, false, false, false, false, false, false, false}},
};

constexpr bool in_kind_order() {
  for (size_t i = 0; i < kTable.size(); ++i) {
    if (static_cast<size_t>(kTable[i].kind) != i) return false;
  }
  return kTable.size() == static_cast<size_t>(ControlKind::Line) + 1;
}
static_assert(in_kind_order(), "the table has one row per kind, in the order of ControlKind");

}  // namespace

const ControlTraits& traits(ControlKind kind) { return kTable[static_cast<size_t>(kind)].traits; }

}  // namespace qvn::ui
