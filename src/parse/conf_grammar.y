/* Grammar of the rule configuration file. The rule numbers and texts are
   what the parser trace prints, so the order of the rules below is fixed. */
%{
#include <cstdio>

#include "parse/lexer.h"
#include "parse/rule_file.h"

/* The stacks start at 200 entries and double up to 10,000. */
#define YYINITSTACKSIZE 200
#define YYMAXDEPTH 10000

/* Values are never used: the actions keep what they read in the reader. */
#define YYSTYPE_IS_DECLARED 1
typedef int YYSTYPE;
/* Its own name for the generated stack type, which the xob parsers also define. */
#define YYSTACKDATA conf_stack_data

/* Token values are always empty: actions take what they need from the lexer.
   The name of an attribute outside the vocabulary is noted as it is read:
   its rule is reduced after its value, with no look-ahead. */
static int conflex(YYSTYPE*, rule_file_reader* reader);
static void conferror(rule_file_reader* reader, const char* reason);
%}

/* Pure: the stacks are the parse's own and the tokens come from its reader. */
%pure-parser
%parse-param { rule_file_reader* reader }
%lex-param { rule_file_reader* reader }

/* The lexer's numbering: shared tokens from 257, this vocabulary from 266. */
%token SXML STAG ETAG CTAG XTAG ZTAG TEXT IDNT STRG
%token STAGGROUP ZTAGGROUP CTAGGROUP NAME LABEL SEVERITY REPEAT ERRMSG STAGRULE ZTAGRULE CTAGRULE
%token PARAM

%%

module : sxml conf
       ;
sxml : SXML
     ;
ztaggroup : ZTAGGROUP
          | ZTAG
          ;
ztagrule : ZTAGRULE
         | ZTAG
         ;
unreconized_option : IDNT '=' STRG { take_other_option(*reader); }
                   ;
conf : group
     ;
groupopts : groupopt
          | groupopt groupopts
          ;
groupopt : labelopt
         | unreconized_option
         ;
group : STAGGROUP groupopts ETAG { begin_group(*reader); } groupes ztaggroup { end_group(*reader); }
      ;
groupes :
        | groupe groupes
        ;
groupe : group
       | rule
       ;
rule : STAGRULE ruleopts XTAG { configure_pending_rule(*reader); }
     ;
ruleopts : ruleopt
         | ruleopt ruleopts
         ;
ruleopt : nameopt
        | labelopt
        | severityopt
        | repeatopt
        | errmsgopt
        | paramopt
        | unreconized_option
        ;
a_string : STRG { take_string_value(*reader); }
         ;
a_number : STRG { take_number_value(*reader); }
         ;
nameopt : NAME '=' a_string { take_text_option(*reader, reader->pending.name, "NAME"); }
        ;
labelopt : LABEL '=' a_string { take_text_option(*reader, reader->pending.label, "LABEL"); }
         ;
severityopt : SEVERITY '=' a_number
              { take_number_option(*reader, reader->pending.severity, "SEVERITY"); }
            ;
repeatopt : REPEAT '=' a_number { take_number_option(*reader, reader->pending.repeat, "REPEAT"); }
          ;
errmsgopt : ERRMSG '=' a_string { take_text_option(*reader, reader->pending.errmsg, "ERRMSG"); }
          ;
paramopt : PARAM '=' a_string { take_text_option(*reader, reader->pending.param, "PARAM"); }
         ;

%%

static int conflex(YYSTYPE*, rule_file_reader* reader) {
    int token = next_token(reader->lexer);
    if (token == IDNT) note_attribute_name(*reader);
    return token;
}

int conf_parse(rule_file_reader& reader) { return confparse(&reader); }

int confparse() {
    rule_file_reader reader(default_lexer());
    return conf_parse(reader);
}

/* Syntax errors and stack overflow alike quote the token where they arose. */
static void conferror(rule_file_reader* reader, const char*) {
    const markup_lexer& lexer = reader->lexer;
    std::printf("error in config file %s line %d !!! %s !!!\n", current_file_name(lexer),
                lexer.line_counter, current_token_text(lexer));
}

const char* conf_token_name(int code) {
    if (code < 0) return yyname[YYUNDFTOKEN];
    const char* name = yyname[YYTRANSLATE(code)];
    return name ? name : yyname[YYUNDFTOKEN];
}
