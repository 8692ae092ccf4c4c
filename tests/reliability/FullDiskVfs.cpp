#include "FullDiskVfs.h"

#include <sqlite3.h>

#include <atomic>
#include <mutex>

namespace reliability {
namespace {
std::atomic<bool> diskFull{false};

// Our file: the real file of the default layer follows this header in the same block.
struct ShimFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<ShimFile*>(file)->real;
}

int Close(sqlite3_file* file) {
    sqlite3_file* real = Real(file);
    return real->pMethods != nullptr ? real->pMethods->xClose(real) : SQLITE_OK;
}
int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    return Real(file)->pMethods->xRead(Real(file), buffer, amount, offset);
}
int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    if (diskFull.load()) {
        return SQLITE_FULL;
    }
    return Real(file)->pMethods->xWrite(Real(file), buffer, amount, offset);
}
int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    return Real(file)->pMethods->xTruncate(Real(file), size);
}
int Sync(sqlite3_file* file, int flags) {
    return Real(file)->pMethods->xSync(Real(file), flags);
}
int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    return Real(file)->pMethods->xFileSize(Real(file), size);
}
int Lock(sqlite3_file* file, int level) {
    return Real(file)->pMethods->xLock(Real(file), level);
}
int Unlock(sqlite3_file* file, int level) {
    return Real(file)->pMethods->xUnlock(Real(file), level);
}
int CheckReservedLock(sqlite3_file* file, int* out) {
    return Real(file)->pMethods->xCheckReservedLock(Real(file), out);
}
int FileControl(sqlite3_file* file, int op, void* arg) {
    if (op == SQLITE_FCNTL_SIZE_HINT && diskFull.load()) {
        return SQLITE_FULL;
    }
    return Real(file)->pMethods->xFileControl(Real(file), op, arg);
}
int SectorSize(sqlite3_file* file) {
    return Real(file)->pMethods->xSectorSize(Real(file));
}
int DeviceCharacteristics(sqlite3_file* file) {
    return Real(file)->pMethods->xDeviceCharacteristics(Real(file));
}
int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
    return Real(file)->pMethods->xShmMap(Real(file), region, size, extend, out);
}
int ShmLock(sqlite3_file* file, int offset, int n, int flags) {
    return Real(file)->pMethods->xShmLock(Real(file), offset, n, flags);
}
void ShmBarrier(sqlite3_file* file) {
    Real(file)->pMethods->xShmBarrier(Real(file));
}
int ShmUnmap(sqlite3_file* file, int deleteFlag) {
    return Real(file)->pMethods->xShmUnmap(Real(file), deleteFlag);
}

// Memory-mapped pages would bypass the write check, so the layer offers no xFetch/xUnfetch (version 2).
sqlite3_io_methods MakeMethods() {
    sqlite3_io_methods methods{};
    methods.iVersion = 2;
    methods.xClose = Close;
    methods.xRead = Read;
    methods.xWrite = Write;
    methods.xTruncate = Truncate;
    methods.xSync = Sync;
    methods.xFileSize = FileSize;
    methods.xLock = Lock;
    methods.xUnlock = Unlock;
    methods.xCheckReservedLock = CheckReservedLock;
    methods.xFileControl = FileControl;
    methods.xSectorSize = SectorSize;
    methods.xDeviceCharacteristics = DeviceCharacteristics;
    methods.xShmMap = ShmMap;
    methods.xShmLock = ShmLock;
    methods.xShmBarrier = ShmBarrier;
    methods.xShmUnmap = ShmUnmap;
    return methods;
}
const sqlite3_io_methods SHIM_METHODS = MakeMethods();

sqlite3_vfs shimVfs;

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    auto* shim = reinterpret_cast<ShimFile*>(file);
    shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
    shim->base.pMethods = nullptr;
    const int rc = parent->xOpen(parent, name, shim->real, flags, outFlags);
    if (rc == SQLITE_OK && shim->real->pMethods != nullptr) {
        shim->base.pMethods = &SHIM_METHODS;
    }
    return rc;
}
int Delete(sqlite3_vfs* vfs, const char* name, int syncDir) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xDelete(parent, name, syncDir);
}
int Access(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xAccess(parent, name, flags, out);
}
int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xFullPathname(parent, name, size, out);
}
void* DlOpen(sqlite3_vfs* vfs, const char* name) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xDlOpen(parent, name);
}
void DlError(sqlite3_vfs* vfs, int size, char* out) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    parent->xDlError(parent, size, out);
}
void (*DlSym(sqlite3_vfs* vfs, void* handle, const char* symbol))(void) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xDlSym(parent, handle, symbol);
}
void DlClose(sqlite3_vfs* vfs, void* handle) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    parent->xDlClose(parent, handle);
}
int Randomness(sqlite3_vfs* vfs, int size, char* out) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xRandomness(parent, size, out);
}
int Sleep(sqlite3_vfs* vfs, int microseconds) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xSleep(parent, microseconds);
}
int CurrentTime(sqlite3_vfs* vfs, double* out) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xCurrentTime(parent, out);
}
int GetLastError(sqlite3_vfs* vfs, int size, char* out) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xGetLastError != nullptr ? parent->xGetLastError(parent, size, out) : 0;
}
int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
    auto* parent = static_cast<sqlite3_vfs*>(vfs->pAppData);
    return parent->xCurrentTimeInt64(parent, out);
}
} // namespace

void RegisterFullDiskVfs() {
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_vfs* parent = sqlite3_vfs_find(nullptr);
        shimVfs = sqlite3_vfs{};
        shimVfs.iVersion = 2;
        shimVfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + parent->szOsFile;
        shimVfs.mxPathname = parent->mxPathname;
        shimVfs.zName = FULL_DISK_VFS;
        shimVfs.pAppData = parent;
        shimVfs.xOpen = Open;
        shimVfs.xDelete = Delete;
        shimVfs.xAccess = Access;
        shimVfs.xFullPathname = FullPathname;
        shimVfs.xDlOpen = DlOpen;
        shimVfs.xDlError = DlError;
        shimVfs.xDlSym = DlSym;
        shimVfs.xDlClose = DlClose;
        shimVfs.xRandomness = Randomness;
        shimVfs.xSleep = Sleep;
        shimVfs.xCurrentTime = CurrentTime;
        shimVfs.xGetLastError = GetLastError;
        shimVfs.xCurrentTimeInt64 = CurrentTimeInt64;
        sqlite3_vfs_register(&shimVfs, 0);
    });
}

void SetDiskFull(bool full) {
    diskFull.store(full);
}
} // namespace reliability
