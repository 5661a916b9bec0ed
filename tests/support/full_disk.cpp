#include "support/full_disk.h"

#include <sqlite3.h>

#include <atomic>
#include <cctype>
#include <string_view>

namespace qvn::test_support {

namespace {

// The file system in force, shared by the functions SQLite calls. It is
// never freed: a connection opened through it may outlive the FullDisk, and
// then simply writes again.
struct Shim {
  sqlite3_vfs vfs{};
  sqlite3_vfs* real = nullptr;
  std::string journal;  // "/<NAME>-JOURNAL", upper case
  std::atomic<bool> full{false};
  std::atomic<int> refused{0};
};

Shim& shim() {
  static Shim s;
  return s;
}

struct ShimFile {
  sqlite3_file base;
  sqlite3_file* real;  // lies right behind this struct
  bool journal;        // the full file's rollback journal
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }
const sqlite3_io_methods& io(sqlite3_file* f) { return *real(f)->pMethods; }

bool names_journal(const char* name) {
  if (name == nullptr) return false;
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string& end = shim().journal;
  return upper.size() >= end.size() && upper.compare(upper.size() - end.size(), end.size(), end) == 0;
}

int file_close(sqlite3_file* f) { return io(f).xClose(real(f)); }
int file_read(sqlite3_file* f, void* b, int n, sqlite3_int64 at) { return io(f).xRead(real(f), b, n, at); }
int file_write(sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
  if (reinterpret_cast<ShimFile*>(f)->journal && shim().full) {
    ++shim().refused;
    return SQLITE_FULL;
  }
  return io(f).xWrite(real(f), b, n, at);
}
int file_truncate(sqlite3_file* f, sqlite3_int64 size) { return io(f).xTruncate(real(f), size); }
int file_sync(sqlite3_file* f, int flags) { return io(f).xSync(real(f), flags); }
int file_size(sqlite3_file* f, sqlite3_int64* size) { return io(f).xFileSize(real(f), size); }
int file_lock(sqlite3_file* f, int level) { return io(f).xLock(real(f), level); }
int file_unlock(sqlite3_file* f, int level) { return io(f).xUnlock(real(f), level); }
int file_reserved(sqlite3_file* f, int* out) { return io(f).xCheckReservedLock(real(f), out); }
int file_control(sqlite3_file* f, int op, void* arg) { return io(f).xFileControl(real(f), op, arg); }
int file_sector(sqlite3_file* f) { return io(f).xSectorSize(real(f)); }
int file_device(sqlite3_file* f) { return io(f).xDeviceCharacteristics(real(f)); }
int file_shm_map(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
  return io(f).iVersion >= 2 ? io(f).xShmMap(real(f), page, size, extend, out) : SQLITE_IOERR;
}
int file_shm_lock(sqlite3_file* f, int offset, int n, int flags) {
  return io(f).iVersion >= 2 ? io(f).xShmLock(real(f), offset, n, flags) : SQLITE_IOERR;
}
void file_shm_barrier(sqlite3_file* f) {
  if (io(f).iVersion >= 2) io(f).xShmBarrier(real(f));
}
int file_shm_unmap(sqlite3_file* f, int remove) {
  return io(f).iVersion >= 2 ? io(f).xShmUnmap(real(f), remove) : SQLITE_OK;
}
int file_fetch(sqlite3_file* f, sqlite3_int64 at, int n, void** out) {
  if (io(f).iVersion >= 3) return io(f).xFetch(real(f), at, n, out);
  *out = nullptr;
  return SQLITE_OK;
}
int file_unfetch(sqlite3_file* f, sqlite3_int64 at, void* p) {
  return io(f).iVersion >= 3 ? io(f).xUnfetch(real(f), at, p) : SQLITE_OK;
}

const sqlite3_io_methods kFileMethods = {
    3,
    file_close,
    file_read,
    file_write,
    file_truncate,
    file_sync,
    file_size,
    file_lock,
    file_unlock,
    file_reserved,
    file_control,
    file_sector,
    file_device,
    file_shm_map,
    file_shm_lock,
    file_shm_barrier,
    file_shm_unmap,
    file_fetch,
    file_unfetch,
};

int vfs_open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* out_flags) {
  auto* file = reinterpret_cast<ShimFile*>(f);
  file->real = reinterpret_cast<sqlite3_file*>(file + 1);
  file->journal = (flags & SQLITE_OPEN_MAIN_JOURNAL) != 0 && names_journal(name);
  file->real->pMethods = nullptr;
  const int rc = shim().real->xOpen(shim().real, name, file->real, flags, out_flags);
  file->base.pMethods = file->real->pMethods != nullptr ? &kFileMethods : nullptr;
  return rc;
}
int vfs_delete(sqlite3_vfs*, const char* name, int sync) { return shim().real->xDelete(shim().real, name, sync); }
int vfs_access(sqlite3_vfs*, const char* name, int flags, int* out) {
  return shim().real->xAccess(shim().real, name, flags, out);
}
int vfs_full_pathname(sqlite3_vfs*, const char* name, int n, char* out) {
  return shim().real->xFullPathname(shim().real, name, n, out);
}
void* vfs_dl_open(sqlite3_vfs*, const char* name) { return shim().real->xDlOpen(shim().real, name); }
void vfs_dl_error(sqlite3_vfs*, int n, char* out) { shim().real->xDlError(shim().real, n, out); }
void (*vfs_dl_sym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
  return shim().real->xDlSym(shim().real, handle, symbol);
}
void vfs_dl_close(sqlite3_vfs*, void* handle) { shim().real->xDlClose(shim().real, handle); }
int vfs_randomness(sqlite3_vfs*, int n, char* out) { return shim().real->xRandomness(shim().real, n, out); }
int vfs_sleep(sqlite3_vfs*, int us) { return shim().real->xSleep(shim().real, us); }
int vfs_current_time(sqlite3_vfs*, double* out) { return shim().real->xCurrentTime(shim().real, out); }
int vfs_last_error(sqlite3_vfs*, int n, char* out) { return shim().real->xGetLastError(shim().real, n, out); }
int vfs_current_time_ms(sqlite3_vfs*, sqlite3_int64* out) { return shim().real->xCurrentTimeInt64(shim().real, out); }

}  // namespace

FullDisk::FullDisk(std::string file_name) {
  Shim& s = shim();
  if (s.real == nullptr) {
    s.real = sqlite3_vfs_find(nullptr);
    s.vfs = sqlite3_vfs{.iVersion = 2,
                        .szOsFile = static_cast<int>(sizeof(ShimFile)) + s.real->szOsFile,
                        .mxPathname = s.real->mxPathname,
                        .pNext = nullptr,
                        .zName = "qvn-full-disk",
                        .pAppData = nullptr,
                        .xOpen = vfs_open,
                        .xDelete = vfs_delete,
                        .xAccess = vfs_access,
                        .xFullPathname = vfs_full_pathname,
                        .xDlOpen = vfs_dl_open,
                        .xDlError = vfs_dl_error,
                        .xDlSym = vfs_dl_sym,
                        .xDlClose = vfs_dl_close,
                        .xRandomness = vfs_randomness,
                        .xSleep = vfs_sleep,
                        .xCurrentTime = vfs_current_time,
                        .xGetLastError = vfs_last_error,
                        .xCurrentTimeInt64 = vfs_current_time_ms,
                        .xSetSystemCall = nullptr,
                        .xGetSystemCall = nullptr,
                        .xNextSystemCall = nullptr};
  }
  for (char& c : file_name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  s.journal = "/" + file_name + "-JOURNAL";
  s.refused = 0;
  s.full = true;
  sqlite3_vfs_register(&s.vfs, 1);
}

FullDisk::~FullDisk() {
  shim().full = false;
  sqlite3_vfs_unregister(&shim().vfs);
}

int FullDisk::refused() const { return shim().refused; }

}  // namespace qvn::test_support
