// Writing the report, the console lines and the cross-reference, a few
// bytes at a time, by the one thread that owns the stream: bytes go straight
// into the stream's buffer, as the C library's own putc_unlocked does, and
// only a full (or line-buffered) buffer takes a library call.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstring>

// Copies 1 to 16 bytes in at most two moves of a fixed size, which the
// compiler makes instructions: names and numbers are that short, and the
// library's memcpy for them was a call of its own (6% of a run writing
// 300,000 traps).
inline void copy_short(char* to, const char* from, std::size_t length) {
    if (length >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + length - 8, from + length - 8, 8);
    } else if (length >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + length - 4, from + length - 4, 4);
    } else {
        for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
    }
}

inline void put_bytes(const char* bytes, std::size_t length, std::FILE* stream) {
    if (length < static_cast<std::size_t>(stream->_IO_write_end - stream->_IO_write_ptr)) {
        if (length <= 16) copy_short(stream->_IO_write_ptr, bytes, length);
        else std::memcpy(stream->_IO_write_ptr, bytes, length);
        stream->_IO_write_ptr += length;
    } else {
        fwrite_unlocked(bytes, 1, length, stream);
    }
}

inline void put_text(const char* text, std::FILE* stream) {
    put_bytes(text, std::strlen(text), stream);
}

inline void put_char(int byte, std::FILE* stream) { putc_unlocked(byte, stream); }
