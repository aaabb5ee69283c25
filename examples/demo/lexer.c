/* Splits an expression into numbers and one-character operators. */
#include <stdlib.h>
#include <string.h>

#include "calc.h"
#include "text.h"

void lexer_start(struct lexer *lx, const char *text)
{
    lx->cursor = text;
    lexer_advance(lx);
}

void lexer_advance(struct lexer *lx)
{
    const char *p = skip_blanks(lx->cursor);
    char *end;

    if (*p == '\0') {
        lx->kind = TOKEN_END;
        lx->cursor = p;
    } else if (isdigit((unsigned char)*p)) {
        lx->kind = TOKEN_NUMBER;
        lx->number = strtol(p, &end, 10);
        lx->cursor = end;
    } else if (strchr("+-*/%^()", *p) != NULL) {
        lx->kind = TOKEN_OPERATOR;
        lx->symbol = *p;
        lx->cursor = p + 1;
    } else {
        lx->kind = TOKEN_INVALID;
        lx->cursor = p;
    }
}

/* Names a token kind in a trace; kept for debugging sessions. */
const char *token_name(enum token_kind token)
{
    switch (token) {
    case TOKEN_END: return "end";
    case TOKEN_NUMBER: return "number";
    case TOKEN_OPERATOR: return "operator";
    case TOKEN_INVALID: return "invalid";
    }
    return "?";
}
