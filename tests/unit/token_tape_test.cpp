#include "parse/token_tape.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "parse/lexer.h"

namespace {

struct token {
    int kind;
    std::string text;
    int line;
    bool operator==(const token& other) const {
        return kind == other.kind && text == other.text && line == other.line;
    }
};

void PrintTo(const token& each, std::ostream* out) {
    *out << each.kind << "@" << each.line << ":" << testing::PrintToString(each.text);
}

std::FILE* file_holding(const std::string& input) {
    std::FILE* file = std::tmpfile();
    if (file) {
        std::fwrite(input.data(), 1, input.size(), file);
        std::rewind(file);
    }
    return file;
}

// Every token up to and including end of input, then one more call, which
// must give end of input again.
std::vector<token> drain(markup_lexer& lexer, std::size_t limit) {
    std::vector<token> tokens;
    for (std::size_t guard = 0; guard < limit; ++guard) {
        int kind = next_token(lexer);
        tokens.push_back({kind, std::string(current_token_text(lexer), current_token_length(lexer)),
                          lexer.line_counter});
        if (kind == 0) break;
    }
    int again = next_token(lexer);
    tokens.push_back({again, current_token_text(lexer), lexer.line_counter});
    return tokens;
}

std::vector<token> scanned(const std::string& input) {
    std::FILE* file = file_holding(input);
    if (!file) return {};
    markup_lexer lexer;
    lexer_open(lexer, file, "direct.xob");
    std::vector<token> tokens = drain(lexer, input.size() + 2);
    lexer_close(lexer);
    std::fclose(file);
    return tokens;
}

class chunk_queue : public tape_source {
public:
    bool next_chunk(const char*& begin, const char*& end) override {
        if (chunks.empty()) return false;
        current = std::move(chunks.front());
        chunks.pop_front();
        begin = current.bytes.get();
        end = begin + current.size;
        return true;
    }
    std::deque<tape_chunk> chunks;
    tape_chunk current;
};

// Writes the input onto a tape of small chunks and plays it back.
std::vector<token> taped(const std::string& input, std::size_t chunk_size, std::size_t* chunk_count) {
    std::FILE* file = file_holding(input);
    if (!file) return {};
    chunk_queue queue;
    tape_writer writer(chunk_size, [&](tape_chunk& chunk) {
        queue.chunks.push_back(std::move(chunk));
        return true;
    });
    scan_to_tape(file, "taped.xob", writer);
    std::fclose(file);
    *chunk_count = queue.chunks.size();
    markup_lexer lexer;
    lexer_play_tape(lexer, queue, "taped.xob");
    EXPECT_STREQ(current_file_name(lexer), "taped.xob");
    return drain(lexer, input.size() + 2);
}

TEST(TokenTape, PlaysBackWhatTheScannerRead) {
    const char nul_literal[] = "<define name=\"a\0b\" \0 level=\"0\">\0";
    std::string with_nul(nul_literal, sizeof nul_literal - 1);
    struct tape_case {
        const char* what;
        std::string input;
    } cases[] = {
        {"a document", "<?xml version=\"1.0\"?>\n<xobj filename=\"x.xob\">\n<define name=\"v\" level=\"0\">\n"
                       "<position filenum=\"1\" line=\"3\" row=\"5\"/>\n</define>\n</xobj>\n"},
        {"NUL bytes in a tag and after it", with_nul},
        {"comments over lines, nested", "<!-- a\n<!-- b\n--> c\n-->\n<x y=\"1\"/>"},
        {"a string left open at the line end", "<x y=\"open\n>"},
        {"one token longer than many chunks", "<x y=\"" + std::string(5000, 'q') + "\"/>" + std::string(3000, 'z')},
        {"a failed declaration", "<?xml a<b c>x<?xml?>\n"},
        {"nothing", ""},
    };
    for (const tape_case& each : cases) {
        SCOPED_TRACE(each.what);
        std::vector<token> direct = scanned(each.input);
        std::size_t chunks = 0;
        EXPECT_EQ(taped(each.input, 64, &chunks), direct);
        ASSERT_GE(direct.size(), 2u);
        EXPECT_EQ(direct.back().kind, 0);
        if (each.input.size() > 200) {
            EXPECT_GT(chunks, 2u);
        }
    }
}

TEST(TokenTape, ScanStopsWhenTheReaderWantsNoMore) {
    std::string input;
    for (int i = 0; i < 2000; ++i) input += "<x y=\"" + std::to_string(i) + "\"/>\n";
    std::FILE* file = file_holding(input);
    ASSERT_NE(file, nullptr);
    int delivered = 0;
    tape_writer writer(256, [&](tape_chunk&) { return ++delivered < 3; });
    scan_to_tape(file, "stop.xob", writer);
    std::fclose(file);
    EXPECT_EQ(delivered, 3);
}

TEST(TokenTape, ScannerFailureEndsTheRunWhereTheParserMeetsIt) {
    chunk_queue queue;
    tape_writer writer(1 << 16, [&](tape_chunk& chunk) {
        queue.chunks.push_back(std::move(chunk));
        return true;
    });
    writer.add(TEXT, 4, "before", 6);
    writer.add_failure("input in flex scanner failed");
    writer.finish();
    markup_lexer lexer;
    lexer_play_tape(lexer, queue, "failing.xob");
    EXPECT_EQ(next_token(lexer), TEXT);
    EXPECT_STREQ(current_token_text(lexer), "before");
    EXPECT_EQ(lexer.line_counter, 4);
    EXPECT_EXIT(next_token(lexer), testing::ExitedWithCode(2), "^input in flex scanner failed\n$");
}

}  // namespace
