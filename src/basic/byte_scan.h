#pragma once

// Scans of long texts (whole modules) for a few bytes at once, sixteen bytes at a time where
// the processor has SSE2 (every x86-64), byte by byte elsewhere. The answers are the same
// either way; only the speed differs.

#include <algorithm>
#include <bit>
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
  // A mask of the matches in the next block, sixty-four bytes where the text holds them (a line
  // of code is longer than sixteen: the blocks without a match cost one branch for four), then
  // sixteen, then the last few byte by byte; `found` is called at one place only, so that it
  // is inlined.
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(c);
#endif
  while (at < end) {
    uint64_t bits = 0;
    ptrdiff_t step = std::min<ptrdiff_t>(end - at, 16);
#if defined(__SSE2__)
    if (end - at >= 64) {
      for (unsigned part = 0; part < 4; ++part) {
        const __m128i block = scan_detail::Load(at + 16 * part);
        bits |= uint64_t{scan_detail::Matches(block, wanted)} << (16 * part);
      }
      step = 64;
    } else if (end - at >= 16) {
      bits = scan_detail::Matches(scan_detail::Load(at), wanted);
    } else
#endif
    {
      for (ptrdiff_t k = 0; k < step; ++k)
        bits |= uint64_t{at[k] == c} << k;
    }
    for (; bits != 0; bits &= bits - 1)
      found(at + std::countr_zero(bits));
    at += step;
  }
}

// Sets a bit in `breaks` for each LF and in `colons` for each ':' among the `size` bytes at
// `data` (64 at most), bit k for data[k].
inline void LineByteMasks(const char* data, size_t size, uint64_t& breaks, uint64_t& colons) {
#if defined(__SSE2__)
  // A short block is copied out first: reading 64 bytes in place could run off its page.
  alignas(16) char tail[64];
  if (size < 64) {
    std::memset(tail, 0, sizeof tail);
    std::memcpy(tail, data, size);
    data = tail;
  }
  breaks = colons = 0;
  const __m128i lf = _mm_set1_epi8('\n'), colon = _mm_set1_epi8(':');
  for (unsigned part = 0; part < 4; ++part) {
    const __m128i bytes = scan_detail::Load(data + 16 * part);
    breaks |= uint64_t{scan_detail::Matches(bytes, lf)} << (16 * part);
    colons |= uint64_t{scan_detail::Matches(bytes, colon)} << (16 * part);
  }
#else
  breaks = colons = 0;
  for (size_t k = 0; k < size; ++k) {
    breaks |= uint64_t{data[k] == '\n'} << k;
    colons |= uint64_t{data[k] == ':'} << k;
  }
#endif
}

// Calls fn(begin, end, has_colon, last) for each line of `text` in order, split at LF (a final
// LF leaves an empty last line): the line is text[begin, end), end being where its LF lies
// (any CR before it included) or text's end for the last line; has_colon tells whether the
// line holds a ':'. One pass looks for both, a block of 64 bytes at a time, so short lines
// cost no search call each.
template <typename Fn>
inline void ForEachLine(std::string_view text, Fn&& fn) {
  const char* const data = text.data();
  const size_t n = text.size();
  size_t begin = 0;    // of the line being read
  bool colon = false;  // a ':' lies from begin up to the blocks read so far
  for (size_t at = 0;; at += 64) {
    const size_t size = std::min<size_t>(n - at, 64);
    uint64_t breaks = 0, colons = 0;
    LineByteMasks(data + at, size, breaks, colons);
    // The text's end counts as one more line break, after the block's last byte.
    const bool ends = size < 64;
    if (ends) breaks |= uint64_t{1} << size;
    while (breaks != 0) {
      const int bit = std::countr_zero(breaks);
      // The colons before this break are the line's: those before its begin were cleared.
      const uint64_t below = (uint64_t{1} << bit) - 1;
      const size_t end = at + static_cast<size_t>(bit);
      fn(begin, end, colon || (colons & below) != 0, end == n);
      colons &= ~below;
      colon = false;
      begin = end + 1;
      breaks &= breaks - 1;
    }
    if (ends) return;
    colon = colon || colons != 0;
  }
}

// Calls found(p), in order, for every p from `from` on where s[p] is a digit and s[p - 1] a
// blank or tab (a number standing after a blank: where a jump's target would), until found
// answers true; true then, false when it never did. Sixteen bytes at a time.
template <typename Found>
inline bool AnyDigitAfterBlank(std::string_view s, size_t from, Found&& found) {
  const char* const data = s.data();
  const size_t n = s.size();
  size_t p = std::max<size_t>(from, 1);
#if defined(__SSE2__)
  if (n > 16) {
    const __m128i zero = _mm_setzero_si128(), digit0 = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9),
                  space = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
    // Bit k set when data[at + k] is a digit after a blank.
    auto block = [&](size_t at) {
      const __m128i here = scan_detail::Load(data + at), before = scan_detail::Load(data + at - 1);
      // A digit is a byte whose distance above '0' is at most 9, unsigned.
      const __m128i digits = _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(here, digit0), nine), zero);
      const __m128i blanks =
          _mm_or_si128(_mm_cmpeq_epi8(before, space), _mm_cmpeq_epi8(before, tab));
      return static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(digits, blanks)));
    };
    auto report = [&](size_t at, uint32_t bits) {
      for (; bits != 0; bits &= bits - 1) {
        if (found(at + static_cast<size_t>(std::countr_zero(bits)))) return true;
      }
      return false;
    };
    for (; p + 16 <= n; p += 16) {
      if (report(p, block(p))) return true;
    }
    // The last bytes: the block that ends with the text, less what was looked at already.
    if (p < n) return report(n - 16, block(n - 16) & ~((uint32_t{1} << (p - (n - 16))) - 1));
    return false;
  }
#endif
  for (; p < n; ++p) {
    const char c = data[p], b = data[p - 1];
    if (c >= '0' && c <= '9' && (b == ' ' || b == '\t') && found(p)) return true;
  }
  return false;
}

}  // namespace kestrix::basic
