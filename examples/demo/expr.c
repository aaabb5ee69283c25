/* Sums and products: the upper levels of the grammar
 *     expr   := term { ('+' | '-') term }
 *     term   := factor { ('*' | '/' | '%') factor }
 * factor.c parses the factors. */
#include "calc.h"

static int is_operator(const struct lexer *lx, const char *symbols)
{
    if (lx->kind != TOKEN_OPERATOR)
        return 0;
    for (; *symbols != '\0'; symbols++)
        if (*symbols == lx->symbol)
            return 1;
    return 0;
}

static int parse_term(struct lexer *lx, long *value)
{
    if (parse_factor(lx, value) != 0)
        return -1;
    while (is_operator(lx, "*/%")) {
        char op = lx->symbol;
        long rhs;

        lexer_advance(lx);
        if (parse_factor(lx, &rhs) != 0)
            return -1;
        if (op == '*')
            *value *= rhs;
        else if (rhs == 0)
            return -1;
        else if (op == '/')
            *value /= rhs;
        else
            *value %= rhs;
    }
    return 0;
}

int parse_expr(struct lexer *lx, long *value)
{
    if (parse_term(lx, value) != 0)
        return -1;
    while (is_operator(lx, "+-")) {
        char op = lx->symbol;
        long rhs;

        lexer_advance(lx);
        if (parse_term(lx, &rhs) != 0)
            return -1;
        *value = op == '+' ? *value + rhs : *value - rhs;
    }
    return 0;
}

int evaluate(const char *text, long *value)
{
    struct lexer lx;

    lexer_start(&lx, text);
    if (parse_expr(&lx, value) != 0)
        return -1;
    return lx.kind == TOKEN_END ? 0 : -1;
}
