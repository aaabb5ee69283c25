#include "parse/token_tape.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "parse/lexer.h"

namespace {

// Kinds of tokens are never negative: this one marks a scanner failure.
constexpr int SCANNER_FAILED = -1;
constexpr std::size_t HEADER = 3 * sizeof(int);
// Flex's status for a scanner that cannot go on.
constexpr int SCANNER_FAILURE_STATUS = 2;

}  // namespace

void lexer_play_tape(markup_lexer& lexer, tape_source& source, const char* file_name) {
    lexer.file_name = file_name;
    lexer.tape = &source;
    lexer.tape_next = lexer.tape_end = nullptr;
    lexer.taped_text = "";
    lexer.taped_length = 0;
    lexer.at_end_of_input = false;
}

int next_taped_token(markup_lexer& lexer) {
    if (lexer.at_end_of_input) return 0;
    while (lexer.tape_next == lexer.tape_end) {
        if (!lexer.tape->next_chunk(lexer.tape_next, lexer.tape_end)) {
            // Every writer ends its tape with an entry; a reader left without
            // one sees end of input.
            lexer.at_end_of_input = true;
            return 0;
        }
    }
    int header[3];
    std::memcpy(header, lexer.tape_next, HEADER);
    const char* text = lexer.tape_next + HEADER;
    lexer.tape_next = text + header[2] + 1;
    if (header[0] == SCANNER_FAILED) {
        std::fprintf(stderr, "%s\n", text);
        std::exit(SCANNER_FAILURE_STATUS);
    }
    lexer.line_counter = header[1];
    lexer.taped_text = text;
    lexer.taped_length = header[2];
    if (header[0] == 0) lexer.at_end_of_input = true;
    return header[0];
}

tape_writer::tape_writer(std::size_t chunk_size, std::function<bool(tape_chunk&)> deliver,
                         std::function<void(tape_chunk&)> reuse)
    : chunk_size_(chunk_size), deliver_(std::move(deliver)), reuse_(std::move(reuse)) {}

bool tape_writer::add(int kind, int line, const char* text, int length) {
    std::size_t need = HEADER + static_cast<std::size_t>(length) + 1;
    if (chunk_.size + need > chunk_.capacity) {
        if (!finish()) return false;
        if (need <= chunk_size_ && reuse_) reuse_(chunk_);
        if (!chunk_.bytes) {
            chunk_.capacity = need > chunk_size_ ? need : chunk_size_;
            chunk_.bytes.reset(new char[chunk_.capacity]);
        }
    }
    char* at = chunk_.bytes.get() + chunk_.size;
    // Field by field: one store each, none read back.
    std::memcpy(at, &kind, sizeof kind);
    std::memcpy(at + sizeof kind, &line, sizeof line);
    std::memcpy(at + 2 * sizeof kind, &length, sizeof length);
    std::memcpy(at + HEADER, text, static_cast<std::size_t>(length));
    at[HEADER + length] = '\0';
    chunk_.size += need;
    return true;
}

bool tape_writer::add_failure(const char* message) {
    return add(SCANNER_FAILED, 0, message, static_cast<int>(std::strlen(message)));
}

bool tape_writer::finish() {
    if (chunk_.size == 0) return true;
    bool wanted = deliver_(chunk_);
    chunk_ = tape_chunk();
    return wanted;
}

void scan_to_tape(std::FILE* stream, const char* file_name, tape_writer& writer) {
    markup_lexer lexer;
    lexer.vocab = vocabulary::xob;
    lexer.writing_tape = true;
    try {
        lexer_open(lexer, stream, file_name);
        for (;;) {
            int kind = next_token(lexer);
            if (!writer.add(kind, lexer.line_counter, current_token_text(lexer),
                            current_token_length(lexer)))
                break;
            if (kind == 0) break;
        }
    } catch (const scanner_failure& failure) {
        writer.add_failure(failure.message);
    }
    lexer_close(lexer);
    writer.finish();
}
