#pragma once
// The pages a report laid out: for each page the items it shows, at their
// places on the page in thousandths of an inch, with the texts already
// formatted. A renderer paints them as they are; a test reads them.
//
// What every placing of one report item shares (kind, name, size, font,
// alignment, colour) is kept once, as a look; each placed item names its
// look, so a long report does not repeat them. Where an item sits in its
// band is kept once too, so a page records only the bands it printed, each
// with its top and the texts of its items; the items are made from that a
// page at a time, when a painter or a reader asks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/report/report_def.h"

namespace qvn::report {

class Report;
class ReportDocument;

struct ItemLook {
  ItemKind kind = ItemKind::Text;
  std::string name;
  int w = 0, h = 0;
  values::Font font;  // face and points always set
  Align align = Align::Left;
  long long color = -1;
};

struct PlacedItem {
  int look = 0;                         // index into ReportDocument::looks()
  int x = 0, y = 0;                     // from the page's top left corner
  uint32_t text_at = 0, text_size = 0;  // the item's text in its page's record
};

struct Page {
  int number = 0;
  int details = 0;  // detail bands printed on the page

  // A text item's text as its picture shows it, trailing blanks dropped;
  // empty for lines and fills.
  std::string_view text(const PlacedItem& item) const {
    return std::string_view(record_).substr(item.text_at, item.text_size);
  }

 private:
  friend class Report;
  friend class ReportDocument;
  // For each band printed, in that order: its index among the document's
  // bands, its top (its left is the band's own), and the texts of its text
  // items, each after its length; the numbers as ReportDocument writes them.
  std::string record_;
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

  // The items of a page of this document, in the order they are painted.
  std::vector<PlacedItem> items(const Page& page) const;
  // The texts of the items of that name on a page (1-based), in the order
  // they were printed, without leading and trailing blanks; empty when the
  // page does not exist.
  std::vector<std::string> texts(int page, std::string_view name) const;
  // The items of that name on a page, in the order they were printed.
  std::vector<PlacedItem> items(int page, std::string_view name) const;

 private:
  friend class Report;
  // A band's items have looks first_look, first_look + 1, ... in the order
  // they are painted; each sits at its offset from the band's corner.
  struct BandItems {
    int x = 0;  // the band's left on every page
    int first_look = 0;
    int looks = 0;
  };
  struct Offset {
    int x = 0, y = 0;
  };

  // A number in a page's record takes seven bits a byte, the lowest first,
  // each byte but the last with its top bit set: one byte under 128.
  static void append_number(std::string& record, uint32_t n);
  // Writes at `at` the length of the text that follows the byte held there
  // for it; a length of more than one byte moves the text up.
  static void set_length(std::string& record, size_t at);
  // The number written at `at`; moves `at` on past it.
  static uint32_t read_number(std::string_view record, size_t& at);

  std::vector<ItemLook> looks_;
  std::vector<Offset> offsets_;  // one for each look
  std::vector<BandItems> bands_;
  std::vector<Page> pages_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace qvn::report
