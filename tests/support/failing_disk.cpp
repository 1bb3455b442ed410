#include "tests/support/failing_disk.h"

#include <sqlite3.h>

#include <atomic>

namespace {

std::atomic<bool> failing{false};
sqlite3_vfs* below = nullptr; // the file system the shim passes every call on to
sqlite3_vfs shim;

// The shim's file: the file of the system below follows it in the same allocation.
struct File {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* realOf(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->real;
}
const sqlite3_io_methods& m(sqlite3_file* f) {
    return *realOf(f)->pMethods;
}

int xClose(sqlite3_file* f) {
    return m(f).xClose(realOf(f));
}
int xRead(sqlite3_file* f, void* buf, int n, sqlite3_int64 offset) {
    return failing ? SQLITE_IOERR_READ : m(f).xRead(realOf(f), buf, n, offset);
}
int xWrite(sqlite3_file* f, const void* buf, int n, sqlite3_int64 offset) {
    return failing ? SQLITE_IOERR_WRITE : m(f).xWrite(realOf(f), buf, n, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return failing ? SQLITE_IOERR_TRUNCATE : m(f).xTruncate(realOf(f), size);
}
int xSync(sqlite3_file* f, int flags) {
    return failing ? SQLITE_IOERR_FSYNC : m(f).xSync(realOf(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return m(f).xFileSize(realOf(f), size);
}
int xLock(sqlite3_file* f, int level) {
    return m(f).xLock(realOf(f), level);
}
int xUnlock(sqlite3_file* f, int level) {
    return m(f).xUnlock(realOf(f), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
    return m(f).xCheckReservedLock(realOf(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
    return m(f).xFileControl(realOf(f), op, arg);
}
int xSectorSize(sqlite3_file* f) {
    return m(f).xSectorSize(realOf(f));
}
int xDeviceCharacteristics(sqlite3_file* f) {
    return m(f).xDeviceCharacteristics(realOf(f));
}
int xShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    if (m(f).iVersion < 2)
        return SQLITE_IOERR_SHMMAP;
    return m(f).xShmMap(realOf(f), region, size, extend, out);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return m(f).xShmLock(realOf(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f) {
    m(f).xShmBarrier(realOf(f));
}
int xShmUnmap(sqlite3_file* f, int deleteFlag) {
    return m(f).xShmUnmap(realOf(f), deleteFlag);
}
// No memory-mapped pages while failing: the reads then come through xRead.
int xFetch(sqlite3_file* f, sqlite3_int64 offset, int n, void** out) {
    *out = nullptr;
    return failing || m(f).iVersion < 3 ? SQLITE_OK : m(f).xFetch(realOf(f), offset, n, out);
}
int xUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* p) {
    return m(f).iVersion < 3 ? SQLITE_OK : m(f).xUnfetch(realOf(f), offset, p);
}

// Version 3: the database is written ahead, through shared memory.
const sqlite3_io_methods methods = {
    3,
    xClose,
    xRead,
    xWrite,
    xTruncate,
    xSync,
    xFileSize,
    xLock,
    xUnlock,
    xCheckReservedLock,
    xFileControl,
    xSectorSize,
    xDeviceCharacteristics,
    xShmMap,
    xShmLock,
    xShmBarrier,
    xShmUnmap,
    xFetch,
    xUnfetch,
};

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->base.pMethods = nullptr;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = below->xOpen(below, name, file->real, flags, outFlags);
    if (rc == SQLITE_OK) {
        file->base.pMethods = &methods;
    } else if (file->real->pMethods) {
        file->real->pMethods->xClose(file->real);
    }
    return rc;
}

} // namespace

FailingDisk::FailingDisk() {
    below = sqlite3_vfs_find(nullptr);
    shim = *below;
    shim.zName = "failing-disk";
    shim.pNext = nullptr;
    shim.szOsFile = int(sizeof(File)) + below->szOsFile;
    shim.xOpen = xOpen;
    failing = false;
    sqlite3_vfs_register(&shim, 1);
}

FailingDisk::~FailingDisk() {
    failing = false;
    sqlite3_vfs_unregister(&shim);
    sqlite3_vfs_register(below, 1);
}

void FailingDisk::SetFailing(bool on) {
    failing = on;
}

bool FailingDisk::Failing() const {
    return failing;
}
