#include "report/plain_run.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr bool is_plain(unsigned char byte) {
    return byte >= 0x20 && byte != '&' && byte != '<' && byte != '>' && byte != '"' &&
           byte != ']' && byte != 0xEF;
}

// is_plain as tables, for the bytes that do not fill a 16-byte block.
struct plain_tables {
    bool plain[256];
    bool plain_ascii[256];
};
constexpr plain_tables make_tables() {
    plain_tables tables{};
    for (int byte = 0; byte < 256; ++byte) {
        tables.plain[byte] = is_plain(static_cast<unsigned char>(byte));
        tables.plain_ascii[byte] = byte < 0x80 && tables.plain[byte];
    }
    return tables;
}
constexpr plain_tables TABLES = make_tables();

}  // namespace

const char* plain_run_end(const char* text, const char* end, bool ascii_only) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* stop = reinterpret_cast<const unsigned char*>(end);
#if defined(__SSE2__)
    // Signed, the bytes above 0x7F are below 0x20 as well: one comparison
    // finds the controls and them; without ascii_only they are taken back
    // except 0xEF.
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i high = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i ef = _mm_set1_epi8(static_cast<char>(0xEF));
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i gt = _mm_set1_epi8('>');
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i bracket = _mm_set1_epi8(']');
    while (stop - p >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i stops = _mm_cmplt_epi8(bytes, space);
        if (!ascii_only) {
            __m128i non_ascii = _mm_and_si128(bytes, high);
            stops = _mm_andnot_si128(_mm_cmpeq_epi8(non_ascii, high), stops);
            stops = _mm_or_si128(stops, _mm_cmpeq_epi8(bytes, ef));
        }
        stops = _mm_or_si128(stops, _mm_cmpeq_epi8(bytes, amp));
        stops = _mm_or_si128(stops, _mm_cmpeq_epi8(bytes, lt));
        stops = _mm_or_si128(stops, _mm_cmpeq_epi8(bytes, gt));
        stops = _mm_or_si128(stops, _mm_cmpeq_epi8(bytes, quote));
        stops = _mm_or_si128(stops, _mm_cmpeq_epi8(bytes, bracket));
        if (int mask = _mm_movemask_epi8(stops))
            return reinterpret_cast<const char*>(p + __builtin_ctz(static_cast<unsigned>(mask)));
        p += 16;
    }
#endif
    const bool* table = ascii_only ? TABLES.plain_ascii : TABLES.plain;
    while (p < stop && table[*p]) ++p;
    return reinterpret_cast<const char*>(p);
}

const char* ascii_run_end(const char* text, const char* end) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* stop = reinterpret_cast<const unsigned char*>(end);
#if defined(__SSE2__)
    while (stop - p >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (int mask = _mm_movemask_epi8(bytes))
            return reinterpret_cast<const char*>(p + __builtin_ctz(static_cast<unsigned>(mask)));
        p += 16;
    }
#endif
    while (p < stop && *p < 0x80) ++p;
    return reinterpret_cast<const char*>(p);
}
