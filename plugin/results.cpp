#include "plugin/results.h"

#include <cstdint>
#include <cstring>

#include "plugin/npn.h"

bool setStringResult(NPVariant* result, const char* bytes, size_t length) {
  if (!result || !bytes || length == 0 || length >= UINT32_MAX) return false;
  const void* end = std::memchr(bytes, '\0', length);
  size_t copied = end ? static_cast<size_t>(static_cast<const char*>(end) - bytes) : length;
  char* block = static_cast<char*>(NPN_MemAlloc(static_cast<uint32_t>(length + 1)));
  if (!block) return false;
  std::memset(block, 0, length + 1);
  std::memcpy(block, bytes, copied);
  STRINGN_TO_NPVARIANT(block, copied, *result);
  return true;
}
