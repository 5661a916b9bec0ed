#include "platform/framework/browse_view.h"

#include <algorithm>
#include <cstring>

#include "platform/core/error_state.h"
#include "platform/framework/record_fields.h"

namespace qvn::framework {

using storage::FieldDef;

namespace {

// Puts a record buffer back as it was when it goes out of scope.
class KeepBuffer {
 public:
  KeepBuffer(void* buffer, size_t size)
      : buffer_(buffer), copy_(static_cast<char*>(buffer), static_cast<char*>(buffer) + size) {}
  ~KeepBuffer() { std::memcpy(buffer_, copy_.data(), copy_.size()); }
  KeepBuffer(const KeepBuffer&) = delete;
  KeepBuffer& operator=(const KeepBuffer&) = delete;

 private:
  void* buffer_;
  std::vector<char> copy_;
};

int compare_field(const FieldDef& f, const void* a, const void* b) {
  if (is_text(f)) {
    std::string x = field_text(f, a);
    std::string y = field_text(f, b);
    return x < y ? -1 : (y < x ? 1 : 0);
  }
  int64_t x = field_number(f, a);
  int64_t y = field_number(f, b);
  return x < y ? -1 : (y < x ? 1 : 0);
}

}  // namespace

void BrowseView::SetOrder(const Order& order) {
  order_ = order;
  range_set_ = false;
}

void BrowseView::SetRangeValue(const std::string& value) {
  if (order_.range_field < 0) return;
  range_image_.assign(def().struct_size, 0);
  const FieldDef& f = def().fields[static_cast<size_t>(order_.range_field)];
  set_field_text(f, range_image_.data(), value);
  range_set_ = true;
}

bool BrowseView::PrefixRange() const {
  return range_set_ && order_.key && !order_.key->components.empty() &&
         order_.key->components.front() == static_cast<size_t>(order_.range_field);
}

bool BrowseView::InRange(const void* image) const {
  if (!range_set_) return true;
  const FieldDef& f = def().fields[static_cast<size_t>(order_.range_field)];
  return fields_equal(f, image, range_image_.data(), order_.key && order_.key->nocase);
}

bool BrowseView::SameKey(const void* a, const void* b) const {
  for (size_t c : order_.key->components) {
    if (!fields_equal(def().fields[c], a, b, order_.key->nocase)) return false;
  }
  return true;
}

int BrowseView::CompareWithinKey(const void* a, int64_t pointer_a, const void* b, int64_t pointer_b) const {
  for (size_t index : order_.appended) {
    int c = compare_field(def().fields[index], a, b);
    if (c != 0) return c;
  }
  return pointer_a < pointer_b ? -1 : (pointer_b < pointer_a ? 1 : 0);
}

void BrowseView::LowestKey(void* image) const {
  for (size_t c : order_.key->components) {
    const FieldDef& f = def().fields[c];
    if (is_text(f)) {
      set_field_text(f, image, "");
    } else {
      set_field_number(f, image, storage::lowest_number(f.kind));
    }
  }
}

void BrowseView::SeekImage(const Point* point, bool high) {
  void* buffer = file_.BUFFER;
  for (size_t c : order_.key->components) {
    const FieldDef& f = def().fields[c];
    if (point) {
      copy_field(f, point->image, f, buffer);
    } else if (is_text(f)) {
      set_field_text(f, buffer, high ? std::string(f.width, '\xFF') : std::string());
    } else {
      set_field_number(f, buffer, high ? storage::highest_number(f.kind) : storage::lowest_number(f.kind));
    }
  }
  if (!point && PrefixRange()) {
    const FieldDef& f = def().fields[static_cast<size_t>(order_.range_field)];
    copy_field(f, range_image_.data(), f, buffer);
  }
}

ViewRecord BrowseView::Current() const {
  const char* buffer = static_cast<const char*>(file_.BUFFER);
  ViewRecord r;
  r.image.assign(buffer, buffer + def().struct_size);
  r.pointer = file_.FILE->pointer();
  r.position = file_.FILE->position();
  return r;
}

bool BrowseView::Read(bool forward, bool& in_view) {
  int rc = forward ? file_.FILE->next() : file_.FILE->previous();
  if (rc == err::RecordNotAvailable) return false;
  if (rc != err::NoError) {
    file_.Throw(rc == err::RecordLocked ? Msg::RecordHeldByAnother : Msg::AbortReading);
    return false;
  }
  in_view = InRange(file_.BUFFER);
  // Under a range on the key's first field the view ends where the range does.
  if (!in_view && PrefixRange()) return false;
  return true;
}

void BrowseView::SortGroup(std::vector<ViewRecord>& group) const {
  std::sort(group.begin(), group.end(), [this](const ViewRecord& a, const ViewRecord& b) {
    return CompareWithinKey(a.image.data(), a.pointer, b.image.data(), b.pointer) < 0;
  });
}

// Records of one key value are gathered before any of them is returned, as
// the appended fields order them among themselves.
void BrowseView::Gather(bool forward, size_t count, std::vector<ViewRecord>& out,
                        const std::function<void(std::vector<ViewRecord>&)>& take) {
  std::vector<ViewRecord> group;
  auto flush = [&] {
    SortGroup(group);
    take(group);
    group.clear();
  };
  for (;;) {
    bool in_view = false;
    bool got = Read(forward, in_view);
    if (got && !in_view) continue;
    if (got && !group.empty() && SameKey(file_.BUFFER, group.front().image.data())) {
      group.push_back(Current());
      continue;
    }
    flush();
    if (!got || out.size() >= count) break;
    group.push_back(Current());
  }
}

int BrowseView::SetOrderFrom(const Point* from, bool backward) {
  if (from || PrefixRange()) {
    SeekImage(from, backward);
    return file_.FILE->set_order_from_buffer(*order_.key);
  }
  return file_.FILE->set_order(*order_.key);
}

std::vector<ViewRecord> BrowseView::Forward(const Point* from, bool inclusive, size_t count) {
  std::vector<ViewRecord> out;
  if (count == 0 || !order_.key) return out;
  if (file_.UseFile(use::Returns) != level::Benign) return out;
  KeepBuffer keep(file_.BUFFER, def().struct_size);
  // From the start of the key itself rather than from its lowest values, so
  // that a value stored below its field's range (by another program) is met too.
  if (SetOrderFrom(from, false) != err::NoError) return out;

  Gather(true, count, out, [&](std::vector<ViewRecord>& group) {
    for (ViewRecord& r : group) {
      if (out.size() >= count) break;
      if (from && SameKey(r.image.data(), from->image)) {
        int c = CompareWithinKey(r.image.data(), r.pointer, from->image, from->pointer);
        if (c < 0 || (c == 0 && !inclusive)) continue;
      }
      out.push_back(std::move(r));
    }
  });
  return out;
}

std::vector<ViewRecord> BrowseView::Backward(const Point* from, size_t count) {
  std::vector<ViewRecord> out;
  if (count == 0 || !order_.key) return out;
  if (file_.UseFile(use::Returns) != level::Benign) return out;
  KeepBuffer keep(file_.BUFFER, def().struct_size);
  if (SetOrderFrom(from, true) != err::NoError) return out;

  Gather(false, count, out, [&](std::vector<ViewRecord>& group) {
    for (auto r = group.rbegin(); r != group.rend() && out.size() < count; ++r) {
      if (from && SameKey(r->image.data(), from->image) &&
          CompareWithinKey(r->image.data(), r->pointer, from->image, from->pointer) >= 0) {
        continue;
      }
      out.push_back(std::move(*r));
    }
  });
  return out;
}

}  // namespace qvn::framework
