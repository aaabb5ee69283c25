/* Factors: the lower levels of the grammar
 *     factor  := { '-' } primary [ '^' number ]
 *     primary := number | '(' expr ')'
 * A parenthesised expression goes back up to parse_expr in expr.c. */
#include "calc.h"

/* Exponentiation by squaring. */
// kyv-justify KYV_160_20 1 : the depth is the number of bits of the exponent
static long power(long base, unsigned long exponent)
{
    long half;

    if (exponent == 0)
        return 1;
    half = power(base, exponent / 2);
    return exponent % 2 == 0 ? half * half : half * half * base;
}

static int parse_primary(struct lexer *lx, long *value)
{
    if (lx->kind == TOKEN_NUMBER) {
        *value = lx->number;
        lexer_advance(lx);
        return 0;
    }
    if (lx->kind != TOKEN_OPERATOR || lx->symbol != '(')
        return -1;
    lexer_advance(lx);
    if (parse_expr(lx, value) != 0)
        return -1;
    if (lx->kind != TOKEN_OPERATOR || lx->symbol != ')')
        return -1;
    lexer_advance(lx);
    return 0;
}

int parse_factor(struct lexer *lx, long *value)
{
    int negative = 0;

    while (lx->kind == TOKEN_OPERATOR && lx->symbol == '-') {
        negative = !negative;
        lexer_advance(lx);
    }
    if (parse_primary(lx, value) != 0)
        return -1;
    if (lx->kind == TOKEN_OPERATOR && lx->symbol == '^') {
        lexer_advance(lx);
        if (lx->kind != TOKEN_NUMBER)
            return -1;
        *value = power(*value, (unsigned long)lx->number);
        lexer_advance(lx);
    }
    if (negative)
        *value = -*value;
    return 0;
}
