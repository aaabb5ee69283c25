#include "parse/xob_reader.h"

#include <sys/stat.h>

#include "messages/messages.h"
#include "messages/text_conversion.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "parse/lexer.h"
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

}  // namespace

void finish_xob_file(int parse_status, xob_node* outer_scope) {
    if (parse_status != 0) close_abandoned_file(outer_scope);
}

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
    xob_node* outer_scope = current_scope;
    finish_xob_file(xob_parse(lexer), outer_scope);
    lexer_close(lexer);
    std::fclose(stream);
}

