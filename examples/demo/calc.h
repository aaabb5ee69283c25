/* The calculator's lexer and its recursive-descent parser. */
#ifndef CALC_H
#define CALC_H

enum token_kind { TOKEN_END, TOKEN_NUMBER, TOKEN_OPERATOR, TOKEN_INVALID };

struct lexer {
    const char *cursor;   /* first character after the current token */
    enum token_kind kind; /* of the current token */
    long number;          /* its value when kind is TOKEN_NUMBER */
    char symbol;          /* the operator when kind is TOKEN_OPERATOR */
};

/* lexer.c */
void lexer_start(struct lexer *lx, const char *text);
void lexer_advance(struct lexer *lx);
const char *token_name(enum token_kind token);

/* expr.c: 0 and the value in *value, or -1 on a syntax or arithmetic error. */
int parse_expr(struct lexer *lx, long *value);
int evaluate(const char *text, long *value);

/* factor.c */
int parse_factor(struct lexer *lx, long *value);

#endif
