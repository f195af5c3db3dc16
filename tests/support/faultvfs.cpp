// A pass-through layer over the engine's default file layer, with a write fault switch.
#include "tests/support/faultvfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace testing_support {

namespace {
sqlite3_vfs* g_real = nullptr;
std::atomic<int> g_fault{0};
std::atomic<int> g_refused{0};

struct FaultFile {
  sqlite3_file base;
  sqlite3_file* real;
};
sqlite3_file* realOf(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f)->real; }
const sqlite3_io_methods* io(sqlite3_file* f) { return realOf(f)->pMethods; }

int fClose(sqlite3_file* f) { return io(f) ? io(f)->xClose(realOf(f)) : SQLITE_OK; }
int fRead(sqlite3_file* f, void* b, int n, sqlite3_int64 at) { return io(f)->xRead(realOf(f), b, n, at); }
int fWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
  if (const int code = g_fault.load()) {
    ++g_refused;
    return code;
  }
  return io(f)->xWrite(realOf(f), b, n, at);
}
int fTruncate(sqlite3_file* f, sqlite3_int64 size) { return io(f)->xTruncate(realOf(f), size); }
int fSync(sqlite3_file* f, int flags) { return io(f)->xSync(realOf(f), flags); }
int fFileSize(sqlite3_file* f, sqlite3_int64* size) { return io(f)->xFileSize(realOf(f), size); }
int fLock(sqlite3_file* f, int l) { return io(f)->xLock(realOf(f), l); }
int fUnlock(sqlite3_file* f, int l) { return io(f)->xUnlock(realOf(f), l); }
int fCheckReserved(sqlite3_file* f, int* out) { return io(f)->xCheckReservedLock(realOf(f), out); }
int fFileControl(sqlite3_file* f, int op, void* arg) { return io(f)->xFileControl(realOf(f), op, arg); }
int fSectorSize(sqlite3_file* f) { return io(f)->xSectorSize(realOf(f)); }
int fDevice(sqlite3_file* f) { return io(f)->xDeviceCharacteristics(realOf(f)); }
int fShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** p) {
  return io(f)->xShmMap(realOf(f), page, size, extend, p);
}
int fShmLock(sqlite3_file* f, int offset, int n, int flags) { return io(f)->xShmLock(realOf(f), offset, n, flags); }
void fShmBarrier(sqlite3_file* f) { io(f)->xShmBarrier(realOf(f)); }
int fShmUnmap(sqlite3_file* f, int del) { return io(f)->xShmUnmap(realOf(f), del); }
int fFetch(sqlite3_file* f, sqlite3_int64 at, int n, void** p) { return io(f)->xFetch(realOf(f), at, n, p); }
int fUnfetch(sqlite3_file* f, sqlite3_int64 at, void* p) { return io(f)->xUnfetch(realOf(f), at, p); }

// Version 3 of the methods; a file whose own methods are older gets the older version.
sqlite3_io_methods g_methods[4];

int vOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  auto* f = reinterpret_cast<FaultFile*>(file);
  f->real = reinterpret_cast<sqlite3_file*>(f + 1);
  f->base.pMethods = nullptr;
  const int rc = g_real->xOpen(g_real, name, f->real, flags, outFlags);
  if (f->real->pMethods) f->base.pMethods = &g_methods[std::min(f->real->pMethods->iVersion, 3)];
  return rc;
}
int vDelete(sqlite3_vfs*, const char* name, int sync) { return g_real->xDelete(g_real, name, sync); }
int vAccess(sqlite3_vfs*, const char* name, int flags, int* out) { return g_real->xAccess(g_real, name, flags, out); }
int vFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
  return g_real->xFullPathname(g_real, name, n, out);
}
int vRandomness(sqlite3_vfs*, int n, char* out) { return g_real->xRandomness(g_real, n, out); }
int vSleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int vCurrentTime(sqlite3_vfs*, double* out) { return g_real->xCurrentTime(g_real, out); }
int vLastError(sqlite3_vfs*, int n, char* out) { return g_real->xGetLastError(g_real, n, out); }
int vCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) { return g_real->xCurrentTimeInt64(g_real, out); }

sqlite3_vfs g_vfs;

void build() {
  if (g_real) return;
  g_real = sqlite3_vfs_find(nullptr);
  for (int v = 1; v <= 3; ++v) {
    sqlite3_io_methods& m = g_methods[v];
    m = sqlite3_io_methods{v,        fClose,        fRead,          fWrite,       fTruncate,     fSync,
                           fFileSize, fLock,        fUnlock,        fCheckReserved, fFileControl, fSectorSize,
                           fDevice,  v >= 2 ? fShmMap : nullptr, v >= 2 ? fShmLock : nullptr,
                           v >= 2 ? fShmBarrier : nullptr, v >= 2 ? fShmUnmap : nullptr,
                           v >= 3 ? fFetch : nullptr, v >= 3 ? fUnfetch : nullptr};
  }
  std::memset(&g_vfs, 0, sizeof g_vfs);
  g_vfs.iVersion = 2;
  g_vfs.szOsFile = int(sizeof(FaultFile)) + g_real->szOsFile;
  g_vfs.mxPathname = g_real->mxPathname;
  g_vfs.zName = "orvane-test-fault";
  g_vfs.xOpen = vOpen;
  g_vfs.xDelete = vDelete;
  g_vfs.xAccess = vAccess;
  g_vfs.xFullPathname = vFullPathname;
  g_vfs.xRandomness = vRandomness;
  g_vfs.xSleep = vSleep;
  g_vfs.xCurrentTime = vCurrentTime;
  g_vfs.xGetLastError = vLastError;
  g_vfs.xCurrentTimeInt64 = vCurrentTimeInt64;
}
}  // namespace

FaultVfs::FaultVfs() {
  build();
  g_fault = 0;
  g_refused = 0;
  sqlite3_vfs_register(&g_vfs, 1);
}

FaultVfs::~FaultVfs() {
  g_fault = 0;
  sqlite3_vfs_unregister(&g_vfs);
}

void FaultVfs::failWrites(int code) { g_fault = code; }
int FaultVfs::refusedWrites() const { return g_refused.load(); }

}  // namespace testing_support
