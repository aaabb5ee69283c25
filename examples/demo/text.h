/* Text helpers shared by the command reader and the lexer. */
#ifndef TEXT_H
#define TEXT_H

#include <ctype.h>

/* Returns s advanced past any blanks. */
static const char *skip_blanks(const char *s)
{
    while (isspace((unsigned char)*s))
        s++;
    return s;
}

#endif
