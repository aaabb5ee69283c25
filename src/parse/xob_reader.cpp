#include "parse/xob_reader.h"

#include <sys/stat.h>

#include <cstdio>

#include "messages/messages.h"
#include "messages/text_conversion.h"
#include "model/trap_table.h"
#include "parse/lexer.h"
#include "parse/xob_actions.h"

void read_xob_file(const char* path) {
    std::FILE* stream = std::fopen(path, "r");
    struct stat status;
    // A directory opens but cannot be read: it is as unopenable as a missing file.
    if (stream && fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(stream);
        stream = nullptr;
    }
    if (!stream) fatal("Fatal Error", "Cannot open xob file %1", "", as_is(path));
    active_vocabulary = vocabulary::xob;
    line_counter = 0;
    lexer_open(stream, path);
    xob_parse();
    // A parse abandoned inside a source file or a function leaves them open:
    // closed here, a system include file cut short hides no trap of the next
    // xob file or of the link pass.
    end_xob_file();
    lexer_close();
    std::fclose(stream);
}
