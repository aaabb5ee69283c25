#include "messages/text_conversion.h"

#include <QByteArray>
#include <QString>
#include <cstring>

namespace {

char pool[CONVERSION_BUFFERS][CONVERSION_BUFFER_SIZE];
int next_buffer = 0;

bool is_ascii(const char* text) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if (*p >= 0x80) return false;
    return true;
}

}  // namespace

const char* to_utf8(const char* text) {
    char* buffer = pool[next_buffer];
    next_buffer = (next_buffer + 1) % CONVERSION_BUFFERS;
    QByteArray converted;
    const char* bytes = text;
    std::size_t length = std::strlen(text);
    if (!is_ascii(text)) {  // ASCII is the same in every encoding met here
        converted = QString::fromLocal8Bit(text, static_cast<int>(length)).toUtf8();
        bytes = converted.constData();
        length = static_cast<std::size_t>(converted.size());
    }
    if (length > CONVERSION_BUFFER_SIZE - 1) {
        length = CONVERSION_BUFFER_SIZE - 1;
        // Never split a multi-byte sequence: step back over continuation bytes.
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80) --length;
    }
    std::memcpy(buffer, bytes, length);
    buffer[length] = '\0';
    return buffer;
}

const char* as_is(const char* text) { return text; }
