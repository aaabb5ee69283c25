// Writing the report, the console lines and the cross-reference, a few
// bytes at a time, by the one thread that owns the stream: bytes go straight
// into the stream's buffer, as the C library's own putc_unlocked does, and
// only a full (or line-buffered) buffer takes a library call.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstring>

inline void put_bytes(const char* bytes, std::size_t length, std::FILE* stream) {
    if (length < static_cast<std::size_t>(stream->_IO_write_end - stream->_IO_write_ptr)) {
        std::memcpy(stream->_IO_write_ptr, bytes, length);
        stream->_IO_write_ptr += length;
    } else {
        fwrite_unlocked(bytes, 1, length, stream);
    }
}

inline void put_text(const char* text, std::FILE* stream) {
    put_bytes(text, std::strlen(text), stream);
}

inline void put_char(int byte, std::FILE* stream) { putc_unlocked(byte, stream); }
