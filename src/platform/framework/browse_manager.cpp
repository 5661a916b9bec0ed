#include "platform/framework/browse_manager.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/core/error_state.h"
#include "platform/framework/record_fields.h"

namespace qvn::framework {

namespace {

// Dialog units of one list row and of the header line.
constexpr int kRowHeight = 8;
constexpr size_t kRowsWithoutHeight = 10;
// Letters of a text key field that an alphabetic thumb step weighs.
constexpr size_t kStepLetters = 4;
// The character codes it tells apart: the blank and those above it.
constexpr double kLetterCodes = 224;
constexpr size_t kAll = SIZE_MAX;
// Records a thumb by position counts on each side of the selected one.
constexpr size_t kCountLimit = 1000;

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool is_locator_key(int keycode) {
  return (keycode >= '0' && keycode <= '9') || (keycode >= 'A' && keycode <= 'Z') || (keycode >= 'a' && keycode <= 'z');
}

}  // namespace

// The list queue as the list control reads it: per column its value, then
// its colours, icon and tree level as the list format asks, then the fields
// that have no column.
class BrowseManager::Queue final : public ui::ListModel {
 public:
  explicit Queue(const BrowseManager& browse) : browse_(browse) {}

  size_t rows() const override { return browse_.rows_.size(); }

  std::vector<std::string> fields(size_t row) const override {
    const BrowseEntry& entry = browse_.rows_.at(row).entry;
    const std::vector<ui::Column>& columns = browse_.format_.columns;
    std::vector<std::string> out;
    for (size_t c = 0; c < columns.size(); ++c) {
      const ui::Column& column = columns[c];
      BrowseCell cell = c < entry.cells.size() ? entry.cells[c] : BrowseCell{};
      out.push_back(c < entry.values.size() ? entry.values[c] : std::string());
      if (column.colors) {
        for (int32_t colour : {cell.fg, cell.bg, cell.selected_fg, cell.selected_bg}) {
          out.push_back(std::to_string(colour));
        }
      }
      if (column.icon) out.push_back(std::to_string(cell.icon));
      if (column.tree) out.push_back("0");
    }
    for (size_t i = columns.size(); i < entry.values.size(); ++i) out.push_back(entry.values[i]);
    return out;
  }

 private:
  const BrowseManager& browse_;
};

BrowseManager::BrowseManager() = default;
BrowseManager::~BrowseManager() = default;

void BrowseManager::Init(int list, FileManager& file, WindowManager& window_manager) {
  ListControl = list;
  manager_ = &window_manager;
  file_ = &file;
  view_ = std::make_unique<BrowseView>(file);
  queue_ = std::make_unique<Queue>(*this);
  if (auto parsed = ui::ListFormat::parse(window().control(list).format)) format_ = *parsed;
  window().set_list(list, queue_.get());
  window().state(list).paged = true;
  select_mode_ = window_manager.Request == request::Select;
  if (select_mode_) {
    const char* buffer = static_cast<const char*>(file.BUFFER);
    saved_buffer_.assign(buffer, buffer + def().struct_size);
    // A picker opens at the record its caller left in the buffer.
    ResetFromBuffer();
  }
  window_manager.AddItem(*this);
}

void BrowseManager::Init(int list, RelationManager& primary, WindowManager& window_manager) {
  Init(list, *primary.ME, window_manager);
}

size_t BrowseManager::AddSortOrder(const storage::KeyDef& key) {
  Sort sort;
  sort.key = &key;
  sorts_.push_back(std::move(sort));
  if (sort_ == 0) sort_ = 1;
  return sorts_.size();
}

void BrowseManager::AppendOrder(std::string_view fields) {
  if (sorts_.empty()) return;
  while (!fields.empty()) {
    size_t comma = fields.find(',');
    std::string_view name = fields.substr(0, comma);
    fields = comma == std::string_view::npos ? std::string_view() : fields.substr(comma + 1);
    while (!name.empty() && (name.front() == ' ' || name.front() == '+')) name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    int index = FieldIndex(name);
    if (index >= 0) sorts_.back().appended.push_back(static_cast<size_t>(index));
  }
}

void BrowseManager::AddRange(std::string_view field, values::VarRef value) {
  if (sorts_.empty()) return;
  sorts_.back().range_field = FieldIndex(field);
  sorts_.back().range_value = std::move(value);
}

void BrowseManager::AddResetField(values::VarRef value) { reset_fields_.push_back(std::move(value)); }

void BrowseManager::SetThumbStep(ThumbStep step) {
  if (!sorts_.empty()) sorts_.back().step = step;
}

size_t BrowseManager::AddField(values::VarRef field) {
  fields_.push_back(std::move(field));
  Q.values.resize(fields_.size());
  Q.cells.resize(fields_.size());
  return fields_.size() - 1;
}

void BrowseManager::SetSort(size_t order) {
  if (order < 1 || order > sorts_.size() || order == sort_) return;
  sort_ = order;
  sort_changed_ = true;
}

void BrowseManager::ResetSort(bool force) { (void)force; }

int BrowseManager::FieldIndex(std::string_view name) const {
  int index = def().field_index(name);
  if (index >= 0) return index;
  const std::vector<storage::FieldDef>& fields = def().fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string& f = fields[i].name;
    bool same = f.size() == name.size() &&
                std::equal(f.begin(), f.end(), name.begin(), [](char a, char b) { return upper(a) == upper(b); });
    if (same) return static_cast<int>(i);
  }
  return -1;
}

BrowseManager::Sort* BrowseManager::CurrentSort() {
  return sort_ >= 1 && sort_ <= sorts_.size() ? &sorts_[sort_ - 1] : nullptr;
}

void BrowseManager::ApplyOrder() {
  Sort* sort = CurrentSort();
  if (!sort) return;
  view_->SetOrder(BrowseView::Order{sort->key, sort->appended, sort->range_field});
  if (sort->range_field >= 0) view_->SetRangeValue(sort->range_value.get());
}

std::vector<std::string> BrowseManager::Watched() const {
  std::vector<std::string> values;
  if (sort_ >= 1 && sort_ <= sorts_.size() && sorts_[sort_ - 1].range_field >= 0) {
    values.push_back(sorts_[sort_ - 1].range_value.get());
  }
  for (const values::VarRef& field : reset_fields_) values.push_back(field.get());
  return values;
}

void BrowseManager::RowsChanged() {}

void BrowseManager::RequeueRows() {
  if (!file_ || rows_.empty()) return;
  size_t size = def().struct_size;
  std::vector<char> keep(static_cast<char*>(file_->BUFFER), static_cast<char*>(file_->BUFFER) + size);
  for (Row& row : rows_) {
    std::memcpy(file_->BUFFER, row.record.image.data(), size);
    SetQueueRecord();
    row.entry = Q;
  }
  std::memcpy(file_->BUFFER, keep.data(), size);
}

void BrowseManager::SetQueueRecord() {
  Q.values.resize(fields_.size());
  Q.cells.assign(fields_.size(), BrowseCell{});
  for (size_t i = 0; i < fields_.size(); ++i) Q.values[i] = fields_[i].get();
}

// Each record goes through the record buffer, where SetQueueRecord reads it,
// in the order it was read; the buffer is put back afterwards.
void BrowseManager::Load(std::vector<ViewRecord> records, bool at_top) {
  if (records.empty()) return;
  rows_changed_ = true;
  size_t size = def().struct_size;
  std::vector<char> keep(static_cast<char*>(file_->BUFFER), static_cast<char*>(file_->BUFFER) + size);
  for (ViewRecord& record : records) {
    std::memcpy(file_->BUFFER, record.image.data(), size);
    SetQueueRecord();
    Row row{std::move(record), Q};
    if (at_top) {
      rows_.insert(rows_.begin(), std::move(row));
    } else {
      rows_.push_back(std::move(row));
    }
  }
  std::memcpy(file_->BUFFER, keep.data(), size);
}

void BrowseManager::Fetch(int direction) {
  if (!CurrentSort()) return;
  size_t count = ItemsToFill ? ItemsToFill : PageRows();
  BrowseView::Point point;
  const BrowseView::Point* from = nullptr;
  bool inclusive = false;
  if (!rows_.empty()) {
    const ViewRecord& edge = direction == fill::Forward ? rows_.back().record : rows_.front().record;
    point = BrowseView::Point{edge.image.data(), edge.pointer};
    from = &point;
  } else if (fetch_from_) {
    point = BrowseView::Point{anchor_.data(), anchor_pointer_};
    from = &point;
    inclusive = true;
  }
  if (direction == fill::Forward) {
    Load(view_->Forward(from, inclusive, count), false);
  } else {
    Load(view_->Backward(from, count), true);
  }
}

void BrowseManager::ResetQueue() {
  if (!file_) return;
  ApplyOrder();
  size_t page = PageRows();
  if (!from_buffer_ && selected_ >= 1 && static_cast<size_t>(selected_) <= rows_.size()) {
    const ViewRecord& highlighted = rows_[static_cast<size_t>(selected_) - 1].record;
    anchor_ = highlighted.image;
    anchor_pointer_ = highlighted.pointer;
    fetch_from_ = true;
  } else {
    fetch_from_ = from_buffer_;
  }
  from_buffer_ = false;
  // A record outside the range (another parent selected) starts the list at the top.
  if (fetch_from_ && !view_->InRange(anchor_.data())) fetch_from_ = false;
  size_t index = static_cast<size_t>(std::clamp(selected_, 1, static_cast<int>(page)));

  rows_.clear();
  rows_changed_ = true;
  ItemsToFill = page - (index - 1);
  Fetch(fill::Forward);
  size_t forward = rows_.size();
  if (rows_.size() < page && (forward > 0 || fetch_from_)) {
    ItemsToFill = page - rows_.size();
    Fetch(fill::Backward);
  }
  const int highlighted = forward > 0 ? static_cast<int>(rows_.size() - forward) + 1 : static_cast<int>(rows_.size());
  // Near the start of the view fewer rows stand above it than the page
  // left room for: the page is filled from below.
  if (rows_.size() < page && forward > 0) {
    ItemsToFill = page - rows_.size();
    Fetch(fill::Forward);
  }
  fetch_from_ = false;
  ItemsToFill = 0;
  filled_ = true;
  sort_changed_ = false;
  Show(highlighted);
  UpdateBuffer();
  UpdateWindow();
}

void BrowseManager::Trim(bool at_top) {
  size_t page = PageRows();
  if (rows_.size() > page) rows_changed_ = true;
  while (rows_.size() > page) {
    if (at_top) {
      rows_.erase(rows_.begin());
    } else {
      rows_.pop_back();
    }
  }
}

void BrowseManager::Show(int selected) {
  if (rows_changed_) {
    rows_changed_ = false;
    RowsChanged();
  }
  selected_ = selected;
  window().state(ListControl).selected = selected;
  window().state(ListControl).thumb = ThumbPosition();
  window().list_changed(ListControl);
}

namespace {

// The values a number field can hold, as a weight of the field after it.
double radix(const storage::FieldDef& f) {
  return static_cast<double>(storage::highest_number(f.kind)) - static_cast<double>(storage::lowest_number(f.kind)) + 1;
}

// The key's first text field, or nullptr.
const storage::FieldDef* first_text(const storage::FileDef& def, const storage::KeyDef& key) {
  for (size_t c : key.components) {
    if (is_text(def.fields[c])) return &def.fields[c];
  }
  return nullptr;
}

// The key's leading number fields, up to its first text field.
std::vector<const storage::FieldDef*> leading_numbers(const storage::FileDef& def, const storage::KeyDef& key) {
  std::vector<const storage::FieldDef*> out;
  for (size_t c : key.components) {
    if (is_text(def.fields[c])) break;
    out.push_back(&def.fields[c]);
  }
  return out;
}

}  // namespace

// Numeric: the leading number fields as one number, the first weighing most
// (the others counted from their lowest value); alphabetic: the first
// letters of the first text field as character codes from the blank up,
// blank-padded.
double BrowseManager::StepValue(const Sort& sort, const void* image) const {
  double value = 0;
  if (sort.step == ThumbStep::Alphabetic) {
    const storage::FieldDef* f = first_text(def(), *sort.key);
    const std::string text = f ? field_text(*f, image) : std::string();
    for (size_t i = 0; i < kStepLetters; ++i) {
      char c = i < text.size() ? text[i] : ' ';
      if (sort.key->nocase) c = upper(c);
      value = value * kLetterCodes + (std::max<unsigned char>(static_cast<unsigned char>(c), ' ') - ' ');
    }
    return value;
  }
  bool first = true;
  for (const storage::FieldDef* f : leading_numbers(def(), *sort.key)) {
    const int64_t n = field_number(*f, image);
    value =
        first ? static_cast<double>(n) : value * radix(*f) + static_cast<double>(n - storage::lowest_number(f->kind));
    first = false;
  }
  return value;
}

// The lowest key image whose step value is `value`: the key fields the step
// does not weigh at their lowest, the other fields blank.
std::vector<char> BrowseManager::StepImage(const Sort& sort, double value) const {
  std::vector<char> image(def().struct_size, 0);
  view_->LowestKey(image.data());
  value = std::floor(value);
  if (sort.step == ThumbStep::Alphabetic) {
    const storage::FieldDef* f = first_text(def(), *sort.key);
    if (!f) return image;
    std::string text(kStepLetters, ' ');
    double rest = std::max(value, 0.0);
    for (size_t i = kStepLetters; i-- > 0;) {
      const double code = std::fmod(rest, kLetterCodes);
      rest = std::floor(rest / kLetterCodes);
      text[i] = static_cast<char>(static_cast<int>(code) + ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    set_field_text(*f, image.data(), text);
    return image;
  }
  const std::vector<const storage::FieldDef*> fields = leading_numbers(def(), *sort.key);
  if (fields.empty()) return image;
  std::vector<double> weight(fields.size(), 1.0);
  for (size_t i = fields.size() - 1; i-- > 0;) weight[i] = weight[i + 1] * radix(*fields[i + 1]);
  double rest = value;
  for (size_t i = 0; i < fields.size(); ++i) {
    const storage::FieldDef& f = *fields[i];
    double n = std::floor(rest / weight[i]);
    rest -= n * weight[i];
    if (i > 0) n += static_cast<double>(storage::lowest_number(f.kind));
    n = std::clamp(n, static_cast<double>(storage::lowest_number(f.kind)),
                   static_cast<double>(storage::highest_number(f.kind)));
    set_field_number(f, image.data(), static_cast<int64_t>(n));
  }
  return image;
}

// By the step: the selected record's value between those of the view's
// first and last records; by position: the records before it among all.
int BrowseManager::ThumbPosition() {
  Sort* sort = CurrentSort();
  if (!sort || rows_.empty() || !view_) return 0;
  const int index = std::clamp(selected_, 1, static_cast<int>(rows_.size())) - 1;
  const ViewRecord& at = rows_[static_cast<size_t>(index)].record;
  const BrowseView::Point point{at.image.data(), at.pointer};
  if (sort->step == ThumbStep::ByPosition) {
    // Counted up to a bound each way, so that a move over a large view
    // stays quick; beyond it the place is an estimate between the ends.
    const double before = static_cast<double>(view_->Backward(&point, kCountLimit).size());
    const double after = static_cast<double>(view_->Forward(&point, false, kCountLimit).size());
    return before + after == 0 ? 0 : static_cast<int>(std::lround(100 * before / (before + after)));
  }
  const std::vector<ViewRecord> first = view_->Forward(nullptr, false, 1);
  const std::vector<ViewRecord> last = view_->Backward(nullptr, 1);
  if (first.empty() || last.empty()) return 0;
  const double low = StepValue(*sort, first.front().image.data());
  const double high = StepValue(*sort, last.front().image.data());
  if (high <= low) return 0;
  const double place = (StepValue(*sort, at.image.data()) - low) / (high - low);
  return std::clamp(static_cast<int>(std::lround(100 * place)), 0, 100);
}

// The ends are the first and last records; in between the list is refilled
// around the record found, which stays the selected row.
void BrowseManager::Drag(int position) {
  Sort* sort = CurrentSort();
  if (!sort || !filled_) return;
  if (position <= 0 || position >= 100) {
    Scroll(position <= 0 ? ui::Event::ScrollTop : ui::Event::ScrollBottom);
    return;
  }
  if (sort->step == ThumbStep::ByPosition) {
    const std::vector<ViewRecord> all = view_->Forward(nullptr, false, kAll);
    if (all.empty()) return;
    const size_t at = static_cast<size_t>(std::lround(position * static_cast<double>(all.size() - 1) / 100));
    anchor_ = all[at].image;
    anchor_pointer_ = all[at].pointer;
  } else {
    const std::vector<ViewRecord> first = view_->Forward(nullptr, false, 1);
    const std::vector<ViewRecord> last = view_->Backward(nullptr, 1);
    if (first.empty() || last.empty()) return;
    const double low = StepValue(*sort, first.front().image.data());
    const double high = StepValue(*sort, last.front().image.data());
    anchor_ = StepImage(*sort, low + (high - low) * position / 100);
    anchor_pointer_ = 0;
  }
  from_buffer_ = true;
  ResetQueue();
  manager_->Reset(false);
}

void BrowseManager::UpdateBuffer() {
  bool have = selected_ >= 1 && static_cast<size_t>(selected_) <= rows_.size();
  for (size_t i = 0; i < fields_.size(); ++i) {
    fields_[i].set(have ? rows_[static_cast<size_t>(selected_) - 1].entry.values[i] : std::string());
  }
}

void BrowseManager::UpdateViewRecord() {
  if (!file_) return;
  if (selected_ < 1 || static_cast<size_t>(selected_) > rows_.size()) {
    UpdateBuffer();
    return;
  }
  if (file_->UseFile(use::Returns) != level::Benign) return;
  file_->FILE->watch();
  if (file_->FILE->reget(rows_[static_cast<size_t>(selected_) - 1].record.position) != err::NoError) {
    // Gone since it was listed: the buffer keeps at least what the row shows.
    UpdateBuffer();
  }
}

void BrowseManager::ResetFromBuffer() {
  if (!file_) return;
  const char* buffer = static_cast<const char*>(file_->BUFFER);
  anchor_.assign(buffer, buffer + def().struct_size);
  anchor_pointer_ = 0;
  from_buffer_ = true;
}

bool BrowseManager::Enabled(int control) { return control != 0 && !window().is_disabled(control); }

void BrowseManager::UpdateWindow() {
  bool rows = !rows_.empty();
  for (int control : {ChangeControl, DeleteControl}) {
    if (!control) continue;
    if (rows) {
      window().enable(control);
    } else {
      window().disable(control);
    }
  }
  if (!SelectControl) return;
  if (!select_mode_) {
    window().disable(SelectControl);
    window().hide(SelectControl);
  } else if (rows) {
    window().enable(SelectControl);
    window().set_default_button(SelectControl);
  } else {
    window().disable(SelectControl);
  }
}

void BrowseManager::AfterSelectionChange() {
  UpdateBuffer();
  manager_->Reset(false);
}

void BrowseManager::AskRecord(int request) {
  if (!manager_) return;
  if (request == request::Insert) {
    if (file_->PrimeRecord() != level::Benign) return;
  } else {
    if (rows_.empty()) return;
    UpdateViewRecord();
  }
  int answer = manager_->Run(ProcedureNumber, request);
  if (answer == response::Completed && (request == request::Insert || request == request::Change)) {
    // The form leaves the stored record in the buffer; that record becomes the selected row.
    const char* buffer = static_cast<const char*>(file_->BUFFER);
    anchor_.assign(buffer, buffer + def().struct_size);
    anchor_pointer_ = file_->FILE->pointer();
    from_buffer_ = true;
  }
  manager_->Reset(true);
  window().select(ListControl);
}

void BrowseManager::TakeSelect() {
  if (!select_mode_ || rows_.empty() || !manager_) return;
  UpdateBuffer();
  manager_->Response = response::Completed;
  window().post(ui::Event::CloseWindow);
}

void BrowseManager::Locate(char c) {
  Sort* sort = CurrentSort();
  if (!sort || sort->key->components.empty() || !filled_) return;
  size_t first = sort->key->components.front();
  // Under a range on the first field every row holds the same value there.
  if (sort->range_field == static_cast<int>(first)) return;
  const storage::FieldDef& field = def().fields[first];
  if (selected_ >= 1 && static_cast<size_t>(selected_) <= rows_.size()) {
    std::string shown = field_text(field, rows_[static_cast<size_t>(selected_) - 1].record.image.data());
    if (!shown.empty() && upper(shown.front()) == upper(c)) return;
  }
  std::vector<char> image(def().struct_size, 0);
  view_->LowestKey(image.data());
  if (is_text(field)) {
    set_field_text(field, image.data(), std::string(1, sort->key->nocase ? upper(c) : c));
  } else {
    if (c < '0' || c > '9') return;
    set_field_number(field, image.data(), c - '0');
  }
  anchor_ = std::move(image);
  anchor_pointer_ = 0;
  from_buffer_ = true;
  ResetQueue();
  manager_->Reset(false);
}

void BrowseManager::Popup() {
  struct Item {
    std::string text;
    int control;
  };
  std::vector<Item> items;
  const bool select = select_mode_ && SelectControl;
  if (PopupStandardTexts) {
    for (const Item& item : {Item{"&Insert", InsertControl}, Item{"&Change", ChangeControl},
                             Item{"&Delete", DeleteControl}, Item{"&Select", select ? SelectControl : 0}}) {
      if (item.control) items.push_back(item);
    }
  } else {
    if (select) items.push_back({"&Select", SelectControl});
    for (int control : {InsertControl, ChangeControl, DeleteControl}) {
      if (control) items.push_back({window().state(control).text, control});
    }
  }
  if (items.empty()) return;
  std::string menu;
  for (const Item& item : items) {
    if (!menu.empty()) menu += '|';
    if (!Enabled(item.control)) menu += '~';
    menu += item.text;
  }
  int chosen = window().popup(menu);
  if (chosen < 1 || static_cast<size_t>(chosen) > items.size()) return;
  int control = items[static_cast<size_t>(chosen) - 1].control;
  if (!Enabled(control)) return;
  if (control == SelectControl) {
    TakeSelect();
  } else if (control == InsertControl) {
    AskRecord(request::Insert);
  } else if (control == ChangeControl) {
    AskRecord(request::Change);
  } else {
    AskRecord(request::Delete);
  }
}

void BrowseManager::Scroll(ui::Event event) {
  int before = selected_;
  int count = static_cast<int>(rows_.size());
  int page = static_cast<int>(PageRows());
  int selected = before;
  switch (event) {
    case ui::Event::ScrollDown:
      if (count == 0) return;
      if (before < count) {
        selected = std::max(before + 1, 1);
      } else {
        ItemsToFill = 1;
        Fetch(fill::Forward);
        Trim(true);
        selected = static_cast<int>(rows_.size());
      }
      break;
    case ui::Event::ScrollUp:
      if (count == 0) return;
      if (before > 1) {
        selected = before - 1;
      } else {
        ItemsToFill = 1;
        Fetch(fill::Backward);
        Trim(false);
        selected = 1;
      }
      break;
    case ui::Event::PageDown: {
      ItemsToFill = static_cast<size_t>(page);
      Fetch(fill::Forward);
      int added = static_cast<int>(rows_.size()) - count;
      Trim(true);
      selected = added == 0 ? static_cast<int>(rows_.size()) : std::clamp(before, 1, static_cast<int>(rows_.size()));
      break;
    }
    case ui::Event::PageUp: {
      ItemsToFill = static_cast<size_t>(page);
      Fetch(fill::Backward);
      int added = static_cast<int>(rows_.size()) - count;
      Trim(false);
      selected = added == 0 ? std::min(1, static_cast<int>(rows_.size()))
                            : std::clamp(before, 1, static_cast<int>(rows_.size()));
      break;
    }
    case ui::Event::ScrollTop:
      rows_.clear();
      rows_changed_ = true;
      ItemsToFill = static_cast<size_t>(page);
      Fetch(fill::Forward);
      selected = rows_.empty() ? 0 : 1;
      break;
    case ui::Event::ScrollBottom:
      rows_.clear();
      rows_changed_ = true;
      ItemsToFill = static_cast<size_t>(page);
      Fetch(fill::Backward);
      selected = static_cast<int>(rows_.size());
      break;
    default: return;
  }
  ItemsToFill = 0;
  Show(selected);
  UpdateWindow();
  AfterSelectionChange();
}

int BrowseManager::TakeListEvent() {
  ui::Window& w = window();
  switch (w.event()) {
    case ui::Event::NewSelection: {
      int row = w.choice(ListControl);
      if (row >= 1 && static_cast<size_t>(row) <= rows_.size()) selected_ = row;
      w.state(ListControl).thumb = ThumbPosition();
      w.list_changed(ListControl);
      AfterSelectionChange();
      if (w.keycode() == ui::key::MouseRight && PopupMenu) Popup();
      break;
    }
    case ui::Event::ScrollUp:
    case ui::Event::ScrollDown:
    case ui::Event::PageUp:
    case ui::Event::PageDown:
    case ui::Event::ScrollTop:
    case ui::Event::ScrollBottom: Scroll(w.event()); break;
    case ui::Event::ScrollDrag: Drag(w.state(ListControl).dragged_to); break;
    case ui::Event::Accepted:
      // A double-click on a row, or Enter where the window has no default button.
      if (select_mode_) {
        if (Enabled(SelectControl)) TakeSelect();
      } else if (w.keycode() == ui::key::MouseLeft2 && Enabled(ChangeControl) && !rows_.empty()) {
        AskRecord(request::Change);
      }
      break;
    case ui::Event::AlertKey:
    case ui::Event::Locate: {
      int key = w.keycode();
      if (key == ui::key::Insert && Enabled(InsertControl)) {
        AskRecord(request::Insert);
      } else if (key == ui::key::Delete && Enabled(DeleteControl) && !rows_.empty()) {
        AskRecord(request::Delete);
      } else if (key == ui::key::CtrlEnter && Enabled(ChangeControl) && !rows_.empty()) {
        AskRecord(request::Change);
      } else if (key == ui::key::MouseRight && PopupMenu) {
        Popup();
      } else if (is_locator_key(key)) {
        Locate(static_cast<char>(key));
      }
      break;
    }
    default: break;
  }
  return level::Benign;
}

int BrowseManager::TakeEvent() {
  if (!manager_) return level::Benign;
  ui::Window& w = window();
  int control = w.field();
  if (control == 0) return level::Benign;
  if (control == ListControl) return TakeListEvent();
  if (w.event() != ui::Event::Accepted) return level::Benign;
  if (control == InsertControl) {
    AskRecord(request::Insert);
  } else if (control == ChangeControl) {
    AskRecord(request::Change);
  } else if (control == DeleteControl) {
    AskRecord(request::Delete);
  } else if (control == SelectControl) {
    TakeSelect();
  }
  return level::Benign;
}

void BrowseManager::Open() {
  if (!manager_) return;
  ui::Window& w = window();
  if (InsertControl) w.alert(ListControl, ui::key::Insert);
  if (DeleteControl) w.alert(ListControl, ui::key::Delete);
  if (ChangeControl) w.alert(ListControl, ui::key::CtrlEnter);
  for (int key = '0'; key <= 'z'; ++key) {
    if (is_locator_key(key)) w.alert(ListControl, key);
  }
}

void BrowseManager::Kill() {
  if (!manager_) return;
  if (select_mode_) {
    if (manager_->Response == response::Completed) {
      UpdateBuffer();
    } else if (!saved_buffer_.empty()) {
      std::memcpy(file_->BUFFER, saved_buffer_.data(), saved_buffer_.size());
    }
  }
  window().state(ListControl).paged = false;
  window().set_list(ListControl, nullptr);
}

void BrowseManager::Reset(bool force) {
  if (!manager_) return;
  ResetSort(force);
  std::vector<std::string> now = Watched();
  if (!force && filled_ && !sort_changed_ && now == watched_) return;
  watched_ = std::move(now);
  ResetQueue();
}

// A sort order chosen from the window's state (a tab, say) counts as a change too.
bool BrowseManager::ResetRequired() {
  if (!manager_ || !filled_) return false;
  ResetSort(false);
  return sort_changed_ || Watched() != watched_;
}

void BrowseManager::Update() { UpdateViewRecord(); }

size_t BrowseManager::PageRows() const {
  if (!manager_) return kRowsWithoutHeight;
  int height = manager_->window().control(ListControl).at.h;
  if (height <= 0) return kRowsWithoutHeight;
  bool header =
      std::any_of(format_.columns.begin(), format_.columns.end(), [](const ui::Column& c) { return c.has_header; });
  int rows = (height - (header ? kRowHeight : 0)) / kRowHeight;
  return static_cast<size_t>(std::max(rows, 1));
}

}  // namespace qvn::framework
