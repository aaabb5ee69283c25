// The mark-up lexer shared by the xob reader and the rule configuration
// reader: token kinds, vocabularies and the scanner's interface.
//
// The grammars declare the same token names with %token in the same order,
// so their generated numbers equal the ones below. Include this header before
// a generated grammar header: the grammar's token macros carry these names.
#pragma once
#include <cstdio>
#include <string>

// Token kinds of both vocabularies, in number order. Each list is one table:
// the enumerators and the names printed by token_name come from it.
#define MARKUP_SHARED_TOKENS(X) \
    X(SXML) X(STAG) X(ETAG) X(CTAG) X(XTAG) X(ZTAG) X(TEXT) X(IDNT) X(STRG)

#define MARKUP_XOB_TOKENS(X)                                                             \
    X(STAGPOS) X(ZTAGPOS) X(CTAGPOS) X(AFILENAME) X(AFULLNAME) X(FULLDEF) X(ALINE)       \
    X(AROW) X(STAGDECL) X(ZTAGDECL) X(CTAGDECL) X(STAGDEF) X(ZTAGDEF) X(CTAGDEF)         \
    X(ALEVEL) X(ASTORAGE) X(STAGOBJ) X(ZTAGOBJ) X(CTAGOBJ) X(ONAME) X(STAGREF)           \
    X(ZTAGREF) X(CTAGREF) X(OMODE) X(STAGFIL) X(ZTAGFIL) X(CTAGFIL) X(STAGFCT)           \
    X(ZTAGFCT) X(CTAGFCT) X(STAGFIELD) X(ZTAGFIELD) X(CTAGFIELD) X(STAGENU) X(ZTAGENU)   \
    X(CTAGENU) X(STAGTYP) X(ZTAGTYP) X(CTAGTYP) X(STAGXOB) X(ZTAGXOB) X(CTAGXOB)         \
    X(STAGSRC) X(ZTAGSRC) X(CTAGSRC) X(STAGTRAP) X(ZTAGTRAP) X(CTAGTRAP) X(ADATE)        \
    X(ACLE) X(ASYSINCLUDE) X(ACOMMAND) X(TRAPPARAM) X(ANBLINE) X(ACOMMENT) X(AVERSION)   \
    X(AALL) X(STAGJUS) X(ZTAGJUS) X(CTAGJUS) X(ASCOPE) X(ANEWNUM) X(AOLDNUM) X(AFILENUM) \
    X(AINDIR) X(AENUM) X(ASTRUCT)

#define MARKUP_CONF_TOKENS(X)                                                         \
    X(STAGGROUP) X(ZTAGGROUP) X(CTAGGROUP) X(NAME) X(LABEL) X(SEVERITY) X(REPEAT)     \
    X(ERRMSG) X(STAGRULE) X(ZTAGRULE) X(CTAGRULE) X(PARAM)

#define MARKUP_TOKEN_ENUMERATOR(token) token,

// 257 to 265, after the parser generators' error token 256.
enum shared_token : int { SHARED_TOKEN_BASE = 256, MARKUP_SHARED_TOKENS(MARKUP_TOKEN_ENUMERATOR) };
// Both vocabularies number their own tokens from 266 on: a number means
// something only together with the vocabulary.
enum xob_token : int { XOB_TOKEN_BASE = STRG, MARKUP_XOB_TOKENS(MARKUP_TOKEN_ENUMERATOR) };
enum conf_token : int { CONF_TOKEN_BASE = STRG, MARKUP_CONF_TOKENS(MARKUP_TOKEN_ENUMERATOR) };

// A NUL byte inside a tag: a one-character token like any stray character,
// but its own code 0 would read as end of input, so it gets a code that no
// grammar accepts.
constexpr int NUL_CHARACTER_TOKEN = 1000;

// Which keyword tables turn names into token kinds.
enum class vocabulary { xob, configuration };

// One scan of one file: the flex scanner and what its actions keep between
// tokens. Each reader owns its own, so files can be scanned side by side;
// nothing in the lexer is shared between two of them.
struct markup_lexer {
    markup_lexer();
    ~markup_lexer();
    markup_lexer(const markup_lexer&) = delete;
    markup_lexer& operator=(const markup_lexer&) = delete;

    // Set by the reader before it scans; the lexer never changes it.
    vocabulary vocab = vocabulary::xob;
    // Line ends read before the current token: the first line of a file is 0.
    int line_counter = 0;
    // Comments nest: the comment state ends when this drops back to 0.
    int comment_depth = 0;
    // Characters left before the first > or line end that followed a <?xml
    // that made no declaration. Every <?xml before that point fails the same
    // way, so the content state skips the declaration rule there instead of
    // scanning to the line's end again for each one (quadratic on a long line).
    long long failed_declaration_span = 0;
    bool at_end_of_input = false;
    std::string file_name;  // quoted in messages
    void* scanner = nullptr;  // flex's yyscan_t; its extra data points back here

    // Set while the lexer feeds a parser on a reading thread (xob_record.h):
    // its failures are thrown as scanner_failure instead of ending the process.
    bool recording = false;
};

// A failure of a recording scanner, with flex's message.
struct scanner_failure {
    const char* message;
};

// Makes the lexer read `stream` (open, owned by the caller) from the content
// state, with a new input buffer, and quote `file_name` in messages. The line
// counter is left alone.
void lexer_open(markup_lexer& lexer, std::FILE* stream, const char* file_name);

// Releases the input buffer and empties the file name; the caller closes
// the stream.
void lexer_close(markup_lexer& lexer);

// Kind of the next token, 0 at end of input (again on every later call);
// its characters become the current token text.
int next_token(markup_lexer& lexer);

// Characters of the last token returned, a string token with its quotes;
// empty at end of input. Valid until the next call of next_token.
const char* current_token_text(const markup_lexer& lexer);
// Its length: the text may hold NUL bytes, which end the C string early.
int current_token_length(const markup_lexer& lexer);

const char* current_file_name(const markup_lexer& lexer);

// The calls of a process-wide lexer, for code written before each reader had
// its own (tests, fuzz targets): the same calls on one default lexer, whose
// vocabulary and line counter these two names reach. The readers never use it.
markup_lexer& default_lexer();
extern vocabulary& active_vocabulary;
extern int& line_counter;
void lexer_open(std::FILE* stream, const char* file_name);
void lexer_close();
int next_token();
const char* current_token_text();
int current_token_length();
const char* current_file_name();

// Name of a token kind in a vocabulary, as the parser traces print it:
// "end-of-file" for 0, "'='" for '=', "illegal-symbol" for other codes.
const char* token_name(vocabulary vocab, int kind);
