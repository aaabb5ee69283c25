#include "parse/lexer.h"

#include <iterator>

namespace {

#define MARKUP_TOKEN_TEXT(token) #token,
const char* const shared_names[] = {MARKUP_SHARED_TOKENS(MARKUP_TOKEN_TEXT)};
const char* const xob_names[] = {MARKUP_XOB_TOKENS(MARKUP_TOKEN_TEXT)};
const char* const conf_names[] = {MARKUP_CONF_TOKENS(MARKUP_TOKEN_TEXT)};
#undef MARKUP_TOKEN_TEXT

}  // namespace

const char* token_name(vocabulary vocab, int kind) {
    if (kind == 0) return "end-of-file";
    if (kind == '=') return "'='";
    if (kind >= SXML && kind <= STRG) return shared_names[kind - SXML];
    int index = kind - (STRG + 1);
    if (vocab == vocabulary::xob) {
        if (index >= 0 && index < static_cast<int>(std::size(xob_names))) return xob_names[index];
    } else if (index >= 0 && index < static_cast<int>(std::size(conf_names))) {
        return conf_names[index];
    }
    return "illegal-symbol";
}
