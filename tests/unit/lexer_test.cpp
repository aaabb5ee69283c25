#include "parse/lexer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "parse/keywords.h"

namespace {

struct token {
    int kind;
    std::string text;
    int line;
};

bool operator==(const token& a, const token& b) { return a.kind == b.kind && a.text == b.text; }

void PrintTo(const token& each, std::ostream* out) {
    *out << each.kind << ":" << testing::PrintToString(each.text);
}

std::string describe(const std::vector<token>& tokens, vocabulary vocab) {
    std::string out;
    for (const token& t : tokens) {
        out += token_name(vocab, t.kind);
        if (t.kind == NUL_CHARACTER_TOKEN) out += "(NUL)";
        if (t.kind > 0 && t.kind < 256 && t.kind != '=') out += "(" + std::to_string(t.kind) + ")";
        out += "[" + t.text + "] ";
    }
    return out;
}

std::FILE* file_holding(const std::string& input) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    if (!file) return nullptr;
    std::fwrite(input.data(), 1, input.size(), file);
    std::rewind(file);
    return file;
}

// Scans `input` with `lexer` from a temporary file until end of input. Stops
// after far more tokens than the input could hold, so a looping lexer fails.
std::vector<token> scan_with(markup_lexer& lexer, const std::string& input,
                             vocabulary vocab = vocabulary::xob) {
    std::FILE* file = file_holding(input);
    if (!file) return {};
    lexer.vocab = vocab;
    lexer.line_counter = 0;
    lexer_open(lexer, file, "memory.xml");
    std::vector<token> tokens;
    for (std::size_t guard = 0; guard <= input.size() + 1; ++guard) {
        int kind = next_token(lexer);
        if (kind == 0) break;
        tokens.push_back({kind, std::string(current_token_text(lexer), current_token_length(lexer)),
                          lexer.line_counter});
    }
    lexer_close(lexer);
    std::fclose(file);
    return tokens;
}

std::vector<token> scan(const std::string& input, vocabulary vocab = vocabulary::xob) {
    markup_lexer lexer;
    return scan_with(lexer, input, vocab);
}

struct lexer_case {
    const char* what;
    vocabulary vocab;
    std::string input;
    std::vector<token> expected;
};

token t(int kind, std::string text) { return {kind, std::move(text), 0}; }

constexpr vocabulary xob = vocabulary::xob;
constexpr vocabulary conf = vocabulary::configuration;

const std::vector<lexer_case>& lexer_cases() {
    static const std::vector<lexer_case> cases = {
        {"declaration",
         xob,
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
         {t(SXML, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>")}},
        {"declaration keyword is lower case only",
         xob,
         "<?XML a?>",
         {t(TEXT, "<"), t(TEXT, "?XML"), t(TEXT, "a?>")}},
        {"declaration inside must not hold >",
         xob,
         "<?xml a>b?>",
         {t(TEXT, "<"), t(TEXT, "?xml"), t(TEXT, "a>b?>")}},
        {"open tag, mixed case",
         xob,
         "<position><POSITION><PoSiTiOn/>",
         {t(STAGPOS, "<position"), t(ETAG, ">"), t(STAGPOS, "<POSITION"), t(ETAG, ">"),
          t(STAGPOS, "<PoSiTiOn"), t(XTAG, "/>")}},
        {"a <?xml without its ?> before the next > is text",
         xob,
         "<?xml a<b c>x<?xml?>",
         {t(TEXT, "<"), t(TEXT, "?xml"), t(TEXT, "a"), t(STAG, "<b"), t(IDNT, "c"), t(ETAG, ">"),
          t(TEXT, "x"), t(SXML, "<?xml?>")}},
        {"declarations again after the line end or > that made one fail",
         xob,
         "<?xml<?xml x\n<?xml?><?xml a>b<?xml z?><?xml<!-- c --><?xml ?>",
         {t(TEXT, "<"), t(TEXT, "?xml"), t(TEXT, "<"), t(TEXT, "?xml"), t(TEXT, "x"),
          t(SXML, "<?xml?>"), t(TEXT, "<"), t(TEXT, "?xml"), t(TEXT, "a>b"), t(SXML, "<?xml z?>"),
          t(TEXT, "<"), t(TEXT, "?xml"), t(SXML, "<?xml ?>")}},
        {"a <?xml inside one that failed", xob, "<?xml<?xml>", {t(TEXT, "<"), t(TEXT, "?xml"),
                                                           t(TEXT, "<"), t(TEXT, "?xml>")}},
        {"xob element in the configuration vocabulary",
         conf,
         "<position><POSITION>",
         {t(STAG, "<position"), t(ETAG, ">"), t(STAG, "<POSITION"), t(ETAG, ">")}},
        {"keyword prefix and extension are unknown",
         xob,
         "<positio><positions>",
         {t(STAG, "<positio"), t(ETAG, ">"), t(STAG, "<positions"), t(ETAG, ">")}},
        {"close forms",
         xob,
         "</define></define ></DEFINE\n></></foo></foo >",
         {t(ZTAGDEF, "</define>"), t(CTAGDEF, "</define"), t(ETAG, ">"), t(CTAGDEF, "</DEFINE"),
          t(ETAG, ">"), t(ZTAG, "</>"), t(ZTAG, "</foo>"), t(CTAG, "</foo"), t(ETAG, ">")}},
        {"tags and their beginnings after a line feed",
         xob,
         "\n<a>\n</a>\n</a >\n</>\n<?x\n<?xm\n<!-- c -->\n<!x\n<\n<7\n<!-x\n<?xml?>",
         {t(STAG, "<a"), t(ETAG, ">"), t(ZTAG, "</a>"), t(CTAG, "</a"), t(ETAG, ">"),
          t(ZTAG, "</>"), t(TEXT, "<"), t(TEXT, "?x"), t(TEXT, "<"), t(TEXT, "?xm"), t(TEXT, "<"),
          t(TEXT, "!x"), t(TEXT, "<"), t(TEXT, "<"), t(TEXT, "7"), t(TEXT, "<"), t(TEXT, "!-x"),
          t(SXML, "<?xml?>")}},
        {"blanks before attribute names and other tokens in a tag",
         xob,
         "<a \tname= \r\"x\" \t/> <b \t\n line \"y\" \t>",
         {t(STAG, "<a"), t(ONAME, "name"), t('=', "="), t(STRG, "\"x\""), t(XTAG, "/>"),
          t(STAG, "<b"), t(ALINE, "line"), t(STRG, "\"y\""), t(ETAG, ">")}},
        {"attribute and value",
         xob,
         "<a name=\"a b\"/>",
         {t(STAG, "<a"), t(ONAME, "name"), t('=', "="), t(STRG, "\"a b\""), t(XTAG, "/>")}},
        {"blanks inside a tag",
         xob,
         "<a \t name \r= \"x\"\n>",
         {t(STAG, "<a"), t(ONAME, "name"), t('=', "="), t(STRG, "\"x\""), t(ETAG, ">")}},
        {"attribute names in mixed case and unknown",
         xob,
         "<a NaMe=\"\" FullDef=\"\" colour=\"\">",
         {t(STAG, "<a"), t(ONAME, "NaMe"), t('=', "="), t(STRG, "\"\""), t(FULLDEF, "FullDef"),
          t('=', "="), t(STRG, "\"\""), t(IDNT, "colour"), t('=', "="), t(STRG, "\"\""),
          t(ETAG, ">")}},
        {"values are verbatim",
         xob,
         "<a comment=\"&quot;x&amp;<y>\\\"/>",
         {t(STAG, "<a"), t(ACOMMENT, "comment"), t('=', "="), t(STRG, "\"&quot;x&amp;<y>\\\""),
          t(XTAG, "/>")}},
        {"a value broken over two lines is no string",
         xob,
         "<a name=\"x\ny\">",
         {t(STAG, "<a"), t(ONAME, "name"), t('=', "="), t('"', "\""), t(IDNT, "x"), t(IDNT, "y"),
          t('"', "\""), t(ETAG, ">")}},
        {"an unclosed quote at the end of input",
         xob,
         "<a \"abc",
         {t(STAG, "<a"), t('"', "\""), t(IDNT, "abc")}},
        {"names are letters only",
         xob,
         "<a name2=\"x\" b_c/ >",
         {t(STAG, "<a"), t(ONAME, "name"), t('2', "2"), t('=', "="), t(STRG, "\"x\""), t(IDNT, "b"),
          t('_', "_"), t(IDNT, "c"), t('/', "/"), t(ETAG, ">")}},
        {"bytes above 127 are positive character tokens",
         xob,
         "<a \xE9>",
         {t(STAG, "<a"), t(0xE9, "\xE9"), t(ETAG, ">")}},
        {"bytes above 127 in text and values",
         xob,
         "caf\xC3\xA9 <a name=\"\xC3\xA9\"/>",
         {t(TEXT, "caf\xC3\xA9"), t(STAG, "<a"), t(ONAME, "name"), t('=', "="),
          t(STRG, "\"\xC3\xA9\""), t(XTAG, "/>")}},
        {"text between tags",
         xob,
         "  hello world\n<a>x-->y</a>",
         {t(TEXT, "hello"), t(TEXT, "world"), t(STAG, "<a"), t(ETAG, ">"), t(TEXT, "x-->y"),
          t(ZTAG, "</a>")}},
        {"a lone <",
         xob,
         "<1 <!x < a <",
         {t(TEXT, "<"), t(TEXT, "1"), t(TEXT, "<"), t(TEXT, "!x"), t(TEXT, "<"), t(TEXT, "a"),
          t(TEXT, "<")}},
        {"nested comments",
         xob,
         "<!-- a <!-- b --> c -->d<!---->e<!-- <a> </a> -->",
         {t(TEXT, "d"), t(TEXT, "e")}},
        {"a comment is not seen inside a tag",
         xob,
         "<a <!-- -->",
         {t(STAG, "<a"), t('<', "<"), t('!', "!"), t('-', "-"), t('-', "-"), t('-', "-"),
          t('-', "-"), t(ETAG, ">")}},
        {"unclosed comment", xob, "x<!-- <a>", {t(TEXT, "x")}},
        {"unclosed tag", xob, "<a name", {t(STAG, "<a"), t(ONAME, "name")}},
        {"configuration elements",
         conf,
         "<group label=\"A\"></group><GROUP x=\"\"></></group\n>",
         {t(STAGGROUP, "<group"), t(LABEL, "label"), t('=', "="), t(STRG, "\"A\""), t(ETAG, ">"),
          t(ZTAGGROUP, "</group>"), t(STAGGROUP, "<GROUP"), t(IDNT, "x"), t('=', "="),
          t(STRG, "\"\""), t(ETAG, ">"), t(ZTAG, "</>"), t(CTAGGROUP, "</group"), t(ETAG, ">")}},
        {"configuration attributes",
         conf,
         "<Rule name=\"n\" LABEL=\"l\" severity=\"1\" repeat=\"0\" errmsg=\"m\" param=\"p\" "
         "colour=\"r\"/></rule></rule >",
         {t(STAGRULE, "<Rule"),  t(NAME, "name"),     t('=', "="),         t(STRG, "\"n\""),
          t(LABEL, "LABEL"),     t('=', "="),         t(STRG, "\"l\""),    t(SEVERITY, "severity"),
          t('=', "="),           t(STRG, "\"1\""),    t(REPEAT, "repeat"), t('=', "="),
          t(STRG, "\"0\""),      t(ERRMSG, "errmsg"), t('=', "="),         t(STRG, "\"m\""),
          t(PARAM, "param"),     t('=', "="),         t(STRG, "\"p\""),    t(IDNT, "colour"),
          t('=', "="),           t(STRG, "\"r\""),    t(XTAG, "/>"),       t(ZTAGRULE, "</rule>"),
          t(CTAGRULE, "</rule"), t(ETAG, ">")}},
        {"configuration attributes in the xob vocabulary",
         xob,
         "<rule name=\"\" severity=\"\">",
         {t(STAG, "<rule"), t(ONAME, "name"), t('=', "="), t(STRG, "\"\""), t(IDNT, "severity"),
          t('=', "="), t(STRG, "\"\""), t(ETAG, ">")}},
        {"NUL in text, values and comments",
         xob,
         std::string("a\0b <a name=\"x\0y\"/><!-- \0 -->c", 30),
         {t(TEXT, std::string("a\0b", 3)), t(STAG, "<a"), t(ONAME, "name"), t('=', "="),
          t(STRG, std::string("\"x\0y\"", 5)), t(XTAG, "/>"), t(TEXT, "c")}},
        {"NUL in a tag does not end the input",
         xob,
         std::string("<a \0>z", 6),
         {t(STAG, "<a"), t(NUL_CHARACTER_TOKEN, std::string("\0", 1)), t(ETAG, ">"), t(TEXT, "z")}},
        // The scanner never backs up: a longer token that stops short gives
        // what the shorter match gives, in every state.
        {"beginnings of <!--, </ and <?xml that stop short",
         xob,
         "<!x <!-x </ x<?x <?xm y",
         {t(TEXT, "<"), t(TEXT, "!x"), t(TEXT, "<"), t(TEXT, "!-x"), t(TEXT, "<"), t(TEXT, "/"),
          t(TEXT, "x"), t(TEXT, "<"), t(TEXT, "?x"), t(TEXT, "<"), t(TEXT, "?xm"), t(TEXT, "y")}},
        {"the same inside a failed declaration",
         xob,
         "<?xml a</ <!-c <!x>d</ z",
         {t(TEXT, "<"), t(TEXT, "?xml"), t(TEXT, "a"), t(TEXT, "<"), t(TEXT, "/"), t(TEXT, "<"),
          t(TEXT, "!-c"), t(TEXT, "<"), t(TEXT, "!x>d"), t(TEXT, "<"), t(TEXT, "/"), t(TEXT, "z")}},
        {"a string not closed before the line end is its quote alone",
         xob,
         "<a b=\"c\nd=\"e\">",
         {t(STAG, "<a"), t(IDNT, "b"), t('=', "="), t('"', "\""), t(IDNT, "c"), t(IDNT, "d"),
          t('=', "="), t(STRG, "\"e\""), t(ETAG, ">")}},
        {"beginnings of --> and <!-- inside a comment", xob, "<!-- a--b <!x <!-y --->z",
         {t(TEXT, "z")}},
        {"NUL after <",
         xob,
         std::string("<\0z", 3),
         {t(TEXT, "<"), t(TEXT, std::string("\0z", 2))}},
    };
    return cases;
}

TEST(Lexer, TokenTable) {
    for (const lexer_case& c : lexer_cases()) {
        std::vector<token> actual = scan(c.input, c.vocab);
        EXPECT_EQ(actual, c.expected) << c.what << "\n  expected: " << describe(c.expected, c.vocab)
                                      << "\n  actual:   " << describe(actual, c.vocab);
    }
}

// Each element of each vocabulary in its three forms, spelled in upper case.
TEST(Lexer, EveryElementInEveryForm) {
    for (vocabulary vocab : {vocabulary::xob, vocabulary::configuration}) {
        keyword_table<element_keyword> table = element_table(vocab);
        for (std::size_t i = 0; i < table.count; ++i) {
            std::string upper = table.entries[i].name;
            for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
            std::vector<token> actual =
                scan("<" + upper + "/></" + upper + " ></" + upper + ">", vocab);
            std::vector<token> expected = {
                t(table.entries[i].open_kind, "<" + upper), t(XTAG, "/>"),
                t(table.entries[i].close_kind, "</" + upper), t(ETAG, ">"),
                t(table.entries[i].complete_close_kind, "</" + upper + ">")};
            EXPECT_EQ(actual, expected) << upper << ": " << describe(actual, vocab);
        }
    }
}

// Every keyword token appears exactly once in the tables of its vocabulary,
// and the tables are sorted by name.
TEST(Lexer, KeywordTablesCoverEachTokenOnce) {
    struct expectation {
        vocabulary vocab;
        std::size_t elements, attributes;
        int first, last;
    };
    for (expectation e : {expectation{vocabulary::xob, 14, 25, STAGPOS, ASTRUCT},
                          expectation{vocabulary::configuration, 2, 6, STAGGROUP, PARAM}}) {
        keyword_table<element_keyword> elements = element_table(e.vocab);
        keyword_table<attribute_keyword> attributes = attribute_table(e.vocab);
        EXPECT_EQ(elements.count, e.elements);
        EXPECT_EQ(attributes.count, e.attributes);
        std::multiset<int> kinds;
        std::vector<const char*> names;
        for (std::size_t i = 0; i < elements.count; ++i) {
            kinds.insert({elements.entries[i].open_kind, elements.entries[i].close_kind,
                          elements.entries[i].complete_close_kind});
            names.push_back(elements.entries[i].name);
        }
        for (std::size_t i = 1; i < names.size(); ++i)
            EXPECT_LT(std::strcmp(names[i - 1], names[i]), 0) << names[i];
        names.clear();
        for (std::size_t i = 0; i < attributes.count; ++i) {
            kinds.insert(attributes.entries[i].kind);
            names.push_back(attributes.entries[i].name);
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i > 0) {
                EXPECT_LT(std::strcmp(names[i - 1], names[i]), 0) << names[i];
            }
            for (const char* c = names[i]; *c; ++c) EXPECT_TRUE(*c >= 'a' && *c <= 'z') << names[i];
        }
        for (int kind = e.first; kind <= e.last; ++kind)
            EXPECT_EQ(kinds.count(kind), 1u) << token_name(e.vocab, kind);
        EXPECT_EQ(kinds.size(), static_cast<std::size_t>(e.last - e.first + 1));
        EXPECT_EQ(e.first, STRG + 1);
    }
    EXPECT_EQ(SXML, 257);
    EXPECT_EQ(STRG, 265);
    EXPECT_EQ(ASTRUCT, 332);
    EXPECT_EQ(PARAM, 277);
}

// Keyword look-up against a plain case-blind scan of the tables: every
// keyword in mixed case, and near misses of each (cut short at either end,
// one letter more, a letter changed, a letter's byte with another bit than
// the case bit flipped), in both vocabularies.
TEST(Lexer, KeywordLookUpMatchesPlainScan) {
    auto same_folded = [](const std::string& text, const char* keyword) {
        if (text.size() != std::strlen(keyword)) return false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != keyword[i]) return false;
        }
        return true;
    };
    for (vocabulary vocab : {vocabulary::xob, vocabulary::configuration}) {
        keyword_table<element_keyword> elements = element_table(vocab);
        keyword_table<attribute_keyword> attributes = attribute_table(vocab);
        auto expected_attribute = [&](const std::string& text) {
            for (std::size_t i = 0; i < attributes.count; ++i)
                if (same_folded(text, attributes.entries[i].name)) return attributes.entries[i].kind;
            return static_cast<int>(IDNT);
        };
        auto expected_element = [&](const std::string& text) {
            for (std::size_t i = 0; i < elements.count; ++i)
                if (same_folded(text, elements.entries[i].name)) return elements.entries[i].open_kind;
            return static_cast<int>(STAG);
        };
        std::vector<std::string> names;
        for (std::size_t i = 0; i < attributes.count; ++i) names.push_back(attributes.entries[i].name);
        for (std::size_t i = 0; i < elements.count; ++i) names.push_back(elements.entries[i].name);
        names.insert(names.end(), {"", "a", "ab", "xobjx", "storageclassx", "sourcefilesourcefile"});
        std::vector<std::string> probes;
        unsigned seed = 7;
        for (const std::string& name : names) {
            std::string mixed = name;
            for (char& c : mixed)
                if ((seed = seed * 1103515245 + 12345) & 0x10000) c = static_cast<char>(c - 'a' + 'A');
            probes.push_back(name);
            probes.push_back(mixed);
            probes.push_back(name + "s");
            if (name.empty()) continue;
            probes.push_back(name.substr(1));
            probes.push_back(name.substr(0, name.size() - 1));
            for (std::size_t at = 0; at < name.size(); ++at) {
                std::string changed = name;
                changed[at] = static_cast<char>(changed[at] == 'z' ? 'a' : changed[at] + 1);
                probes.push_back(changed);
                for (int bit : {0x40, 0x80}) {  // no letter, whatever its case bit
                    changed[at] = static_cast<char>(name[at] ^ bit);
                    probes.push_back(changed);
                }
            }
        }
        for (const std::string& probe : probes) {
            EXPECT_EQ(attribute_kind(probe.data(), probe.size(), vocab), expected_attribute(probe))
                << "attribute [" << probe << "]";
            EXPECT_EQ(element_kind(probe.data(), probe.size(), tag_form::open, vocab),
                      expected_element(probe))
                << "element [" << probe << "]";
        }
    }
}

std::vector<int> lines_of(const std::vector<token>& tokens) {
    std::vector<int> lines;
    for (const token& each : tokens) lines.push_back(each.line);
    return lines;
}

// Every line feed counts once in each state; a carriage return is a blank.
TEST(Lexer, LineNumbersWithLfAndCrLf) {
    const std::string lf =
        "<?xml version=\"1.0\"?>\n"
        "<group label=\"A\">\n"
        "<!-- one\n"
        "<!-- two\n"
        " --> -->\n"
        "<rule\n"
        "  name=\"X\"\n"
        "/>\n"
        "</group\n"
        ">\n"
        "\n"
        "text\n";
    std::string crlf;
    for (char c : lf) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    const std::vector<int> expected_lines = {0, 1, 1, 1, 1, 1, 5, 6, 6, 6, 7, 8, 9, 11};
    markup_lexer lexer;
    std::vector<token> from_lf = scan_with(lexer, lf, vocabulary::configuration);
    EXPECT_EQ(lexer.line_counter, 12);
    std::vector<token> from_crlf = scan_with(lexer, crlf, vocabulary::configuration);
    EXPECT_EQ(lines_of(from_lf), expected_lines) << describe(from_lf, vocabulary::configuration);
    EXPECT_EQ(from_crlf, from_lf) << describe(from_crlf, vocabulary::configuration);
    EXPECT_EQ(lines_of(from_crlf), expected_lines);
    EXPECT_EQ(lexer.line_counter, 12);
}

// Two lexers read token by token in turn keep apart what they carry between
// tokens: vocabulary, line count, start state, a failed declaration's span.
TEST(Lexer, TwoLexersScanSideBySide) {
    const std::string inputs[2] = {
        "<?xml a><?xml?>\n<!-- <!-- --> -->\n<sourcefile name=\"a\"\n/>text\n",
        "<?xml <?xml " + std::string(40, 'b') +
            "\n\n<group label=\"A\"><rule name\n=\"X\"/></group>"};
    const vocabulary vocabs[2] = {vocabulary::xob, vocabulary::configuration};
    markup_lexer lexers[2];
    std::FILE* files[2];
    std::vector<token> tokens[2];
    for (int i = 0; i < 2; ++i) {
        files[i] = file_holding(inputs[i]);
        ASSERT_NE(files[i], nullptr);
        lexers[i].vocab = vocabs[i];
        lexer_open(lexers[i], files[i], "memory.xml");
    }
    for (bool more[2] = {true, true}; more[0] || more[1];) {
        for (int i = 0; i < 2; ++i) {
            if (!more[i]) continue;
            int kind = next_token(lexers[i]);
            more[i] = kind != 0 && tokens[i].size() <= inputs[i].size();
            if (kind != 0)
                tokens[i].push_back({kind, current_token_text(lexers[i]), lexers[i].line_counter});
        }
    }
    for (int i = 0; i < 2; ++i) {
        lexer_close(lexers[i]);
        std::fclose(files[i]);
        std::vector<token> alone = scan(inputs[i], vocabs[i]);
        EXPECT_EQ(tokens[i], alone) << describe(tokens[i], vocabs[i]);
        EXPECT_EQ(lines_of(tokens[i]), lines_of(alone));
    }
}

TEST(Lexer, EndOfInputRepeatsWithEmptyText) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("<a", file);
    std::rewind(file);
    lexer_open(file, "end.xob");
    EXPECT_STREQ(current_file_name(), "end.xob");
    EXPECT_EQ(next_token(), STAG);
    EXPECT_STREQ(current_token_text(), "<a");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(next_token(), 0);
        EXPECT_STREQ(current_token_text(), "");
        EXPECT_EQ(current_token_length(), 0);
    }
    lexer_close();
    std::fclose(file);
    EXPECT_STREQ(current_file_name(), "");
}

// A new file starts in the content state whatever the last one ended in.
TEST(Lexer, EachFileStartsInContent) {
    markup_lexer lexer;
    scan_with(lexer, "<a name");
    EXPECT_EQ(scan_with(lexer, "name"), std::vector<token>{t(TEXT, "name")});
    scan_with(lexer, "<!-- <!-- ");
    EXPECT_EQ(scan_with(lexer, "<a>"), (std::vector<token>{t(STAG, "<a"), t(ETAG, ">")}));
}

// Tokens longer than the input buffer grow it instead of being cut.
TEST(Lexer, TokensLongerThanTheBuffer) {
    std::string text(100000, 'x');
    std::string value = "\"" + std::string(70000, 'v') + "\"";
    std::string comment = "<!--" + std::string(50000, '-') + "-->";
    std::vector<token> actual = scan(text + " <a name=" + value + "/>" + comment + "<" + text);
    std::vector<token> expected = {t(TEXT, text),  t(STAG, "<a"), t(ONAME, "name"),   t('=', "="),
                                   t(STRG, value), t(XTAG, "/>"), t(STAG, "<" + text)};
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].kind, expected[i].kind) << i;
        EXPECT_EQ(actual[i].text.size(), expected[i].text.size()) << i;
        EXPECT_TRUE(actual[i].text == expected[i].text) << i;
    }
}

// A long line of <?xml that make no declaration: each one is text.
TEST(Lexer, LongLineOfFailedDeclarations) {
    const int count = 200000;
    std::string line;
    for (int i = 0; i < count; ++i) line += "<?xml";
    std::vector<token> tokens = scan(line + "\n<?xml?>");
    ASSERT_EQ(tokens.size(), 2u * count + 1);
    EXPECT_EQ(tokens[2 * count - 2], t(TEXT, "<"));
    EXPECT_EQ(tokens[2 * count - 1], t(TEXT, "?xml"));
    EXPECT_EQ(tokens.back(), t(SXML, "<?xml?>"));
}

}  // namespace

namespace {

void scan_directory() {
    std::string path = testing::TempDir();
    std::FILE* directory = std::fopen(path.c_str(), "r");
    if (!directory) std::exit(99);
    lexer_open(directory, path.c_str());
    while (next_token() != 0) {
    }
    std::exit(0);
}

}  // namespace

// A stream that cannot be read ends the process with the scanner's message.
TEST(LexerDeathTest, ReadFailureExitsWithStatus2) {
    EXPECT_EXIT(scan_directory(), testing::ExitedWithCode(2), "^input in flex scanner failed\n$");
}
