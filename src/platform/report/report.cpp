#include "platform/report/report.h"

#include <algorithm>
#include <utility>

#include "platform/core/fixed_string.h"

namespace qvn::report {

namespace {

ItemDef text_item(std::string name, Area at, TextSource source, values::Font font, Align align) {
  ItemDef item;
  item.kind = ItemKind::Text;
  item.name = std::move(name);
  item.at = at;
  item.source = source;
  item.font = std::move(font);
  item.align = align;
  return item;
}

std::string without_trailing_blanks(std::string_view s) { return std::string(clip(s)); }

values::Font resolved(const values::Font& font, const values::Font& base) {
  values::Font f = font;
  if (f.face.empty()) f.face = base.face;
  if (f.points <= 0) f.points = base.points;
  return f;
}

}  // namespace

ItemDef text(Area at, std::string text, values::Font font, Align align) {
  ItemDef item = text_item({}, at, TextSource::Fixed, std::move(font), align);
  item.text = std::move(text);
  return item;
}

ItemDef value(std::string name, Area at, values::VarRef use, std::string picture, values::Font font, Align align) {
  ItemDef item = text_item(std::move(name), at, TextSource::Value, std::move(font), align);
  item.use = std::move(use);
  item.picture = std::move(picture);
  return item;
}

ItemDef page_number(std::string name, Area at, std::string picture, values::Font font, Align align) {
  ItemDef item = text_item(std::move(name), at, TextSource::PageNumber, std::move(font), align);
  item.picture = std::move(picture);
  return item;
}

ItemDef line(Area at) {
  ItemDef item;
  item.kind = ItemKind::Line;
  item.at = at;
  return item;
}

ItemDef fill(Area at, long long color) {
  ItemDef item;
  item.kind = ItemKind::Fill;
  item.at = at;
  item.color = color;
  return item;
}

Report::Report(ReportDef def) : def_(std::move(def)) {}
Report::~Report() = default;

std::unique_ptr<Report> Report::create(ReportDef def, std::string* error) {
  std::unique_ptr<Report> report(new Report(std::move(def)));
  std::string why;
  if (!report->compile(&why)) {
    if (error) *error = std::move(why);
    return nullptr;
  }
  return report;
}

bool Report::compile(std::string* error) {
  if (def_.font.face.empty() || def_.font.points <= 0) {
    *error = "The report's font needs a face and a size";
    return false;
  }
  // Band areas count towards the reach as well as their items, so that a
  // renderer that fits the report to its paper keeps the layout's margins.
  const auto reach = [this](const Area& a) {
    document_.width_ = std::max(document_.width_, a.x + a.w);
    document_.height_ = std::max(document_.height_, a.y + a.h);
  };
  reach(def_.header.at);
  reach(def_.footer.at);
  reach(def_.detail_area);
  if (!compile_band(def_.header, def_.header.at.x, header_, error) ||
      !compile_band(def_.footer, def_.footer.at.x, footer_, error)) {
    return false;
  }
  header_.y = def_.header.at.y;
  footer_.y = def_.footer.at.y;
  for (const BandDef& d : def_.details) {
    if (d.at.h > def_.detail_area.h || d.at.h < 0) {
      *error = "Detail band " + d.name + " is " + std::to_string(d.at.h) + " high, the detail area " +
               std::to_string(def_.detail_area.h);
      return false;
    }
    for (const Band& other : details_) {
      if (other.name == d.name) {
        *error = "Two detail bands are named " + d.name;
        return false;
      }
    }
    Band band;
    if (!compile_band(d, def_.detail_area.x, band, error)) return false;
    band.y = def_.detail_area.y;
    // Items of a detail band reach as far as they would on the last line
    // that fits in the area.
    const int last = d.at.h > 0 ? (def_.detail_area.h / d.at.h - 1) * d.at.h : 0;
    for (const ItemDef& item : d.items) {
      reach(Area{def_.detail_area.x + item.at.x, band.y + last + item.at.y, item.at.w, item.at.h});
    }
    details_.push_back(std::move(band));
  }
  for (const ItemDef& item : def_.header.items) {
    reach(Area{def_.header.at.x + item.at.x, header_.y + item.at.y, item.at.w, item.at.h});
  }
  for (const ItemDef& item : def_.footer.items) {
    reach(Area{def_.footer.at.x + item.at.x, footer_.y + item.at.y, item.at.w, item.at.h});
  }
  return true;
}

bool Report::compile_band(const BandDef& def, int x, Band& band, std::string* error) {
  band.name = def.name;
  band.h = def.at.h;
  band.index = static_cast<uint32_t>(document_.bands_.size());
  ReportDocument::BandItems placing{x, static_cast<int>(document_.looks_.size()), static_cast<int>(def.items.size())};
  for (const ItemDef& d : def.items) {
    Item item;
    if (d.kind == ItemKind::Fill && d.color < 0) {
      *error = "A fill in band " + def.name + " has no colour";
      return false;
    }
    if (d.kind == ItemKind::Text && !d.picture.empty()) {
      auto parsed = values::Picture::parse(d.picture);
      if (!parsed) {
        *error = "Item " + d.name + " of band " + def.name + ": picture " + d.picture + ": " + parsed.error();
        return false;
      }
      item.picture = *parsed;
      item.has_picture = true;
    }
    if (d.kind == ItemKind::Text && d.source == TextSource::Value && !d.use.bound()) {
      *error = "Item " + d.name + " of band " + def.name + " shows a value but has no variable";
      return false;
    }
    item.source = d.source;
    item.use = d.use;
    if (d.kind == ItemKind::Text && d.source == TextSource::Fixed) {
      item.fixed = without_trailing_blanks(item.has_picture ? item.picture.format(d.text) : d.text);
    }
    ItemLook look;
    look.kind = d.kind;
    look.name = d.name;
    look.w = d.at.w;
    look.h = d.at.h;
    look.font = resolved(d.font, def_.font);
    look.align = d.align;
    look.color = d.color;
    item.look = static_cast<int>(document_.looks_.size());
    document_.looks_.push_back(std::move(look));
    document_.offsets_.push_back({d.at.x, d.at.y});
    if (d.kind == ItemKind::Text) band.texts.push_back(std::move(item));
  }
  document_.bands_.push_back(placing);
  return true;
}

void Report::open() {
  document_.pages_.clear();
  open_ = true;
  page_begun_ = false;
  used_ = 0;
  page_number_ = 0;
  record_room_ = 0;
}

void Report::append_text(const Item& item, std::string& out) const {
  switch (item.source) {
    case TextSource::Fixed: out += item.fixed; return;
    case TextSource::Value: {
      const std::string value = item.use.get();
      if (!item.has_picture) {
        out += clip(value);
      } else if (item.picture.kind() == values::PictureKind::Text) {
        // A text picture shows the value's first width() characters; the
        // blanks it would pad them with are dropped here anyway.
        out += clip(std::string_view(value).substr(0, item.picture.width()));
      } else {
        out += clip(item.picture.format(value));
      }
      return;
    }
    case TextSource::PageNumber:
      out += clip(item.has_picture ? item.picture.format(static_cast<long long>(page_number_))
                                   : std::to_string(page_number_));
      return;
  }
}

void Report::place(const Band& band, int y) {
  Page& page = document_.pages_.back();
  ReportDocument::append_number(page.record_, band.index);
  ReportDocument::append_number(page.record_, static_cast<uint32_t>(y));
  for (const Item& item : band.texts) {
    const size_t at = page.record_.size();
    page.record_.push_back('\0');
    append_text(item, page.record_);
    ReportDocument::set_length(page.record_, at);
  }
}

void Report::begin_page() {
  ++page_number_;
  Page page;
  page.number = page_number_;
  // Pages alike hold records alike: room for what the page before held, so
  // that a page's record is seldom moved as it grows and holds little spare.
  page.record_.reserve(record_room_);
  document_.pages_.push_back(std::move(page));
  page_begun_ = true;
  used_ = 0;
  place(header_, header_.y);
}

bool Report::print(std::string_view band) {
  if (!open_) return false;
  const Band* detail = nullptr;
  for (const Band& b : details_) {
    if (band.empty() || b.name == band) {
      detail = &b;
      break;
    }
  }
  if (detail == nullptr) return false;
  if (page_begun_ && used_ + detail->h > def_.detail_area.h) end_page();
  if (!page_begun_) begin_page();
  place(*detail, detail->y + used_);
  used_ += detail->h;
  ++document_.pages_.back().details;
  return true;
}

void Report::end_page() {
  if (!open_ || !page_begun_) return;
  place(footer_, footer_.y);
  record_room_ = document_.pages_.back().record_.size();
  page_begun_ = false;
}

void Report::close() {
  document_.pages_.clear();
  document_.pages_.shrink_to_fit();
  open_ = false;
  page_begun_ = false;
  used_ = 0;
  page_number_ = 0;
}

// ReportDocument

void ReportDocument::append_number(std::string& record, uint32_t n) {
  for (; n >= 0x80; n >>= 7) record.push_back(static_cast<char>(0x80 | (n & 0x7F)));
  record.push_back(static_cast<char>(n));
}

void ReportDocument::set_length(std::string& record, size_t at) {
  const size_t size = record.size() - at - 1;
  if (size < 0x80) {
    record[at] = static_cast<char>(size);
    return;
  }
  std::string length;
  append_number(length, static_cast<uint32_t>(size));
  record.replace(at, 1, length);
}

uint32_t ReportDocument::read_number(std::string_view record, size_t& at) {
  uint32_t n = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(record[at++]);
    n |= static_cast<uint32_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return n;
  }
}

std::vector<PlacedItem> ReportDocument::items(const Page& page) const {
  std::vector<PlacedItem> out;
  size_t at = 0;
  while (at < page.record_.size()) {
    const BandItems& band = bands_[read_number(page.record_, at)];
    const int y = static_cast<int>(read_number(page.record_, at));
    for (int look = band.first_look; look < band.first_look + band.looks; ++look) {
      const Offset& offset = offsets_[static_cast<size_t>(look)];
      PlacedItem item;
      item.look = look;
      item.x = band.x + offset.x;
      item.y = y + offset.y;
      if (looks_[static_cast<size_t>(look)].kind == ItemKind::Text) {
        item.text_size = read_number(page.record_, at);
        item.text_at = static_cast<uint32_t>(at);
        at += item.text_size;
      }
      out.push_back(item);
    }
  }
  return out;
}

std::vector<PlacedItem> ReportDocument::items(int page, std::string_view name) const {
  std::vector<PlacedItem> out;
  if (page < 1 || static_cast<size_t>(page) > pages_.size()) return out;
  for (const PlacedItem& item : items(pages_[static_cast<size_t>(page - 1)])) {
    if (look(item).name == name) out.push_back(item);
  }
  return out;
}

std::vector<std::string> ReportDocument::texts(int page, std::string_view name) const {
  std::vector<std::string> out;
  for (const PlacedItem& item : items(page, name)) {
    std::string_view t = pages_[static_cast<size_t>(page - 1)].text(item);
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    out.emplace_back(t);
  }
  return out;
}

}  // namespace qvn::report
