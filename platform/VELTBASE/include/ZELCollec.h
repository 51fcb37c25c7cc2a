// Shared definitions of the platform collections.
#pragma once

namespace ZELCollec {
// What RemoveAll does with the storage: 0 keeps the capacity, 1 frees it,
// 2 frees it and shrinks the list to its initial capacity. In every case the
// list is empty afterwards.
enum MemoryHandling : int { KeepMemory = 0, FreeMemory = 1, ResetMemory = 2 };
}  // namespace ZELCollec
