#pragma once
// The pages a report laid out: for each page the items it shows, at their
// places on the page in thousandths of an inch, with the texts already
// formatted. A renderer paints them as they are; a test reads them.
//
// What every placing of one report item shares (kind, name, size, font,
// alignment, colour) is kept once, as a look; each placed item names its
// look, so a long report does not repeat them. A page keeps the texts of
// its items together, one after another.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/report/report_def.h"

namespace qvn::report {

class Report;

struct ItemLook {
  ItemKind kind = ItemKind::Text;
  std::string name;
  int w = 0, h = 0;
  values::Font font;   // face and points always set
  Align align = Align::Left;
  long long color = -1;
};

struct PlacedItem {
  int look = 0;        // index into ReportDocument::looks()
  int x = 0, y = 0;    // from the page's top left corner
  uint32_t text_at = 0, text_size = 0;  // the item's text in its page's texts
};

struct Page {
  int number = 0;
  int details = 0;     // detail bands printed on the page
  std::vector<PlacedItem> items;  // in the order they are painted
  std::string texts;

  // A text item's text as its picture shows it, trailing blanks dropped;
  // empty for lines and fills.
  std::string_view text(const PlacedItem& item) const {
    return std::string_view(texts).substr(item.text_at, item.text_size);
  }
};

class ReportDocument {
 public:
  const std::vector<Page>& pages() const { return pages_; }
  size_t page_count() const { return pages_.size(); }
  const std::vector<ItemLook>& looks() const { return looks_; }
  const ItemLook& look(const PlacedItem& item) const { return looks_[static_cast<size_t>(item.look)]; }

  // How far from the page's top left corner the report reaches: every item
  // and every band lies within width() by height().
  int width() const { return width_; }
  int height() const { return height_; }

  // The texts of the items of that name on a page (1-based), in the order
  // they were printed, without leading and trailing blanks; empty when the
  // page does not exist.
  std::vector<std::string> texts(int page, std::string_view name) const;
  // The items of that name on a page, in the order they were printed.
  std::vector<const PlacedItem*> items(int page, std::string_view name) const;

 private:
  friend class Report;
  std::vector<ItemLook> looks_;
  std::vector<Page> pages_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace qvn::report
