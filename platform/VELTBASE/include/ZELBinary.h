// ZELBinary: an owned array of bytes.
#pragma once

#include <vector>

#include "VELTBASEExport.h"

class VELTBASE_API ZELBinary {
 public:
  ZELBinary() = default;
  // Copies `length` bytes from `bytes` (nothing when `bytes` is null).
  ZELBinary(unsigned int length, const char* bytes);
  ZELBinary(const ZELBinary&) = default;
  ZELBinary& operator=(const ZELBinary&) = default;
  ~ZELBinary();

  unsigned int getLength() const { return static_cast<unsigned int>(_bytes.size()); }
  // The bytes, owned by this object; null when empty.
  const char* getArray() const { return _bytes.empty() ? nullptr : _bytes.data(); }

 private:
  std::vector<char> _bytes;
};
