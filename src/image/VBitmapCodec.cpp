#include "VBitmapCodec.h"

#include "KolData.h"

int VBitmapCodec::ReadFully(void* bytes, std::int64_t size) {
  // An archive stream succeeds on short reads, so count what really arrived.
  auto* out = static_cast<char*>(bytes);
  while (size > 0) {
    const int chunk = size > (1 << 30) ? (1 << 30) : static_cast<int>(size);
    int delivered = 0;
    if (stream_.ReadCounted(out, chunk, delivered) != 0 || delivered <= 0) return 1;
    out += delivered;
    size -= delivered;
  }
  return 0;
}
