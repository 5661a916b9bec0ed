#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/core/error_state.h"
#include "platform/storage/record_file_impl.h"
#include "platform/storage/record_image.h"
#include "platform/storage/sqlite_util.h"

namespace qvn::storage {

using namespace detail;

namespace {

// Rows read ahead by one page: few after a repositioning or a write (the
// loop may be about to write again), more while reading goes on undisturbed.
constexpr size_t kFirstPage = 4;
constexpr size_t kLargestPage = 256;

// Runs a statement that returns no rows; resets it either way.
int run(sqlite3* db, sqlite3_stmt* st) {
  int rc = sqlite3_step(st);
  int result = rc == SQLITE_DONE ? 0 : report_sqlite(db, rc);
  sqlite3_reset(st);
  return result;
}

// Binds a value as it was stored.
void bind_stored(sqlite3_stmt* st, int at, const StoredValue& v) {
  switch (v.type) {
    case SQLITE_INTEGER: sqlite3_bind_int64(st, at, v.integer); break;
    case SQLITE_FLOAT: sqlite3_bind_double(st, at, v.real); break;
    case SQLITE_TEXT:
      sqlite3_bind_text(st, at, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
      break;
    case SQLITE_BLOB:
      sqlite3_bind_blob(st, at, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
      break;
    default: sqlite3_bind_null(st, at); break;
  }
}

// The column's value as stored; called before anything converts it.
StoredValue stored_value(sqlite3_stmt* st, int col) {
  StoredValue v;
  v.type = sqlite3_column_type(st, col);
  switch (v.type) {
    case SQLITE_INTEGER: v.integer = sqlite3_column_int64(st, col); break;
    case SQLITE_FLOAT: v.real = sqlite3_column_double(st, col); break;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
      const void* p =
          v.type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(st, col)) : sqlite3_column_blob(st, col);
      int n = sqlite3_column_bytes(st, col);
      if (p && n > 0) v.bytes.assign(static_cast<const char*>(p), static_cast<size_t>(n));
      break;
    }
    default: break;
  }
  return v;
}

// Whether a stored text is held exactly by the field: a STRING keeps no
// trailing blanks (it is stored clipped), a CSTRING has room for its
// terminator and holds none inside.
bool text_fits(const FieldDef& f, std::string_view text) {
  if (f.kind == FieldKind::CString) return text.size() < f.width && text.find('\0') == std::string_view::npos;
  return text.size() <= f.width && (text.empty() || text.back() != ' ');
}

// A stored number clipped to the field's range. Values of other types are
// placed where the key order puts them, so that the clipped values keep
// that order: a text or blob sorts after every number and reads as the
// highest value, a missing one first and as the lowest.
int64_t clipped_number(const FieldDef& f, const StoredValue& v) {
  const int64_t low = lowest_number(f.kind), high = highest_number(f.kind);
  switch (v.type) {
    case SQLITE_INTEGER: return std::clamp(v.integer, low, high);
    case SQLITE_FLOAT:
      if (v.real <= static_cast<double>(low)) return low;
      if (v.real >= static_cast<double>(high)) return high;
      return static_cast<int64_t>(v.real);
    case SQLITE_TEXT:
    case SQLITE_BLOB: return high;
    default: return low;
  }
}

const StoredValues kNoStoredValues;

}  // namespace

void RecordFile::Impl::build_sql() {
  const std::string table = quote(att->alias) + "." + quote(kTable);
  const std::string select = "SELECT rowid, " + schema.column_list + " FROM " + table;
  const size_t n = def.fields.size();
  auto param = [](size_t i) { return "?" + std::to_string(i); };
  std::string values, assign, same;
  for (size_t i = 0; i < n; ++i) {
    values += (i ? ", " : "") + param(i + 1);
    assign += (i ? ", " : "") + schema.columns[i] + " = " + param(i + 1);
    same += " AND " + schema.columns[i] + " IS " + param(n + 2 + i);
  }
  std::string same_for_delete;
  for (size_t i = 0; i < n; ++i) same_for_delete += " AND " + schema.columns[i] + " IS " + param(i + 2);

  sql.assign(kFixedOps + def.keys.size() * kKeyOps, std::string());
  sql[kInsert] = "INSERT INTO " + table + "(" + schema.column_list + ") VALUES(" + values + ")";
  sql[kUpdate] = "UPDATE " + table + " SET " + assign + " WHERE rowid = " + param(n + 1);
  sql[kUpdateWatched] = sql[kUpdate] + same;
  sql[kDelete] = "DELETE FROM " + table + " WHERE rowid = ?1";
  sql[kDeleteWatched] = sql[kDelete] + same_for_delete;
  sql[kByRowid] = select + " WHERE rowid = ?1";
  sql[kCount] = "SELECT count(*) FROM " + table;
  sql[kDeleteAll] = "DELETE FROM " + table;
  sql[kFileAfter] = select + " WHERE rowid > ?1 ORDER BY rowid LIMIT ?2";
  sql[kFileBefore] = select + " WHERE rowid < ?1 ORDER BY rowid DESC LIMIT ?2";
  for (size_t k = 0; k < def.keys.size(); ++k) {
    const KeySql& ks = schema.keys[k];
    const size_t parts = def.keys[k].components.size();
    std::string where = ks.in_key.empty() ? std::string(" WHERE ") : " WHERE " + ks.in_key + " AND ";
    std::string all = ks.in_key.empty() ? std::string() : " WHERE " + ks.in_key;
    std::string limit = " LIMIT " + param(parts + 2);
    sql[key_op(k, kKeyFirst)] = select + all + " ORDER BY " + ks.order_asc + " LIMIT ?1";
    sql[key_op(k, kKeyLast)] = select + all + " ORDER BY " + ks.order_desc + " LIMIT ?1";
    sql[key_op(k, kKeyAfter)] = select + where + ks.tuple + " > " + ks.params + " ORDER BY " + ks.order_asc + limit;
    sql[key_op(k, kKeyBefore)] = select + where + ks.tuple + " < " + ks.params + " ORDER BY " + ks.order_desc + limit;
    sql[key_op(k, kKeyGet)] = select + where + ks.equal + " ORDER BY " + ks.order_asc + " LIMIT 1";
  }
  stmts.assign(sql.size(), nullptr);
}

sqlite3_stmt* RecordFile::Impl::statement(size_t op) {
  if (!stmts[op]) stmts[op] = session->statement(*att, sql[op]);
  return stmts[op];
}

int RecordFile::Impl::check_usable(bool write) const {
  if (!is_open) return failed(err::FileNotOpen);
  if (def.driver == Driver::Dos) return failed(err::InvalidRecordDeclaration);
  if (write && read_only) return failed(err::AccessDenied);
  return 0;
}

int RecordFile::Impl::key_index(const KeyDef& key, size_t* index) const {
  for (size_t i = 0; i < def.keys.size(); ++i) {
    if (&def.keys[i] == &key || def.keys[i].name == key.name) {
      *index = i;
      return 0;
    }
  }
  set_driver_error(err::DriverError, 0, "Key " + key.name + " is not a key of " + def.label);
  return err::DriverError;
}

void RecordFile::Impl::bind_fields(sqlite3_stmt* st, const void* record, const StoredValues& stored, int first) const {
  for (size_t i = 0; i < def.fields.size(); ++i) {
    const FieldDef& f = def.fields[i];
    int at = first + static_cast<int>(i);
    if (!stored.empty() && stored[i].type != 0) {
      bind_stored(st, at, stored[i]);
    } else if (is_text(f.kind)) {
      std::string_view t = stored_text_of(f, record);
      sqlite3_bind_text(st, at, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_int64(st, at, number_of(f, record));
    }
  }
}

void RecordFile::Impl::bind_key(sqlite3_stmt* st, size_t key, const void* record, const StoredValues& stored) const {
  int at = 1;
  for (size_t c : def.keys[key].components) {
    const FieldDef& f = def.fields[c];
    if (!stored.empty() && stored[c].type != 0) {
      bind_stored(st, at, stored[c]);
    } else if (is_text(f.kind)) {
      std::string_view t = text_of(f, record);
      sqlite3_bind_text(st, at, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_int64(st, at, number_of(f, record));
    }
    ++at;
  }
}

void RecordFile::Impl::read_row(sqlite3_stmt* st, void* image, StoredValues* stored) const {
  stored->clear();
  auto keep = [&](size_t i, StoredValue v) {
    if (stored->empty()) stored->resize(def.fields.size());
    (*stored)[i] = std::move(v);
  };
  for (size_t i = 0; i < def.fields.size(); ++i) {
    const FieldDef& f = def.fields[i];
    int col = static_cast<int>(i) + 1;
    int type = sqlite3_column_type(st, col);
    if (is_text(f.kind)) {
      // Anything but a text is kept before it is read as one.
      StoredValue v;
      if (type != SQLITE_TEXT) v = stored_value(st, col);
      const void* p = type == SQLITE_BLOB ? sqlite3_column_blob(st, col) : sqlite3_column_text(st, col);
      std::string_view t;
      if (p) t = std::string_view(static_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st, col)));
      set_text(f, image, t);
      if (type == SQLITE_TEXT && !text_fits(f, t)) {
        v.type = SQLITE_TEXT;
        v.bytes.assign(t);
      }
      if (v.type != 0) keep(i, std::move(v));
      continue;
    }
    if (type == SQLITE_INTEGER) {
      int64_t n = sqlite3_column_int64(st, col);
      if (n >= lowest_number(f.kind) && n <= highest_number(f.kind)) {
        set_number(f, image, n);
        continue;
      }
    }
    StoredValue v = stored_value(st, col);
    set_number(f, image, clipped_number(f, v));
    keep(i, std::move(v));
  }
}

void RecordFile::Impl::take(const char* image, int64_t rowid, const StoredValues& stored) {
  copy_fields(def, image, buf);
  std::memcpy(as_read.data(), image, def.struct_size);
  as_read_stored = stored;
  current = rowid;
}

void RecordFile::Impl::forget_current() {
  current = 0;
  as_read_stored.clear();
  if (!as_read.empty()) std::memset(as_read.data(), 0, as_read.size());
}

int RecordFile::Impl::read_by_rowid(int64_t rowid, std::vector<char>* image, StoredValues* stored, bool* found) {
  *found = false;
  sqlite3_stmt* st = statement(kByRowid);
  if (!st) return error_code();
  sqlite3_bind_int64(st, 1, rowid);
  int rc = sqlite3_step(st);
  if (rc == SQLITE_ROW) {
    image->assign(buf, buf + def.struct_size);
    read_row(st, image->data(), stored);
    *found = true;
  }
  int result = (rc == SQLITE_ROW || rc == SQLITE_DONE) ? 0 : report_sqlite(session->db(), rc);
  sqlite3_reset(st);
  return result;
}

int RecordFile::Impl::fill_page(int direction) {
  Cursor& c = cursor;
  bool continuing = c.direction == direction && c.generation == att->generation && !c.rowids.empty();
  c.page = continuing ? std::min(c.page * 2, kLargestPage) : kFirstPage;
  const bool forward = direction > 0;
  sqlite3_stmt* st = nullptr;
  int limit_at = 0;
  if (c.mode == Cursor::Mode::File) {
    st = statement(forward ? kFileAfter : kFileBefore);
    if (!st) return error_code();
    int64_t from = c.anchor == Cursor::Anchor::Row ? c.anchor_rowid : (forward ? INT64_MIN : INT64_MAX);
    sqlite3_bind_int64(st, 1, from);
    limit_at = 2;
  } else if (c.anchor == Cursor::Anchor::Start) {
    st = statement(key_op(c.key, forward ? kKeyFirst : kKeyLast));
    if (!st) return error_code();
    limit_at = 1;
  } else {
    st = statement(key_op(c.key, forward ? kKeyAfter : kKeyBefore));
    if (!st) return error_code();
    bind_key(st, c.key, c.anchor_image.data(), c.anchor_stored);
    int parts = static_cast<int>(def.keys[c.key].components.size());
    // From a seek every record with an equal key value is included.
    int64_t rowid = c.anchor == Cursor::Anchor::Row ? c.anchor_rowid : (forward ? INT64_MIN : INT64_MAX);
    sqlite3_bind_int64(st, parts + 1, rowid);
    limit_at = parts + 2;
  }
  sqlite3_bind_int64(st, limit_at, static_cast<int64_t>(c.page));

  c.rows.resize(c.page * def.struct_size);
  c.stored.resize(c.page);
  c.rowids.clear();
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    char* image = c.rows.data() + c.rowids.size() * def.struct_size;
    std::memcpy(image, buf, def.struct_size);
    read_row(st, image, &c.stored[c.rowids.size()]);
    c.rowids.push_back(sqlite3_column_int64(st, 0));
  }
  int result = rc == SQLITE_DONE ? 0 : report_sqlite(session->db(), rc);
  sqlite3_reset(st);
  c.next_row = 0;
  c.direction = direction;
  c.generation = att->generation;
  if (result) c.rowids.clear();
  return result;
}

int RecordFile::Impl::step(int direction) {
  if (int rc = check_usable(false)) return rc;
  Cursor& c = cursor;
  if (c.mode == Cursor::Mode::None) return failed(err::RecordNotAvailable);
  for (;;) {
    bool usable = c.direction == direction && c.generation == att->generation && c.next_row < c.rowids.size();
    if (!usable) {
      // A short page means the end was reached; it is looked for again on
      // the next read, since records may have come since.
      if (int rc = fill_page(direction)) return rc;
      if (c.rowids.empty()) return failed(err::RecordNotAvailable);
    }
    const size_t row = c.next_row++;
    const char* image = c.rows.data() + row * def.struct_size;
    int64_t rowid = c.rowids[row];
    c.anchor = Cursor::Anchor::Row;
    c.anchor_rowid = rowid;
    c.anchor_image.assign(image, image + def.struct_size);
    c.anchor_stored = c.stored[row];
    if (!c.rewritten.empty() && c.rewritten.erase(rowid)) continue;
    take(image, rowid, c.stored[row]);
    c.last_returned = rowid;
    return succeeded();
  }
}

int RecordFile::add() {
  Impl& m = *impl_;
  if (int rc = m.check_usable(true)) return rc;
  sqlite3_stmt* st = m.statement(kInsert);
  if (!st) return error_code();
  m.bind_fields(st, m.buf, kNoStoredValues, 1);
  if (int rc = run(m.session->db(), st)) return rc;
  m.wrote();
  m.take(m.buf, sqlite3_last_insert_rowid(m.session->db()), kNoStoredValues);
  return succeeded();
}

int RecordFile::put() {
  Impl& m = *impl_;
  if (int rc = m.check_usable(true)) return rc;
  if (m.current == 0) return failed(err::RecordNotAvailable);
  sqlite3_stmt* st = m.statement(m.watching ? kUpdateWatched : kUpdate);
  if (!st) return error_code();
  const int n = static_cast<int>(m.def.fields.size());
  m.bind_fields(st, m.buf, kNoStoredValues, 1);
  sqlite3_bind_int64(st, n + 1, m.current);
  // The watched write compares what was read, as it was stored.
  if (m.watching) m.bind_fields(st, m.as_read.data(), m.as_read_stored, n + 2);
  if (int rc = run(m.session->db(), st)) return rc;
  if (sqlite3_changes(m.session->db()) == 0) return m.refuse_stale_write(true);
  m.wrote();
  std::memcpy(m.as_read.data(), m.buf, m.def.struct_size);
  m.as_read_stored.clear();
  if (m.cursor.mode == Cursor::Mode::Key && m.cursor.last_returned == m.current) m.cursor.rewritten.insert(m.current);
  return succeeded();
}

int RecordFile::Impl::refuse_stale_write(bool into_buffer) {
  std::vector<char> stored;
  StoredValues values;
  bool found = false;
  if (int rc = read_by_rowid(current, &stored, &values, &found)) return rc;
  if (!found) return failed(err::RecordNotFound);
  if (into_buffer) {
    take(stored.data(), current, values);
  } else {
    std::memcpy(as_read.data(), stored.data(), def.struct_size);
    as_read_stored = values;
  }
  return failed(err::RecordChangedByAnotherStation);
}

int RecordFile::erase() {
  Impl& m = *impl_;
  if (int rc = m.check_usable(true)) return rc;
  if (m.current == 0) return failed(err::RecordNotAvailable);
  sqlite3_stmt* st = m.statement(m.watching ? kDeleteWatched : kDelete);
  if (!st) return error_code();
  sqlite3_bind_int64(st, 1, m.current);
  if (m.watching) m.bind_fields(st, m.as_read.data(), m.as_read_stored, 2);
  if (int rc = run(m.session->db(), st)) return rc;
  // The caller's buffer stays as it is: the record was not deleted.
  if (sqlite3_changes(m.session->db()) == 0) return m.refuse_stale_write(false);
  m.wrote();
  m.forget_current();
  return succeeded();
}

void RecordFile::clear_buffer() { clear_record(impl_->def, impl_->buf); }

int RecordFile::set_order(const KeyDef& key) {
  Impl& m = *impl_;
  if (int rc = m.check_usable(false)) return rc;
  size_t k;
  if (int rc = m.key_index(key, &k)) return rc;
  m.cursor.restart(Cursor::Mode::Key, k, Cursor::Anchor::Start);
  return succeeded();
}

int RecordFile::set_order_from_buffer(const KeyDef& key) {
  Impl& m = *impl_;
  if (int rc = m.check_usable(false)) return rc;
  size_t k;
  if (int rc = m.key_index(key, &k)) return rc;
  m.cursor.restart(Cursor::Mode::Key, k, Cursor::Anchor::Seek);
  m.cursor.anchor_image.assign(m.buf, m.buf + m.def.struct_size);
  return succeeded();
}

int RecordFile::set_order_file() {
  Impl& m = *impl_;
  if (int rc = m.check_usable(false)) return rc;
  m.cursor.restart(Cursor::Mode::File, 0, Cursor::Anchor::Start);
  return succeeded();
}

int RecordFile::next() { return impl_->step(1); }
int RecordFile::previous() { return impl_->step(-1); }

int RecordFile::get(const KeyDef& key) {
  Impl& m = *impl_;
  if (int rc = m.check_usable(false)) return rc;
  size_t k;
  if (int rc = m.key_index(key, &k)) return rc;
  sqlite3_stmt* st = m.statement(Impl::key_op(k, kKeyGet));
  if (!st) return error_code();
  m.bind_key(st, k, m.buf, kNoStoredValues);
  int rc = sqlite3_step(st);
  if (rc == SQLITE_ROW) {
    std::vector<char> image(m.buf, m.buf + m.def.struct_size);
    StoredValues values;
    m.read_row(st, image.data(), &values);
    int64_t rowid = sqlite3_column_int64(st, 0);
    sqlite3_reset(st);
    m.take(image.data(), rowid, values);
    return succeeded();
  }
  int result = rc == SQLITE_DONE ? 0 : report_sqlite(m.session->db(), rc);
  sqlite3_reset(st);
  if (result) return result;
  clear_buffer();
  m.forget_current();
  return failed(err::RecordNotFound);
}

// A read by pointer that finds nothing leaves no record current, so that a
// put or erase after it cannot act on the record read before; the buffer
// stays as the caller had it.
int RecordFile::get_pointer(int64_t pointer) {
  Impl& m = *impl_;
  if (int rc = m.check_usable(false)) return rc;
  if (pointer <= 0) {
    m.forget_current();
    return failed(err::RecordNotFound);
  }
  std::vector<char> image;
  StoredValues values;
  bool found = false;
  if (int rc = m.read_by_rowid(pointer, &image, &values, &found)) {
    m.forget_current();
    return rc;
  }
  if (!found) {
    m.forget_current();
    return failed(err::RecordNotFound);
  }
  m.take(image.data(), pointer, values);
  return succeeded();
}

int64_t RecordFile::pointer() const { return impl_->current; }

std::string RecordFile::position(const KeyDef& key) const {
  const Impl& m = *impl_;
  if (m.current == 0) return {};
  size_t k;
  if (m.key_index(key, &k)) return {};
  return encode_position(m.def, m.def.keys[k], m.as_read.data(), m.current);
}

std::string RecordFile::position() const {
  return impl_->current == 0 ? std::string() : std::to_string(impl_->current);
}

int RecordFile::reget(const KeyDef& key, std::string_view position) {
  Impl& m = *impl_;
  if (int rc = m.check_usable(false)) return rc;
  size_t k;
  if (int rc = m.key_index(key, &k)) return rc;
  std::vector<char> wanted(m.buf, m.buf + m.def.struct_size);
  int64_t rowid = 0;
  if (!decode_position(m.def, m.def.keys[k], position, wanted.data(), &rowid) || rowid <= 0)
    return failed(err::RecordNotFound);
  std::vector<char> image;
  StoredValues values;
  bool found = false;
  if (int rc = m.read_by_rowid(rowid, &image, &values, &found)) return rc;
  // The position holds the key value: a record whose key has changed since
  // is no longer at that position.
  if (!found || !key_values_equal(m.def, m.def.keys[k], wanted.data(), image.data()))
    return failed(err::RecordNotFound);
  m.take(image.data(), rowid, values);
  m.cursor.restart(Cursor::Mode::Key, k, Cursor::Anchor::Row);
  m.cursor.anchor_image = image;
  m.cursor.anchor_stored = values;
  m.cursor.anchor_rowid = rowid;
  m.cursor.last_returned = rowid;
  return succeeded();
}

int RecordFile::reget(std::string_view position) {
  int64_t rowid = 0;
  for (char ch : position) {
    if (ch < '0' || ch > '9' || rowid > (INT64_MAX - 9) / 10) {
      impl_->forget_current();
      return failed(err::RecordNotFound);
    }
    rowid = rowid * 10 + (ch - '0');
  }
  return get_pointer(rowid);
}

int64_t RecordFile::records() {
  Impl& m = *impl_;
  if (m.def.driver == Driver::Dos && m.is_open) {
    succeeded();
    return 0;
  }
  if (m.check_usable(false)) return 0;
  sqlite3_stmt* st = m.statement(kCount);
  if (!st) return 0;
  int rc = sqlite3_step(st);
  int64_t n = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
  if (rc == SQLITE_ROW)
    succeeded();
  else
    report_sqlite(m.session->db(), rc);
  sqlite3_reset(st);
  return n;
}

int RecordFile::empty() {
  Impl& m = *impl_;
  if (int rc = m.check_usable(true)) return rc;
  sqlite3_stmt* st = m.statement(kDeleteAll);
  if (!st) return error_code();
  if (int rc = run(m.session->db(), st)) return rc;
  m.wrote();
  m.forget_current();
  return succeeded();
}

}  // namespace qvn::storage
