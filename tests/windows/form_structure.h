#pragma once
// A window's structure checked against a table written from its layout:
// each control in field order with its equate, field number, kind,
// container, position, texts, picture, icon, list format and attributes.
// The attributes are written as words ("required skip read-only"), so a
// table row reads like the layout it comes from.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/window.h"
#include "platform/ui/window_def.h"

namespace qvn::windows::testing {

// One row of the table, written positionally; the texts after the
// attributes may be left off where the control has none.
struct ExpectedControl {
  int field = 0;
  std::string equate;
  ui::ControlKind kind = ui::ControlKind::String;
  std::string parent;
  ui::Rect at;
  std::string attributes;
  std::string text{};
  std::string tip{};
  std::string msg{};
  std::string picture{};
  std::string icon{};
  std::string format{};
};

// The attributes a control has, as words in a fixed order.
inline std::string attribute_words(const ui::ControlDef& c) {
  std::vector<std::string> words;
  if (c.use.bound()) words.push_back("bound");
  if (c.font.bold) words.push_back("bold");
  if (c.upper) words.push_back("upper");
  if (c.read_only) words.push_back("read-only");
  if (c.skip) words.push_back("skip");
  if (c.required) words.push_back("required");
  if (c.req) words.push_back("req");
  if (c.is_default) words.push_back("default");
  if (c.std_cancel) words.push_back("cancel");
  if (c.hidden) words.push_back("hidden");
  if (c.disabled) words.push_back("disabled");
  if (c.flat) words.push_back("flat");
  if (c.icon_left) words.push_back("icon-left");
  if (c.transparent) words.push_back("transparent");
  if (c.vscroll) words.push_back("vscroll");
  if (c.immediate) words.push_back("immediate");
  if (c.range_low != 0 || c.range_high != 0) {
    words.push_back("range " + std::to_string(c.range_low) + "-" + std::to_string(c.range_high) + " step " +
                    std::to_string(c.step));
  }
  if (c.hot_key != 0) words.push_back("key " + std::to_string(c.hot_key));
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

inline void expect_structure(const ui::Window& w, const std::vector<ExpectedControl>& table) {
  ASSERT_EQ(w.controls(), static_cast<int>(table.size()));
  for (size_t i = 0; i < table.size(); ++i) {
    const ExpectedControl& e = table[i];
    const int field = static_cast<int>(i) + 1;
    SCOPED_TRACE(e.equate);
    EXPECT_EQ(e.field, field) << "the header's field number";
    EXPECT_EQ(w.field(e.equate), field);
    const ui::ControlDef& c = w.control(field);
    EXPECT_EQ(c.equate, e.equate);
    EXPECT_EQ(c.kind, e.kind);
    EXPECT_EQ(c.parent, e.parent);
    EXPECT_EQ(c.at.x, e.at.x);
    EXPECT_EQ(c.at.y, e.at.y);
    EXPECT_EQ(c.at.w, e.at.w);
    EXPECT_EQ(c.at.h, e.at.h);
    EXPECT_EQ(c.text, e.text);
    EXPECT_EQ(c.tip, e.tip);
    EXPECT_EQ(c.msg, e.msg);
    EXPECT_EQ(c.picture, e.picture);
    EXPECT_EQ(c.icon, e.icon);
    EXPECT_EQ(c.format, e.format);
    EXPECT_EQ(attribute_words(c), e.attributes);
  }
}

}  // namespace qvn::windows::testing
