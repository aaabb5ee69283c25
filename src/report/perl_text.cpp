#include "report/perl_text.h"

void write_perl_string(std::FILE* stream, const char* text) {
    std::fputc('"', stream);
    for (const char* c = text ? text : ""; *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\' || *c == '$' || *c == '@') std::fputc('\\', stream);
        std::fputc(*c, stream);
    }
    std::fputc('"', stream);
}
