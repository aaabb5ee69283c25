// What the scanner read from an xob file, kept so that the file can be
// scanned on one thread and parsed on another: every token in order with its
// text and the line counter after it. The parser reads a tape through the
// lexer's usual calls, so it shifts, reduces, recovers from errors and
// prints exactly as when it pulls its tokens from the file itself.
//
// A tape travels in chunks, so a file need not be held whole: each chunk is
// entries back to back, each entry its kind, line counter and length (three
// native ints), then the text and a NUL byte. The last entry of a tape is end
// of input or a scanner failure holding flex's message.
#pragma once
#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>

struct markup_lexer;

// A piece of a tape: whole entries back to back.
struct tape_chunk {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::size_t capacity = 0;
};

// Where a lexer playing a tape gets its chunks.
class tape_source {
public:
    virtual ~tape_source() = default;
    // The next chunk, or false when the tape has no more. A chunk stays valid
    // until the next call.
    virtual bool next_chunk(const char*& begin, const char*& end) = 0;
};

// Makes `lexer` hand out the tape's tokens instead of scanning. A scanner
// failure on the tape ends the process when the parser reaches it, with
// flex's message and status, as the scanner itself would have.
void lexer_play_tape(markup_lexer& lexer, tape_source& source, const char* file_name);

// The next token of a lexer playing a tape (called by next_token).
int next_taped_token(markup_lexer& lexer);

// Writes a tape: fills chunks of `chunk_size` bytes (more for one long
// token), hands each over when the next entry does not fit, and the last one
// at the end.
class tape_writer {
public:
    // `deliver` takes a chunk; false means nobody reads the tape any more.
    // `reuse`, when given, may fill an empty chunk with a buffer of
    // `chunk_size` bytes that a reader is done with: memory still in a cache.
    tape_writer(std::size_t chunk_size, std::function<bool(tape_chunk&)> deliver,
                std::function<void(tape_chunk&)> reuse = {});
    // False when the reader wants no more.
    bool add(int kind, int line, const char* text, int length);
    bool add_failure(const char* message);
    bool finish();

private:
    std::size_t chunk_size_;
    std::function<bool(tape_chunk&)> deliver_;
    std::function<void(tape_chunk&)> reuse_;
    tape_chunk chunk_;
};

// Scans an open stream with the xob vocabulary onto the tape, until end of
// input, a scanner failure or a reader that wants no more. Touches nothing
// but its own scanner and the writer, so any thread may call it.
void scan_to_tape(std::FILE* stream, const char* file_name, tape_writer& writer);
