#include "parse/xob_reader.h"

#include <sys/stat.h>

#include "messages/messages.h"
#include "messages/text_conversion.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "parse/lexer.h"
#include "parse/token_tape.h"
#include "parse/xob_actions.h"

namespace {

// A file abandoned by a syntax error or a stack overflow leaves its scopes,
// source files and function open. Whatever it entered stays, but the next
// file and the link pass must not run inside them: a system include file
// left open would drop every later trap.
void close_abandoned_file(xob_node* outer_scope) {
    while (current_scope && current_scope != outer_scope) pop_scope();
    end_xob_file();
}

void parse_into_model(markup_lexer& lexer) {
    xob_node* outer_scope = current_scope;
    if (xob_parse(lexer) != 0) close_abandoned_file(outer_scope);
}

}  // namespace

std::FILE* open_xob_stream(const char* path) {
    std::FILE* stream = std::fopen(path, "r");
    struct stat status;
    if (stream && fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(stream);
        stream = nullptr;
    }
    return stream;
}

void xob_file_unopenable(const char* path) {
    fatal("Fatal Error", "Cannot open xob file %1", "", as_is(path));
}

void read_xob_file(const char* path) {
    std::FILE* stream = open_xob_stream(path);
    if (!stream) xob_file_unopenable(path);
    markup_lexer lexer;
    lexer.vocab = vocabulary::xob;
    lexer_open(lexer, stream, path);
    parse_into_model(lexer);
    lexer_close(lexer);
    std::fclose(stream);
}

void read_taped_xob_file(const char* path, tape_source& tokens) {
    markup_lexer lexer;
    lexer.vocab = vocabulary::xob;
    lexer_play_tape(lexer, tokens, path);
    parse_into_model(lexer);
}
