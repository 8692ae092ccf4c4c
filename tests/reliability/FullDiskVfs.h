// An SQLite file layer over the default one whose writes fail as on a full disk while switched on.
// Open a database through it with the URI "file:PATH?vfs=pidorv-full-disk".
#pragma once

namespace reliability {
const char* const FULL_DISK_VFS = "pidorv-full-disk";

// Registers the layer once (not as the default); safe to call again.
void RegisterFullDiskVfs();
// While on, every write and every growth of a file opened through the layer fails with SQLITE_FULL.
void SetDiskFull(bool full);
} // namespace reliability
