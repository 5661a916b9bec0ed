#include "platform/storage/schema.h"

#include <sqlite3.h>

#include <set>

#include "platform/core/error_state.h"
#include "platform/storage/record_image.h"
#include "platform/storage/sqlite_util.h"

namespace qvn::storage::detail {

namespace {

std::string bare_name(const std::string& label) {
  size_t colon = label.rfind(':');
  return colon == std::string::npos ? label : label.substr(colon + 1);
}

const char* column_type(FieldKind kind) { return is_text(kind) ? "TEXT" : "INTEGER"; }

int collate(void* nocase, int na, const void* a, int nb, const void* b) {
  return compare_text(std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)),
                      std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)), nocase != nullptr);
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (compare_text(a.substr(i, 1), b.substr(i, 1), true) != 0) return false;
  return true;
}

}  // namespace

std::string quote(std::string_view identifier) {
  std::string out = "\"";
  for (char ch : identifier) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}

Schema make_schema(const FileDef& def) {
  Schema s;
  s.create_table = "CREATE TABLE " + quote(kTable) + "(";
  for (size_t i = 0; i < def.fields.size(); ++i) {
    const FieldDef& f = def.fields[i];
    s.columns.push_back(quote(bare_name(f.name)));
    if (i) {
      s.column_list += ", ";
      s.create_table += ", ";
    }
    s.column_list += s.columns.back();
    s.create_table +=
        s.columns.back() + " " + column_type(f.kind) + " NOT NULL DEFAULT " + (is_text(f.kind) ? "''" : "0");
  }
  s.create_table += ")";

  for (const KeyDef& k : def.keys) {
    KeySql ks;
    ks.index_name = bare_name(k.name);
    std::string components, opt;
    size_t n = 0;
    for (size_t c : k.components) {
      const FieldDef& f = def.fields[c];
      const std::string& col = s.columns[c];
      std::string collation = is_text(f.kind) ? (k.nocase ? " COLLATE QVN_NOCASE" : " COLLATE QVN_TEXT") : "";
      std::string param = "?" + std::to_string(++n);
      if (n > 1) {
        components += ", ";
        opt += " OR ";
        ks.order_asc += ", ";
        ks.order_desc += ", ";
        ks.tuple += ", ";
        ks.params += ", ";
        ks.equal += " AND ";
      }
      components += col + collation;
      if (f.kind == FieldKind::CString)
        opt += "rtrim(" + col + ", ' ') <> ''";
      else
        opt += col + (is_text(f.kind) ? " <> ''" : " <> 0");
      ks.order_asc += col + collation;
      ks.order_desc += col + collation + " DESC";
      ks.tuple += col;
      ks.params += param + collation;
      ks.equal += col + " = " + param + collation;
    }
    std::string rowid_param = "?" + std::to_string(n + 1);
    ks.order_asc += ", rowid";
    ks.order_desc += ", rowid DESC";
    ks.tuple = "(" + ks.tuple + ", rowid)";
    ks.params = "(" + ks.params + ", " + rowid_param + ")";
    if (k.opt) ks.in_key = "(" + opt + ")";
    ks.create = std::string("CREATE ") + (k.dup ? "" : "UNIQUE ") + "INDEX " + quote(ks.index_name) + " ON " +
                quote(kTable) + "(" + components + ")" + (k.opt ? " WHERE " + ks.in_key : "");
    s.keys.push_back(std::move(ks));
  }
  return s;
}

void register_collations(sqlite3* db) {
  static int nocase_tag;
  sqlite3_create_collation(db, "QVN_NOCASE", SQLITE_UTF8, &nocase_tag, collate);
  sqlite3_create_collation(db, "QVN_TEXT", SQLITE_UTF8, nullptr, collate);
}

int check_shape(sqlite3* db, const std::string& alias, const FileDef& def, const Schema& schema) {
  auto query = [&](const std::string& sql, auto&& row) -> int {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK)
      while ((rc = sqlite3_step(st)) == SQLITE_ROW) row(st);
    int result = rc == SQLITE_DONE ? 0 : report_sqlite(db, rc);
    sqlite3_finalize(st);
    return result;
  };
  auto text = [](sqlite3_stmt* st, int i) {
    const unsigned char* t = sqlite3_column_text(st, i);
    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
  };
  std::string db_name = quote(alias) + ".";

  int64_t app_id = 0, key_format = 0;
  if (int rc = query("PRAGMA " + db_name + "application_id",
                     [&](sqlite3_stmt* st) { app_id = sqlite3_column_int64(st, 0); }))
    return rc;
  if (app_id != kApplicationId) {
    set_error(err::InvalidDataFile);
    return err::InvalidDataFile;
  }

  struct Column {
    std::string name, type;
    bool not_null;
  };
  std::vector<Column> columns;
  if (int rc = query("PRAGMA " + db_name + "table_info(" + quote(kTable) + ")", [&](sqlite3_stmt* st) {
        columns.push_back(Column{text(st, 1), text(st, 2), sqlite3_column_int(st, 3) != 0});
      }))
    return rc;
  // Every field holds a value: a column that may be NULL is not ours.
  bool shape_ok = columns.size() == def.fields.size();
  for (size_t i = 0; shape_ok && i < columns.size(); ++i) {
    shape_ok = same_name("\"" + columns[i].name + "\"", schema.columns[i]) &&
               same_name(columns[i].type, column_type(def.fields[i].kind)) && columns[i].not_null;
  }
  if (!shape_ok) {
    set_error(err::InvalidDataFile);
    return err::InvalidDataFile;
  }

  if (int rc = query("PRAGMA " + db_name + "user_version",
                     [&](sqlite3_stmt* st) { key_format = sqlite3_column_int64(st, 0); }))
    return rc;
  std::set<std::pair<std::string, std::string>> found, wanted;
  if (int rc = query("SELECT name, sql FROM " + db_name + "sqlite_schema WHERE type = 'index' AND sql IS NOT NULL",
                     [&](sqlite3_stmt* st) { found.emplace(text(st, 0), text(st, 1)); }))
    return rc;
  for (const KeySql& k : schema.keys) wanted.emplace(k.index_name, k.create);
  if (key_format != kKeyFormat || found != wanted) {
    set_error(err::InvalidKeyFile);
    return err::InvalidKeyFile;
  }
  return 0;
}

namespace {

int drop_all(sqlite3* db, const char* type) {
  std::vector<std::string> names;
  sqlite3_stmt* st = nullptr;
  std::string sql = std::string("SELECT name FROM sqlite_schema WHERE type = '") + type +
                    "' AND name NOT LIKE 'sqlite_%' AND sql IS NOT NULL";
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
  if (rc == SQLITE_OK)
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
      names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) return report_sqlite(db, rc);
  for (const std::string& name : names)
    if (int e = exec(db, std::string("DROP ") + type + " IF EXISTS " + quote(name))) return e;
  return 0;
}

int create_indexes(sqlite3* db, const Schema& schema) {
  for (const KeySql& k : schema.keys)
    if (int e = exec(db, k.create)) return e;
  return exec(db, "PRAGMA user_version = " + std::to_string(kKeyFormat));
}

}  // namespace

int install_schema(sqlite3* db, const Schema& schema) {
  for (const char* type : {"trigger", "view", "index", "table"})
    if (int e = drop_all(db, type)) return e;
  if (int e = exec(db, schema.create_table)) return e;
  if (int e = exec(db, "PRAGMA application_id = " + std::to_string(kApplicationId))) return e;
  return create_indexes(db, schema);
}

int rebuild_indexes(sqlite3* db, const Schema& schema) {
  if (int e = drop_all(db, "index")) return e;
  return create_indexes(db, schema);
}

}  // namespace qvn::storage::detail
