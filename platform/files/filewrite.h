// Low-level file writing with every step checked: a short write, a failed flush or a failed
// close is a failure with the system's error number, never a success. The system call that
// writes the bytes is a seam, so tests can play a full or read-only disk.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <sys/types.h>

namespace orvane {

// POSIX write's contract: bytes written, or -1 with errno set.
using WriteCall = std::function<ssize_t(int fd, const void* data, size_t size)>;
// Replaces the call every write of this layer goes through; an empty one restores ::write.
// Returns the previous one (empty for ::write).
WriteCall setWriteCall(WriteCall call);

// POSIX fsync's contract: 0, or -1 with errno set.
using SyncCall = std::function<int(int fd)>;
// Replaces the call every sync of this layer (of files and of folders) goes through; an empty
// one restores ::fsync. Returns the previous one (empty for ::fsync).
SyncCall setSyncCall(SyncCall call);

// Writes all bytes to fd, going on after partial writes and interruptions; 0 when all were
// written, else the error number (ENOSPC when the system took nothing without saying why).
int writeAll(int fd, const char* data, qint64 size);

// Replaces the file's bytes in one step: a new file beside it (with the old one's mode) takes
// its place once every byte has reached the disk; a link is followed. False with the error
// number on failure, the old file then left as it was.
bool replaceFile(const QString& path, const QByteArray& bytes, int* error = nullptr);

// Creates a new hidden file beside `target` (".name.new<pid>-<n>", never an existing one),
// made with `mode` less the umask from its first moment, so it is never more open than the
// file it is to become. The open descriptor (write only), or -1 with the error number in
// `error`; `path` gets the file's name.
int createFileBeside(const QString& target, unsigned mode, QString* path, int* error);

// Brings the file's data to the disk: 0, or the error number.
int syncFile(const QString& path);
// Brings the folder holding `path` to the disk, so that a name just given in it (a rename, a
// new file) is still there after a power loss: 0, or the error number.
int syncFolderOf(const QString& path);
// Renames a file the program wrote to `to` (replacing what is there in one step), then brings
// the folder to the disk: 0, or the rename's error number (nothing was renamed then). A folder
// that cannot be synced is logged.
int renameDurably(const QString& from, const QString& to);

// Tries to create, write and remove a small file in the folder: 0 when that works, else the
// error number of the step that failed. Tells why a write in the folder failed.
int probeFolderWrite(const QString& folder);
// Creates the folder and its parents when missing: 0, or the error number of the step that
// failed (ENOTDIR when a part of the path is a file).
int makeFolder(const QString& folder);

// Files that hold what other users must not read (the database and its journals, schedule
// backups) are the owner's alone. createPrivateFile makes a missing file, empty, with mode
// 0600; privateMode gives the mode for a file replacing `existing`: 0600, or the existing
// file's own mode when it grants less; restrictToOwner takes every right of group and others
// from an existing file (a missing one is left missing). Each returns 0 or the error number.
int createPrivateFile(const QString& path);
unsigned privateMode(const QString& existing);
int restrictToOwner(const QString& path);

// A short text for the operator about why a write failed, by error number.
QString describeWriteError(int error);

}  // namespace orvane
