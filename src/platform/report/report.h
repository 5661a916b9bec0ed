#pragma once
// The report engine: a report structure (report_def.h) made ready once, then
// OPEN, PRINT of detail bands, ENDPAGE and CLOSE as a report procedure uses
// them. The page header opens every page and the page footer closes it, so
// both are on every page; a page begins only when a detail band is printed,
// so a report never ends with an empty page.
//
// A detail band fits on the page when what the page's detail area already
// holds plus the band's height is at most the area's height.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/report/report_def.h"
#include "platform/report/report_document.h"
#include "platform/values/picture.h"

namespace qvn::report {

class Report {
 public:
  // Parses the pictures and checks the bands. A structure it cannot use (a
  // picture it does not understand, a fill without colour, a detail band
  // taller than the detail area, two detail bands of one name) gives
  // nullptr and the reason in *error.
  static std::unique_ptr<Report> create(ReportDef def, std::string* error);
  ~Report();
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  const ReportDef& def() const { return def_; }

  // Starts an empty document; a document left from before is dropped.
  void open();
  bool is_open() const { return open_; }
  // Prints the detail band of that name (empty: the first one) with the
  // values its variables hold now. False when the report is not open or has
  // no such band.
  bool print(std::string_view band = {});
  // Ends the page begun, printing its footer; nothing when none is begun.
  void end_page();
  // The pages so far; the page begun has no footer yet.
  const ReportDocument& document() const { return document_; }
  // The number of the page begun or last ended, 0 before the first.
  int page() const { return page_number_; }
  // Drops the document.
  void close();

 private:
  // A text item, made into its text each time its band is printed.
  struct Item {
    int look = 0;
    TextSource source = TextSource::Fixed;
    std::string fixed;  // a fixed text, as it shows
    values::VarRef use;
    bool has_picture = false;
    values::Picture picture;
  };
  struct Band {
    std::string name;
    uint32_t index = 0;  // among the document's bands
    int y = 0, h = 0;
    std::vector<Item> texts;  // its text items, in the order they are painted
  };

  explicit Report(ReportDef def);
  bool compile(std::string* error);
  bool compile_band(const BandDef& def, int x, Band& band, std::string* error);
  void place(const Band& band, int y);
  void begin_page();
  void append_text(const Item& item, std::string& out) const;

  ReportDef def_;
  ReportDocument document_;
  Band header_;
  Band footer_;
  std::vector<Band> details_;
  bool open_ = false;
  bool page_begun_ = false;
  int used_ = 0;  // height of the detail area the page begun holds
  int page_number_ = 0;
  size_t record_room_ = 0;  // the size of the record of the page ended last
};

}  // namespace qvn::report
