// The database engine's file layer with a switch: every database opened while it is installed
// reads and writes through it, and while a fault is set every write to any of its files (the
// database, its journal, its write-ahead log) fails as the disk would make it fail.
#pragma once

namespace testing_support {

class FaultVfs {
 public:
  // Installs the layer as the default for connections opened from now on, and takes it away
  // again (connections already open keep using it safely).
  FaultVfs();
  ~FaultVfs();
  FaultVfs(const FaultVfs&) = delete;
  FaultVfs& operator=(const FaultVfs&) = delete;

  // The database engine's result code every write gets from now on (SQLITE_FULL for a full
  // disk, SQLITE_READONLY ...); 0 writes again.
  void failWrites(int code);
  // Writes refused since the layer was installed.
  int refusedWrites() const;
};

}  // namespace testing_support
