// Reads a 100,000-entry activity log in clock-key order through the record
// layer and with a plain SQLite statement, and times adding entries one by
// one. The last line is "scan-ratio: R", layer time over raw time.

#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/storage/record_file.h"

using namespace qvn;
using namespace qvn::storage;

namespace {

struct LogRecord {
  FixedString<40> apps;
  int32_t date;
  int32_t clock;
  FixedString<80> event;
};

constexpr int kEntries = 100000;
constexpr int kSingleAdds = 10000;
constexpr int kRuns = 3;

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void fill(LogRecord& rec, int i) {
  rec.apps = "APP" + std::to_string(i % 50) + ".APP";
  rec.date = 80000 + i / 5000;
  rec.clock = (i * 7919) % 8640000 + 1;
  rec.event = "Make Finished " + std::to_string(i);
}

}  // namespace

int main() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/qvn-bench-storage-XXXXXX";
  if (!mkdtemp(pattern.data())) return 1;
  const std::string dir = pattern;

  FixedString<64> name;
  name = dir + "/TEMPFILE.TPS";
  FileDef def;
  def.label = "TempFile";
  def.prefix = "TMP";
  def.fields = {QVN_FIELD(LogRecord, apps, "TMP:APPS"), QVN_FIELD(LogRecord, date, "TMP:DATE"),
                QVN_FIELD(LogRecord, clock, "TMP:CLOCK"), QVN_FIELD(LogRecord, event, "TMP:EVENT")};
  KeyDef clockkey;
  clockkey.name = "tmp:clockkey";
  clockkey.components = {1, 2};
  clockkey.dup = clockkey.opt = clockkey.nocase = true;
  def.keys = {clockkey};
  def.struct_size = sizeof(LogRecord);
  def.name_var = name.data();
  def.name_width = 64;

  LogRecord rec{};
  RecordFile log(def, &rec);
  if (log.create() || log.open()) {
    std::printf("cannot make %s: %s\n", name.str().c_str(), error_text().c_str());
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  log.stream();
  for (int i = 0; i < kEntries; ++i) {
    fill(rec, i);
    if (log.add()) return 1;
  }
  log.flush();
  std::printf("build %d entries in one batch: %.3f s\n", kEntries, seconds_since(start));

  double layer = 1e9, raw = 1e9;
  long long layer_sum = 0, raw_sum = 0;
  for (int run = 0; run < kRuns; ++run) {
    start = std::chrono::steady_clock::now();
    long long sum = 0;
    int n = 0;
    log.set_order(def.keys[0]);
    while (log.next() == 0) {
      sum += rec.clock + rec.apps.clipped().size() + rec.event.clipped().size();
      ++n;
    }
    layer = std::min(layer, seconds_since(start));
    layer_sum = sum;
    if (n != kEntries) std::printf("layer read %d entries\n", n);
  }

  sqlite3* db = nullptr;
  sqlite3_open_v2(name.str().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT rowid, APPS, DATE, CLOCK, EVENT FROM records WHERE (DATE <> 0 OR CLOCK <> 0) "
                     "ORDER BY DATE, CLOCK, rowid",
                     -1, &st, nullptr);
  for (int run = 0; run < kRuns; ++run) {
    start = std::chrono::steady_clock::now();
    long long sum = 0;
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      LogRecord r;
      r.apps = std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                                static_cast<size_t>(sqlite3_column_bytes(st, 1)));
      r.date = sqlite3_column_int(st, 2);
      r.clock = sqlite3_column_int(st, 3);
      r.event = std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(st, 4)),
                                 static_cast<size_t>(sqlite3_column_bytes(st, 4)));
      sum += r.clock + r.apps.clipped().size() + r.event.clipped().size();
      ++n;
    }
    sqlite3_reset(st);
    raw = std::min(raw, seconds_since(start));
    raw_sum = sum;
    if (n != kEntries) std::printf("raw read %d entries\n", n);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  if (layer_sum != raw_sum) std::printf("the two reads differ\n");

  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kSingleAdds; ++i) {
    fill(rec, kEntries + i);
    if (log.add()) {
      std::printf("add failed: %s\n", error_text().c_str());
      return 1;
    }
  }
  double adds = seconds_since(start);
  log.close();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);

  std::printf("scan %d entries in clock-key order, layer: %.1f ms\n", kEntries, layer * 1000);
  std::printf("scan %d entries in clock-key order, raw SQLite: %.1f ms\n", kEntries, raw * 1000);
  std::printf("add %d entries one by one, each committed: %.3f s (%.0f us each)\n", kSingleAdds, adds,
              adds / kSingleAdds * 1e6);
  std::printf("scan-ratio: %.2f\n", layer / raw);
  return 0;
}
