// Conversion of input texts (local 8-bit encoding) to UTF-8 for the report.
#pragma once

// Returns the text as UTF-8 in one of 20 rotating buffers of 20000 bytes; the
// result stays valid for the next 19 conversions. A longer result is cut at a
// character boundary so that it always fits its buffer.
const char* to_utf8(const char* text);

// Returns the text unchanged: names handed to fatal messages pass through it.
const char* as_is(const char* text);

constexpr int CONVERSION_BUFFERS = 20;
constexpr int CONVERSION_BUFFER_SIZE = 20000;
