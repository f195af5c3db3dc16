// How the process asks the C library for memory: set once at start, before any thread runs.
#pragma once

namespace orvane {

// The C library's mmap threshold, fixed.
inline constexpr int kMmapThresholdBytes = 128 * 1024;
// The most malloc arenas the process keeps.
inline constexpr int kArenaMax = 2;

// Fixes glibc's mmap threshold (which also switches off its dynamic adjustment), so that a
// large block freed on any thread goes back to the system instead of staying in that
// thread's arena, and bounds the number of arenas. Call first thing in main, before any
// thread starts. False when the C library refused.
bool ApplyMemoryPolicy();

}  // namespace orvane
