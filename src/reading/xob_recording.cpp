#include "reading/xob_recording.h"

#include <cstring>
#include <string>

#include "model/name_table.h"
#include "model/xob_node.h"
#include "parse/lexer.h"
#include "parse/token_values.h"
#include "parse/xob_actions.h"
#include "reading/xob_record.h"

int xob_parse_recording(markup_lexer& lexer);  // the recording parser (xob_grammar.y)

namespace {

// Writes one file's record; the recording actions reach it through the
// thread they run on.
class recorder {
public:
    explicit recorder(chunk_writer& out) : out_(out) {}

    // Records an entry; the number of the value it makes (0 for none).
    std::uint32_t entry(record_op op, const std::int32_t* arguments, const char* text,
                        std::size_t text_length) {
        const record_op_shape& shape = RECORD_OP_SHAPES[op];
        std::uint32_t made = shape.makes ? numbering_.number_made(op, arguments) : 0;
        if (gone_) return made;
        if (op == OP_NUMBER) {
            hold_number(made, arguments[0]);
            return made;
        }
        if (op == OP_POSITION_BY_NUMBER && holds_exactly(arguments)) {
            std::int32_t numbers[3] = {held_[0].value, held_[1].value, held_[2].value};
            held_count_ = 0;
            write(OP_POSITION_AT, numbers, nullptr, 0);
            return made;
        }
        write_held(held_count_);
        write(op, arguments, text, text_length);
        return made;
    }

    bool gone() const { return gone_; }
    bool failed = false;  // the scanner failed: only end of input from now on

private:
    // The newest numbers are held back, so that a position made of the three
    // newest is written as one entry holding them. Held numbers are the
    // values made last, so the position's value takes the number the replay
    // gives next, as the first of them would have: the numbering agrees.
    struct held_number {
        std::uint32_t number;
        std::int32_t value;
    };

    void hold_number(std::uint32_t number, std::int32_t value) {
        if (held_count_ == 3) write_held(1);
        held_[held_count_++] = {number, value};
    }

    bool holds_exactly(const std::int32_t* arguments) const {
        if (held_count_ != 3) return false;
        for (int i = 0; i < 3; ++i)
            if (static_cast<std::uint32_t>(arguments[i]) != held_[i].number) return false;
        return true;
    }

    // Writes the oldest `count` held numbers, in the order they were made.
    void write_held(int count) {
        for (int i = 0; i < count; ++i) write(OP_NUMBER, &held_[i].value, nullptr, 0);
        for (int i = count; i < held_count_; ++i) held_[i - count] = held_[i];
        held_count_ -= count;
    }

    void write(record_op op, const std::int32_t* arguments, const char* text, std::size_t text_length) {
        if (gone_) return;
        std::size_t size = entry_size(op, text != nullptr, text_length);
        char* at = out_.reserve(size);
        if (!at) {
            gone_ = true;
            return;
        }
        write_entry(at, op, arguments, text, text_length);
        out_.commit(size);
    }

    chunk_writer& out_;
    value_numbering numbering_;
    held_number held_[3];
    int held_count_ = 0;
    bool gone_ = false;
};

thread_local recorder* active = nullptr;

using xob_recording::rec_value;

rec_value made(std::uint32_t number) { return rec_value{number}; }

rec_value with_number(record_op op, std::int32_t number) {
    return made(active->entry(op, &number, nullptr, 0));
}

void print(record_op op, const std::string& text) {
    active->entry(op, nullptr, text.data(), text.size());
}

}  // namespace

namespace xob_recording {

int parse(markup_lexer& lexer) { return xob_parse_recording(lexer); }

int recorded_token(markup_lexer& lexer) {
    if (active->failed || active->gone()) return 0;
    try {
        return next_token(lexer);
    } catch (const scanner_failure& failure) {
        active->failed = true;
        active->entry(OP_SCANNER_FAILED, nullptr, failure.message, std::strlen(failure.message));
        return 0;
    }
}

void xob_syntax_error(const markup_lexer& lexer) { print(OP_PRINT, ::xob_syntax_error_line(lexer)); }

rec_value no_value() { return rec_value{0}; }

rec_value diagnostic(const markup_lexer& lexer, const char* label) {
    std::string pair = label;
    pair += '\0';
    pair += current_token_text(lexer);
    print(OP_PRINT_PAIR, pair);
    return no_value();
}

// The name's hash is computed here, on the reading thread, and lets the
// replay fetch the name table's entries before it needs them.
rec_value string_attribute_value(const markup_lexer& lexer) {
    const char* inner;
    std::size_t length;
    quoted_characters(current_token_text(lexer), current_token_length(lexer), &inner, &length);
    attribute_value_text(&inner, &length);
    auto hash = static_cast<std::int32_t>(name_hash(inner, length));
    return made(active->entry(OP_STRING, &hash, inner, length));
}

rec_value number_attribute_value(const markup_lexer& lexer) {
    return with_number(OP_NUMBER, number_value(current_token_text(lexer)));
}

rec_value line_count_value(const markup_lexer& lexer) {
    return with_number(OP_NUMBER, line_count_number(current_token_text(lexer)));
}

rec_value record_action(record_op op, const std::int32_t* numbers) {
    return made(active->entry(op, numbers, nullptr, 0));
}

}  // namespace xob_recording

void record_xob_file(std::FILE* stream, const char* file_name, chunk_writer& out) {
    recorder file_record(out);
    recorder* outer = active;
    active = &file_record;
    markup_lexer lexer;
    lexer.vocab = vocabulary::xob;
    lexer.recording = true;
    int status = 1;
    try {
        lexer_open(lexer, stream, file_name);
        status = xob_recording::parse(lexer);
    } catch (const scanner_failure& failure) {  // the scanner's buffer could not be made
        file_record.entry(OP_SCANNER_FAILED, nullptr, failure.message, std::strlen(failure.message));
    }
    std::int32_t end_status = status;
    file_record.entry(OP_END, &end_status, nullptr, 0);
    lexer_close(lexer);
    out.finish();
    active = outer;
}
