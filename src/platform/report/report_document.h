#pragma once
// The pages a report laid out: for each page the items it shows, at their
// places on the page in thousandths of an inch, with the texts already
// formatted. A renderer paints them as they are; a test reads them.
//
// What every placing of one report item shares (kind, name, size, font,
// alignment, colour) is kept once, as a look; each placed item names its
// look, so a long report does not repeat them. Where an item sits in its
// band is kept once too, so a page records only the bands it printed, each
// by its top, and the texts of their items, one after another; the items
// are made from that a page at a time, when a painter or a reader asks.

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
  ui::Font font;       // face and points always set
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

  // A text item's text as its picture shows it, trailing blanks dropped;
  // empty for lines and fills.
  std::string_view text(const PlacedItem& item) const {
    return std::string_view(texts_).substr(item.text_at, item.text_size);
  }

 private:
  friend class Report;
  friend class ReportDocument;
  struct PlacedBand {
    uint32_t band = 0;  // index into the document's bands
    int y = 0;          // the band's top; its left is the band's own
  };
  std::vector<PlacedBand> bands_;  // in the order they were printed
  // The texts of the bands' text items in that order, each after its
  // length (ReportDocument::set_length).
  std::string texts_;
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

  // Writes at `at` the length of the text of `size` bytes that follows the
  // byte held there for it. A length under 128 takes that byte; a longer
  // one takes seven bits a byte, the lowest first, each but the last with
  // its top bit set, and the text moves up to make room.
  static void set_length(std::string& texts, size_t at, size_t size);
  // The length written at `at`; moves `at` on to the text.
  static size_t read_length(std::string_view texts, size_t& at);

  std::vector<ItemLook> looks_;
  std::vector<Offset> offsets_;  // one for each look
  std::vector<BandItems> bands_;
  std::vector<Page> pages_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace qvn::report
