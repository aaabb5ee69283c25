#include "report/perl_text.h"

#include "report/output_text.h"

void write_perl_string(std::FILE* stream, const char* text) {
    put_char('"', stream);
    for (const char* c = text ? text : ""; *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\' || *c == '$' || *c == '@') put_char('\\', stream);
        put_char(*c, stream);
    }
    put_char('"', stream);
}
