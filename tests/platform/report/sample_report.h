#pragma once
// A sample report for the tests and the benchmark: a four-column listing of
// entries (name, date, time, event), one line of 281 thousandths of an inch
// per entry in a detail area 7458 high, so 26 lines to a page; a title and a
// grey strip with the column headings above, the page number below.

#include <cstdint>
#include <string>

#include "platform/core/fixed_string.h"
#include "platform/core/std_datetime.h"
#include "platform/report/report_def.h"
#include "platform/values/var_ref.h"

namespace qvn::report::sample {

struct Entry {
  FixedString<40> name;
  int32_t date = 0;
  int32_t clock = 0;
  FixedString<80> event;
};

inline constexpr int kLineHeight = 281;
inline constexpr int kLinesPerPage = 26;
inline constexpr Area kHeaderAt{500, 1000, 7000, 542};
inline constexpr Area kDetailArea{500, 1542, 7000, 7458};
inline constexpr Area kFooterAt{1000, 9000, 6000, 219};
// Items, relative to their band.
inline constexpr Area kTitleAt{0, 21, 7100, 219};
inline constexpr Area kNameAt{63, 52, 1396, 167};
inline constexpr Area kDateAt{1552, 52, 833, 167};
inline constexpr Area kTimeAt{2594, 52, 646, 167};
inline constexpr Area kEventAt{3292, 52, 3625, 167};
inline constexpr Area kPageAt{5250, 31, 698, 135};
inline constexpr const char* kTitle = "Activity Log";

inline ReportDef report_def(Entry& e) {
  const values::Font bold{"", 0, true};
  ReportDef def;
  def.label = "SampleReport";
  def.font = {"Arial", 10, false};
  def.header = {"",
                kHeaderAt,
                {text(kTitleAt, kTitle, bold, Align::Center), fill({0, 260, 7100, 281}, 0xC0C0C0),
                 line({1500, 260, 0, 281}), line({2458, 260, 0, 281}), line({3229, 260, 0, 281}),
                 text({63, 313, 1396, 167}, "Name"), text({1563, 313, 417, 167}, "Date"),
                 text({2667, 313, 417, 167}, "Time"), text({3563, 313, 1396, 167}, "Event")}};
  def.detail_area = kDetailArea;
  def.details = {{"?DETAIL",
                  {0, 0, 7000, kLineHeight},
                  {line({1500, 0, 0, 281}), line({2458, 0, 0, 281}), line({3240, 0, 0, 281}),
                   value("?NAME", kNameAt, values::VarRef::of(e.name), "@s40", bold),
                   value("?DATE", kDateAt, values::VarRef::of(e.date), "@D8"),
                   value("?TIME", kTimeAt, values::VarRef::of(e.clock), "@t4"),
                   value("?EVENT", kEventAt, values::VarRef::of(e.event), "@s80"), line({0, 281, 7100, 0})}}};
  def.footer = {"", kFooterAt, {page_number("?PAGECOUNT", kPageAt, "pPage <<<#p", {"Arial", 8, false})}};
  return def;
}

// The page number as the footer shows it: "Page " and four digit places.
inline std::string page_text(int page) {
  const std::string digits = std::to_string(page);
  return "Page " + std::string(digits.size() < 4 ? 4 - digits.size() : 0, ' ') + digits;
}

// The event text of the i-th entry: one word that names it.
inline std::string event_word(int i) {
  std::string digits = std::to_string(i + 1);
  return "entry-" + std::string(digits.size() < 6 ? 6 - digits.size() : 0, '0') + digits;
}

// The i-th entry (from 0) of the tests' listings: five applications in
// turn, dates from 10 March 2024 (two-digit days, so no leading blank), times
// from ten o'clock, and an event text that names the entry as one word.
inline void fill_entry(Entry& e, int i) {
  e.name = "APP" + std::to_string(i % 5) + ".APP";
  e.date = standard_date({2024, 3, 10 + i % 20});
  e.clock = standard_time({10 + i / 3600 % 14, i / 60 % 60, i % 60, 0});
  e.event = event_word(i);
}

}  // namespace qvn::report::sample
