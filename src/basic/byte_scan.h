#pragma once

// Scans of long texts (whole modules) for a few bytes at once, sixteen bytes at a time where
// the processor has SSE2 (every x86-64), byte by byte elsewhere. The answers are the same
// either way; only the speed differs.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrix::basic {

#if defined(__SSE2__)
namespace scan_detail {

// Bit k set when text[k] is `c`, for the 16 bytes at `text`.
inline uint32_t Matches(__m128i block, __m128i c) {
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, c)));
}

inline __m128i Load(const char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

}  // namespace scan_detail
#endif

// Calls found(p) for every p in [at, end) where *p == c, in order. Lines of code are short: a
// search call for each costs more than its bytes.
template <typename Found>
void ForEachByte(const char* at, const char* const end, char c, Found&& found) {
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(c);
  for (; end - at >= 16; at += 16) {
    for (uint32_t bits = scan_detail::Matches(scan_detail::Load(at), wanted); bits != 0;
         bits &= bits - 1) {
      found(at + __builtin_ctz(bits));
    }
  }
#endif
  while (at < end) {
    const auto* next = static_cast<const char*>(std::memchr(at, c, static_cast<size_t>(end - at)));
    if (next == nullptr) return;
    found(next);
    at = next + 1;
  }
}

// Calls line(begin, end, colon) for every line of `text`, in order: [begin, end) are the
// positions of its characters (a CR before the LF included, the LF not), `colon` tells whether
// they hold a ':'. Lines end at each LF; the text's last line is the rest after the last LF
// (empty when the text ends with one). One pass over the text for both bytes.
template <typename Line>
void ForEachLine(std::string_view text, Line&& line) {
  const size_t n = text.size();
  size_t start = 0;
#if defined(__SSE2__)
  using scan_detail::Load;
  using scan_detail::Matches;
  const char* const data = text.data();
  const __m128i lf_byte = _mm_set1_epi8('\n'), colon_byte = _mm_set1_epi8(':');
  bool colon = false;
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m128i x = Load(data + i), y = Load(data + i + 16);
    uint32_t lfs = Matches(x, lf_byte) | Matches(y, lf_byte) << 16;
    uint32_t colons = Matches(x, colon_byte) | Matches(y, colon_byte) << 16;
    while (lfs != 0) {
      const auto k = static_cast<unsigned>(__builtin_ctz(lfs));
      const uint32_t before = (uint32_t{1} << k) - 1;  // k < 32: the bits below the LF
      line(start, i + k, colon || (colons & before) != 0);
      colons &= ~before;
      start = i + k + 1;
      colon = false;
      lfs &= lfs - 1;
    }
    colon = colon || colons != 0;
  }
  for (; i < n; ++i) {
    if (data[i] == ':') colon = true;
    if (data[i] != '\n') continue;
    line(start, i, colon);
    start = i + 1;
    colon = false;
  }
  line(start, n, colon);
#else
  // A search for the next line break, and one for the next colon that runs ahead of it.
  size_t colon = text.find(':');
  for (;;) {
    const size_t lf = text.find('\n', start);
    const size_t end = lf == std::string_view::npos ? n : lf;
    if (colon < start) colon = text.find(':', start);
    line(start, end, colon < end);
    if (lf == std::string_view::npos) return;
    start = lf + 1;
  }
#endif
}

}  // namespace kestrix::basic
