#include "kyvreport/json_stream.h"

void json_stream::Put(Ch c) {
    if (!script_safe_) {
        std::fputc(c, out_);
        return;
    }
    const unsigned char byte = static_cast<unsigned char>(c);
    if (held_count_ == 1) {
        if (byte == 0x80) {
            held_[1] = byte;
            held_count_ = 2;
            return;
        }
        finish();
    } else if (held_count_ == 2) {
        held_count_ = 0;
        if (byte == 0xA8 || byte == 0xA9) {
            emit(byte == 0xA8 ? "\\u2028" : "\\u2029", 6);
            return;
        }
        emit(reinterpret_cast<const char*>(held_), 2);
    }
    if (byte == 0xE2) {
        held_[0] = byte;
        held_count_ = 1;
    } else if (byte == '<') {
        emit("\\u003c", 6);
    } else {
        std::fputc(byte, out_);
    }
}

void json_stream::finish() {
    if (held_count_ > 0) emit(reinterpret_cast<const char*>(held_), static_cast<size_t>(held_count_));
    held_count_ = 0;
}

void json_stream::Flush() {}
