#include "StreamCopy.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdint>
#include <cstring>

namespace plat::sdl {

void StreamCopy(void* to, const void* from, std::size_t bytes) {
#if defined(__SSE2__)
  auto* out = static_cast<std::uint8_t*>(to);
  const auto* in = static_cast<const std::uint8_t*>(from);
  // Streaming stores want 16-byte aligned targets; the ends go as usual.
  std::size_t head = (16 - reinterpret_cast<std::uintptr_t>(out) % 16) % 16;
  if (head > bytes) head = bytes;
  std::memcpy(out, in, head);
  std::size_t done = head;
  for (; done + 64 <= bytes; done += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 48));
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done), a);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + 16), b);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + 32), c);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + 48), d);
  }
  std::memcpy(out + done, in + done, bytes - done);
  _mm_sfence();  // the server reads it next
#else
  std::memcpy(to, from, bytes);
#endif
}

}  // namespace plat::sdl
