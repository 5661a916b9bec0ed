#pragma once
// List-format strings: the columns of a list control, as a window structure
// declares them, for example
//
//   "35R(3)|M~Project ID~R(2)@n-14@200L(2)|M~Project Name~@s50@"
//
// Each column starts with its width and the alignment of its data, then
// modifiers in any order, its picture among them:
//
//   L R C D (n)   data left, right, centred or decimal-aligned, indented n
//   |             a border on the right of the column
//   M             the user may resize the column
//   ~text~        the header, optionally followed by its own L R C D (n);
//                 without one the header is aligned as the data
//   *             the list queue holds the column's four colours
//   I             the list queue holds the number of the column's icon
//   T             the list queue holds the tree level of the row
//   S(n)          the column scrolls over n units
//   E(fg,bg,sfg,sbg)  default colours; an empty part is not set
//   @picture@     how the value shows
//
// The list queue gives each column its fields in this order: the value, then
// the four colours (text, background, selected text, selected background)
// for *, then the icon number for I, then the level for T. The colours and
// levels of the queue and of E are LONGs; colours are BGR (0FFH is red) and
// -1 means not set. A negative level draws the row collapsed.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/values/parsed.h"
#include "platform/values/picture.h"

namespace qvn::ui {

inline constexpr int32_t kNoColor = -1;

// 0x00BBGGRR as the window structures write colours, to 0x00RRGGBB.
constexpr uint32_t bgr_to_rgb(uint32_t bgr) { return ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu); }

enum class Align { Left, Right, Center, Decimal };

struct ColumnColors {
  int32_t fg = kNoColor;
  int32_t bg = kNoColor;
  int32_t selected_fg = kNoColor;
  int32_t selected_bg = kNoColor;
  friend bool operator==(const ColumnColors&, const ColumnColors&) = default;
};

struct Column {
  int width = 0;
  Align align = Align::Left;
  int indent = 0;
  bool has_header = false;
  std::string header;
  Align header_align = Align::Left;
  int header_indent = 0;
  bool right_border = false;
  bool resizable = false;
  bool colors = false;   // *
  bool icon = false;     // I
  bool tree = false;     // T
  int scroll_width = 0;  // S(n); 0 when not given
  ColumnColors default_colors;
  values::Picture picture;

  // Where the column's fields lie in the list queue, counted from 0.
  int first_field = 0;
  int field_count() const { return 1 + (colors ? 4 : 0) + (icon ? 1 : 0) + (tree ? 1 : 0); }
  int value_field() const { return first_field; }
  // REQUIRES: colors.
  int color_field() const { return first_field + 1; }
  // REQUIRES: icon.
  int icon_field() const { return first_field + 1 + (colors ? 4 : 0); }
  // REQUIRES: tree.
  int level_field() const { return first_field + 1 + (colors ? 4 : 0) + (icon ? 1 : 0); }
};

struct ListFormat {
  std::vector<Column> columns;
  // Queue fields the columns take, in all.
  int field_count() const;

  // A format with an unknown modifier, a missing width, alignment or
  // picture, or an unclosed part fails with the position (from 1) and a
  // message that quotes the text from there.
  static values::Parsed<ListFormat> parse(std::string_view format);
};

}  // namespace qvn::ui
