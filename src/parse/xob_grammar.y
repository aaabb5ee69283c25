%{
// The xob grammar: every model entry is made by the action of the production
// that recognises its element, in document order. The parser is pure: its
// stacks are its own, and it reads its tokens from the lexer it is given.
//
// Compiled twice: as it stands, each action changes the model; with
// XOB_RECORDING (symbol prefix xobrec), for a reading thread, each action
// records what it would do (reading/xob_recording.h), for the model's thread to
// replay in order.
#include <cstdio>

#include "parse/lexer.h"

#define YYMAXDEPTH 500
#define YYINITSTACKSIZE 500
#define YYSTYPE_IS_DECLARED 1
// The generated stack type gets a name of its own in each parser: the
// parsers are linked into one program, where two different types of one
// name would break the one-definition rule.
#ifdef XOB_RECORDING
#define YYSTACKDATA xobrec_stack_data
#else
#define YYSTACKDATA xob_stack_data
#endif

#ifdef XOB_RECORDING
#include "reading/xob_recording.h"
using namespace xob_recording;
typedef rec_value YYSTYPE;
static int xobreclex(YYSTYPE* value, markup_lexer* lexer) {
    *value = YYSTYPE();
    return recorded_token(*lexer);
}
static void xobrecerror(markup_lexer* lexer, const char*) { xob_syntax_error(*lexer); }
#else
#include "parse/xob_actions.h"
typedef xob_value YYSTYPE;
// Token values are always empty: actions take what they need from the lexer.
static int xoblex(YYSTYPE*, markup_lexer* lexer) { return next_token(*lexer); }
static void xoberror(markup_lexer* lexer, const char*) { xob_syntax_error(*lexer); }
#endif
%}

%token SXML STAG ETAG CTAG XTAG ZTAG TEXT IDNT STRG
%token STAGPOS ZTAGPOS CTAGPOS AFILENAME AFULLNAME FULLDEF ALINE AROW
%token STAGDECL ZTAGDECL CTAGDECL STAGDEF ZTAGDEF CTAGDEF ALEVEL ASTORAGE
%token STAGOBJ ZTAGOBJ CTAGOBJ ONAME STAGREF ZTAGREF CTAGREF OMODE
%token STAGFIL ZTAGFIL CTAGFIL STAGFCT ZTAGFCT CTAGFCT STAGFIELD ZTAGFIELD CTAGFIELD
%token STAGENU ZTAGENU CTAGENU STAGTYP ZTAGTYP CTAGTYP STAGXOB ZTAGXOB CTAGXOB
%token STAGSRC ZTAGSRC CTAGSRC STAGTRAP ZTAGTRAP CTAGTRAP
%token ADATE ACLE ASYSINCLUDE ACOMMAND TRAPPARAM ANBLINE ACOMMENT AVERSION AALL
%token STAGJUS ZTAGJUS CTAGJUS ASCOPE ANEWNUM AOLDNUM AFILENUM AINDIR AENUM ASTRUCT

%start module
%pure-parser
%parse-param { markup_lexer* lexer }
%lex-param { markup_lexer* lexer }

%%

module : sxml xobj { $$ = act_module($2); } ;
sxml : SXML { $$ = no_value(); } ;
stag : STAG { $$ = diagnostic(*lexer, ":<: "); } ;
etag : ETAG { $$ = diagnostic(*lexer, ":>:"); } ;
ctag : CTAG { $$ = diagnostic(*lexer, ":</:"); } ;
xtag : XTAG { $$ = diagnostic(*lexer, ":/>:"); } ;
ztag : ZTAG { $$ = diagnostic(*lexer, ":</>:"); } ;
idnt : IDNT { $$ = diagnostic(*lexer, "OPTIDT"); }
     | AFILENAME { $$ = diagnostic(*lexer, "OPTIDT"); }
     | AFULLNAME { $$ = diagnostic(*lexer, "OPTIDT"); }
     | FULLDEF { $$ = diagnostic(*lexer, "OPTIDT"); }
     | ALEVEL { $$ = diagnostic(*lexer, "OPTIDT"); }
     | ALINE { $$ = diagnostic(*lexer, "OPTIDT"); }
     | OMODE { $$ = diagnostic(*lexer, "OPTIDT"); }
     | ONAME { $$ = diagnostic(*lexer, "OPTIDT"); }
     | AROW { $$ = diagnostic(*lexer, "OPTIDT"); }
     | ASTORAGE { $$ = diagnostic(*lexer, "OPTIDT"); }
     ;
ztagpos : ZTAGPOS { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagdecl : ZTAGDECL { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagdef : ZTAGDEF { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagobj : ZTAGOBJ { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagref : ZTAGREF { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagfil : ZTAGFIL { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagfct : ZTAGFCT { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagfield : ZTAGFIELD { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagenu : ZTAGENU { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagtyp : ZTAGTYP { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagxob : ZTAGXOB { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagsrc : ZTAGSRC { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagjus : ZTAGJUS { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
ztagtrap : ZTAGTRAP { $$ = no_value(); } | ZTAG { $$ = no_value(); } ;
strg : STRG { $$ = diagnostic(*lexer, "OPTSTR"); } ;
blocks : { $$ = no_value(); }
       | blocks block { $$ = append_block($1, $2); }
       ;
block : TEXT { $$ = diagnostic(*lexer, "EVBLTEXT"); }
      | element
      | declare
      | define
      | reference
      | functiondcl
      | function
      | fielddef
      | enumdef
      | typedef
      | traprule
      | sourcefile
      | fildef
      | justify
      ;
a_string : STRG { $$ = string_attribute_value(*lexer); } ;
a_number : STRG { $$ = number_attribute_value(*lexer); } ;
a_number_or_everywhere : STRG { $$ = line_count_value(*lexer); } ;
position : STAGPOS option_filename option_fullname option_line option_row XTAG
             { $$ = act_position_by_name($2, $3, $4, $5); }
         | STAGPOS option_filenum option_line option_row XTAG
             { $$ = act_position_by_number($2, $3, $4); }
         ;
define : STAGDEF option_name option_level option_storage opt_newtypenum opt_indirection opt_scope ETAG position ztagdef
           { $$ = act_define($2, $3, $4, $5, $6, $7, $9); }
       ;
fielddef : STAGFIELD option_name option_structnum opt_newtypenum opt_indirection ETAG position ztagfield
             { $$ = act_field($2, $3, $4, $5, $7); }
         ;
enumdef : STAGENU option_name option_enumnum ETAG position ztagenu
            { $$ = act_enum($2, $3, $5); }
        ;
typedef : STAGTYP option_name option_level opt_scope opt_newtypenum opt_oldtypenum opt_indirection ETAG position ztagtyp
            { $$ = act_typedef($2, $3, $4, $5, $6, $7, $9); }
        ;
declare : STAGDECL option_name option_level option_storage ETAG position ztagdecl
            { $$ = act_declare($2, $3, $4, $6); }
        ;
fildef : STAGFIL option_fullname option_sysinclude opt_filenum opt_version XTAG
           { $$ = act_file($2, $3, $4, $5); }
       ;
sourcefile : STAGSRC option_filename option_fullname option_date option_cle option_sysinclude opt_filenum opt_version ETAG
               { $$ = act_source_start($2, $3, $4, $5, $6, $7, $8); }
             blocks ztagsrc
               { $$ = act_source_end($2, $3, $4, $5, $6, $7, $8, $10, $11); }
           ;
functiondcl : STAGFCT option_name option_storage ETAG position ztagfct
                { $$ = act_function_declaration($2, $3, $5); }
            ;
function : STAGFCT option_name option_fulldef option_storage ETAG position
             { $$ = act_function_start($2, $3, $4, $6); }
           blocks position ztagfct
             { $$ = act_function_end($2, $3, $4, $7, $8, $9); }
         ;
xobj : STAGXOB option_filename opt_date opt_cmdline ETAG
         { $$ = act_xob_start($2, $3, $4); }
       blocks ztagxob
         { $$ = act_xob_end($2, $3, $4, $6, $7); }
     ;
object : STAGOBJ option_name option_mode ETAG position ztagobj
           { $$ = act_object($2, $3, $5); }
       ;
reference : STAGREF option_mode ETAG object position ztagref
              { $$ = act_reference($2, $4, $5); }
          ;
justify : STAGJUS option_name option_nblines option_comment opt_all ETAG position ztagjus
            { $$ = act_justify($2, $3, $4, $5, $7); }
        ;
traprule : STAGTRAP option_name opt_trapparam ETAG position ztagtrap
             { $$ = act_trap($2, $3, $5, no_value()); }
         | STAGTRAP option_name opt_trapparam ETAG position position ztagtrap
             { $$ = act_trap($2, $3, $5, $6); }
         ;
element : stag options etag blocks ctag etag { $$ = no_value(); }
        | stag options xtag { $$ = no_value(); }
        | stag options etag blocks ztag { $$ = no_value(); }
        | error etag { $$ = diagnostic(*lexer, "EVSERROR"); }
        ;
options : { $$ = no_value(); }
        | options option { $$ = no_value(); }
        ;
option : idnt '=' strg { $$ = no_value(); } ;
option_name : ONAME '=' a_string { $$ = $3; } ;
option_mode : OMODE '=' a_string { $$ = $3; } ;
option_fulldef : FULLDEF '=' a_string { $$ = $3; } ;
option_level : ALEVEL '=' a_number { $$ = $3; } ;
option_storage : ASTORAGE '=' a_string { $$ = $3; } ;
option_filename : AFILENAME '=' a_string { $$ = $3; } ;
option_fullname : AFULLNAME '=' a_string { $$ = $3; } ;
option_line : ALINE '=' a_number { $$ = $3; } ;
option_row : AROW '=' a_number { $$ = $3; } ;
option_date : ADATE '=' a_number { $$ = $3; } ;
opt_date : { $$ = no_value(); }
         | option_date
         ;
option_cle : ACLE '=' a_string { $$ = $3; } ;
option_sysinclude : { $$ = no_value(); }
                  | ASYSINCLUDE '=' a_string { $$ = $3; }
                  ;
opt_cmdline : { $$ = no_value(); }
            | ACOMMAND '=' a_string { $$ = $3; }
            ;
opt_trapparam : { $$ = no_value(); }
              | TRAPPARAM '=' a_string { $$ = $3; }
              ;
option_nblines : ANBLINE '=' a_number_or_everywhere { $$ = $3; } ;
option_version : AVERSION '=' a_string { $$ = $3; } ;
option_comment : ACOMMENT '=' a_string { $$ = $3; } ;
opt_all : { $$ = no_value(); }
        | AALL '=' a_number { $$ = $3; }
        ;
opt_scope : { $$ = no_value(); }
          | ASCOPE '=' a_number { $$ = $3; }
          ;
opt_newtypenum : { $$ = no_value(); }
               | ANEWNUM '=' a_number { $$ = $3; }
               ;
opt_oldtypenum : { $$ = no_value(); }
               | AOLDNUM '=' a_number { $$ = $3; }
               ;
opt_indirection : { $$ = no_value(); }
                | AINDIR '=' a_string { $$ = $3; }
                ;
option_structnum : ASTRUCT '=' a_number { $$ = $3; } ;
option_enumnum : AENUM '=' a_number { $$ = $3; } ;
option_filenum : AFILENUM '=' a_number { $$ = $3; } ;
opt_filenum : { $$ = no_value(); }
            | option_filenum
            ;
opt_version : { $$ = no_value(); }
            | option_version
            ;

%%

#ifdef XOB_RECORDING
int xob_parse_recording(markup_lexer& lexer) { return xobrecparse(&lexer); }
#else
int xob_parse(markup_lexer& lexer) { return xobparse(&lexer); }

int xob_parse() { return xob_parse(default_lexer()); }

const char* xob_token_name(int code) {
    if (code < 0) return yyname[YYUNDFTOKEN];
    const char* token = yyname[YYTRANSLATE(code)];
    return token ? token : yyname[YYUNDFTOKEN];
}
#endif
