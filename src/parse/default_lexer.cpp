#include "parse/lexer.h"

namespace {

// Constructed before main like any namespace-scope object; the references
// below only take its members' addresses.
markup_lexer the_default_lexer;

}  // namespace

markup_lexer& default_lexer() { return the_default_lexer; }

vocabulary& active_vocabulary = the_default_lexer.vocab;
int& line_counter = the_default_lexer.line_counter;

void lexer_open(std::FILE* stream, const char* file_name) {
    lexer_open(the_default_lexer, stream, file_name);
}
void lexer_close() { lexer_close(the_default_lexer); }
int next_token() { return next_token(the_default_lexer); }
const char* current_token_text() { return current_token_text(the_default_lexer); }
int current_token_length() { return current_token_length(the_default_lexer); }
const char* current_file_name() { return current_file_name(the_default_lexer); }
