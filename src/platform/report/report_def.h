#pragma once
// A report declared as data: a page header, detail bands and a page footer,
// each a list of items placed relative to its band. Every length is in
// thousandths of an inch. The engine (report.h) lays the detail bands out
// into pages; nothing here draws.
//
//   ReportDef def;
//   def.header = {"", {500, 1000, 7000, 542}, {text({0, 21, 7100, 219}, "Title", {"", 0, true}, Align::Center)}};
//   def.detail_area = {500, 1542, 7000, 7458};
//   def.details = {{"?DETAIL", {0, 0, 7000, 281}, {value("?NAME", {63, 52, 1396, 167}, VarRef::of(name), "@s40")}}};
//   def.footer = {"", {1000, 9000, 6000, 219}, {page_number("?PAGECOUNT", {5250, 31, 698, 135}, "pPage <<<#p")}};

#include <string>
#include <vector>

#include "platform/values/font.h"
#include "platform/values/var_ref.h"

namespace qvn::report {

// A place and a size, in thousandths of an inch.
struct Area {
  int x = 0, y = 0, w = 0, h = 0;
};

enum class Align { Left, Center, Right };

enum class ItemKind {
  Text,  // a text in its box, cut at the box's right edge, never wrapped
  Line,  // from (x, y) to (x + w, y + h)
  Fill,  // a box filled with a colour
};

// Where a text item's text comes from.
enum class TextSource {
  Fixed,       // `text` as written
  Value,       // the variable's value when the band is printed, through `picture`
  PageNumber,  // the number of the page, through `picture`
};

struct ItemDef {
  ItemKind kind = ItemKind::Text;
  std::string name;  // how a test or a program finds the item ("?TMP:DATE"); may be empty
  Area at;           // relative to the band
  TextSource source = TextSource::Fixed;
  std::string text;
  values::VarRef use;
  std::string picture;  // a display picture (values/picture.h); empty shows the value as it is
  values::Font font;    // an empty face or 0 points takes the report's
  Align align = Align::Left;
  long long color = -1;  // BGR; -1 black (a fill must name its colour)
};

ItemDef text(Area at, std::string text, values::Font font = {}, Align align = Align::Left);
ItemDef value(std::string name, Area at, values::VarRef use, std::string picture, values::Font font = {},
              Align align = Align::Left);
ItemDef page_number(std::string name, Area at, std::string picture, values::Font font = {}, Align align = Align::Left);
ItemDef line(Area at);
ItemDef fill(Area at, long long color);

struct BandDef {
  std::string name;
  // The page header and footer sit at (x, y) on every page; a detail band
  // goes under the one before in the detail area, so only its height counts.
  Area at;
  std::vector<ItemDef> items;
};

struct ReportDef {
  std::string label;
  values::Font font{"Arial", 10, false};
  BandDef header;
  // Detail bands are printed one under another from the area's top; a band
  // that does not fit in what is left starts a new page.
  Area detail_area;
  std::vector<BandDef> details;
  BandDef footer;
};

}  // namespace qvn::report
