// The sample window the Qt tests draw is checked as each window's test
// checks its own structure: against a table of its controls in field order.
#include <gtest/gtest.h>

#include "qt_test_support.h"
#include "support/window_structure.h"

namespace qvn::ui::qt::test {
namespace {

using test_support::check_window_structure;
using test_support::ExpectedWindow;
using K = ControlKind;

// clang-format off
const ExpectedWindow kMainSample{
    .label = "P1$WINDOW",
    .caption = "Lorvane --  QVN v.6.1",
    .width = 291,
    .height = 200,
    .font = {"MS Sans Serif", 8, false},
    .controls = {
        {.equate = "?TIMEOUT:PROMPT", .kind = K::Prompt, .text = "DDE Time Out (in minutes):", .at = {{4, 6, 88, 10}}},
        {.equate = "?TIMEOUT", .kind = K::Spin, .at = {{94, 5, 22, 11}}, .picture = "@n3", .parent = 0},
        {.equate = "?GROUP1", .kind = K::Group, .text = " Applications ", .at = {{2, 18, 115, 66}}},
        {.equate = "?EXECUTEAPP", .kind = K::Button, .text = "&Gen && Make    (.APP)", .at = {{8, 28, 103, 12}},
         .parent = 3},
        {.equate = "?GENERATE", .kind = K::Button, .text = "Gen && &Make  (Project)", .at = {{8, 41, 103, 12}},
         .disabled = true, .parent = 3},
        {.equate = "?EXPORTAPP", .kind = K::Button, .text = "Export APP", .at = {{8, 54, 103, 12}},
         .parent = 3},
        {.equate = "?EXPORTDCT", .kind = K::Button, .text = "Export DCT", .at = {{8, 67, 103, 12}},
         .parent = 3},
        {.equate = "?GROUP4", .kind = K::Group, .text = " Brasset Menu ", .at = {{2, 85, 115, 44}}},
        {.equate = "?BUTTON16", .kind = K::Button, .text = "Configure QVN", .at = {{8, 95, 51, 14}},
         .parent = 8},
        {.equate = "?BUTTON17", .kind = K::Button, .text = "Empty Log", .at = {{61, 95, 50, 14}},
         .parent = 8},
        {.equate = "?EVENT", .kind = K::Button, .text = "View &Log", .at = {{8, 111, 51, 14}}, .parent = 8},
        {.equate = "?BUTTON21", .kind = K::Button, .text = "&Print Log", .at = {{61, 111, 50, 14}},
         .parent = 8},
        {.equate = "?GROUP3", .kind = K::Group, .at = {{2, 130, 115, 31}}},
        {.equate = "?STATUSMSG:2", .kind = K::String, .at = {{7, 137, 105, 8}}, .picture = "@s30",
         .parent = 13},
        {.equate = "?CONNECTTOCW", .kind = K::Button, .text = "Start Clarion", .at = {{7, 145, 51, 13}},
         .parent = 13},
        {.equate = "?DISCONNECTFROMCW", .kind = K::Button, .text = "Disconnect", .at = {{61, 145, 51, 13}},
         .parent = 13},
        {.equate = "?PROMPT1", .kind = K::Prompt, .text = "Last Action:", .at = {{4, 165, 40, 10}}},
        {.equate = "?STATUSMSG", .kind = K::Entry, .at = {{44, 164, 73, 11}}, .required = false, .picture = "@s30"},
        {.equate = "?IMAGE1", .kind = K::Image, .text = "softvelocity.gif", .at = {{4, 178, 60, 20}}},
        {.equate = "?BUTTON7", .kind = K::Button, .text = "Close", .at = {{70, 181, 47, 16}}, .is_default = false},
        {.equate = "?SHEET1", .kind = K::Sheet, .at = {{119, 2, 171, 182}}},
        {.equate = "?TAB1", .kind = K::Tab, .text = "&Applications", .parent = 21},
        {.equate = "?LIST", .kind = K::List, .at = {{123, 18, 163, 162}},
         .format = "10C*I@s1@11C*@n3B@E(0FFH,,0FFFFH,)71L|M~Path~L(2)S(88)@s80@200L(1)~.App~L(2)@s50@",
         .parent = 22},
        {.equate = "?BUTTON13", .kind = K::Button, .text = "&Tag", .at = {{119, 185, 34, 14}}, .parent = 22},
        {.equate = "?INSERT", .kind = K::Button, .text = "&Insert", .at = {{155, 185, 32, 14}}, .parent = 22},
        {.equate = "?CHANGE", .kind = K::Button, .text = "Chan&ge", .at = {{189, 185, 34, 14}}, .parent = 22},
        {.equate = "?DELETE", .kind = K::Button, .text = "&Delete", .at = {{225, 185, 32, 14}}, .parent = 22},
        {.equate = "?UNTAGALLBUTTON", .kind = K::Button, .text = "&Untag All", .at = {{259, 185, 31, 14}},
         .parent = 22},
        {.equate = "?TAB2", .kind = K::Tab, .text = "&Projects", .parent = 21},
        {.equate = "?RELTREE", .kind = K::List, .at = {{123, 18, 163, 162}}, .format = "800L*IT@s200@",
         .parent = 29},
        {.equate = "?EXPAND", .kind = K::Button, .text = "&Expand All", .at = {{119, 185, 40, 14}},
         .parent = 29},
        {.equate = "?CONTRACT", .kind = K::Button, .text = "Co&ntract All", .at = {{161, 185, 42, 14}},
         .parent = 29},
        {.equate = "?TAB3", .kind = K::Tab, .text = "Imports", .parent = 21},
        {.equate = "?STRING4", .kind = K::String, .text = "Have you backed up?", .at = {{150, 40, 110, 14}},
         .parent = 33},
        {.equate = "?BUTTON23", .kind = K::Button, .text = "I'm Sure", .at = {{170, 100, 60, 14}},
         .parent = 33},
        {.equate = "?IMPORTDCT", .kind = K::Button, .text = "Import DCT", .at = {{140, 130, 55, 14}},
         .disabled = true, .parent = 33},
        {.equate = "?TAB4", .kind = K::Tab, .text = "Project &Subsets", .parent = 21},
        {.equate = "?LIST:2", .kind = K::List, .at = {{123, 18, 163, 60}},
         .format = "35R(3)|M~Project ID~R(2)@n-14@200L(2)|M~Project Name~@s50@", .parent = 37},
        {.equate = "?LIST:3", .kind = K::List, .at = {{123, 82, 163, 98}},
         .format = "10C*I@s1@E(0800080H,,0FFFFH,)11C*@n3@E(0FFH,,0FFFFH,)70L(2)|M*~Path~@s80@200L(2)|M*~Application~@s50@",
         .parent = 37},
        {.equate = "?GENERATESUBSET", .kind = K::Button, .text = "Gen && &Make  (Project Subset)",
         .at = {{26, 23, 71, 14}}, .disabled = true, .parent = 37},
        {.equate = "?TOGGLE", .kind = K::Button, .text = "&Toggle", .at = {{119, 185, 40, 14}}, .parent = 37},
    }};
// clang-format on

TEST(MainSampleStructure, TheSampleHasTheMainWindowsControlsInFieldOrder) {
  MainSample sample;
  EXPECT_NE(check_window_structure(sample.def(), kMainSample), nullptr);
}

}  // namespace
}  // namespace qvn::ui::qt::test
