// The output stream RapidJSON's writers write through: buffered stdio, and,
// for JSON embedded in a page, escapes that keep the data inside its script
// element whatever the strings hold.
#pragma once
#include <cstdio>

class json_stream {
public:
    typedef char Ch;

    // script_safe: writes "<" as \u003c (so no "</script" or "<!--" can
    // appear) and U+2028/U+2029 as escapes; valid because both only occur
    // inside JSON strings.
    json_stream(std::FILE* out, bool script_safe) : out_(out), script_safe_(script_safe) {}

    void Put(Ch c);
    void Flush();
    // Ends a pending byte sequence; call before writing around the JSON.
    void finish();

    // Unused by the writers, required by the stream concept.
    Ch Peek() const { return 0; }
    Ch Take() { return 0; }
    size_t Tell() const { return 0; }
    Ch* PutBegin() { return nullptr; }
    size_t PutEnd(Ch*) { return 0; }

private:
    void emit(const char* bytes, size_t count) { std::fwrite(bytes, 1, count, out_); }

    std::FILE* out_;
    bool script_safe_;
    // Bytes held back while they may begin U+2028 or U+2029 (E2 80 A8/A9).
    unsigned char held_[2] = {0, 0};
    int held_count_ = 0;
};
