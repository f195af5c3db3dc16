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

// Writes all bytes to fd, going on after partial writes and interruptions; 0 when all were
// written, else the error number (ENOSPC when the system took nothing without saying why).
int writeAll(int fd, const char* data, qint64 size);

// Replaces the file's bytes in one step: a new file beside it (with the old one's mode) takes
// its place once every byte has reached the disk; a link is followed. False with the error
// number on failure, the old file then left as it was.
bool replaceFile(const QString& path, const QByteArray& bytes, int* error = nullptr);

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
