// The decoder on a small option table of its own: it knows nothing of any
// particular program.
#include "cmdline/gcmdec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char TEST_USAGE[] = "\nUsage t :\n\t[-ALPHA]\n\t[-XTRACE]\n\t[-ZED]\n";

struct test_table {
    gcm_param first = {{"first"}, 'C', 'N', 1, 8, 0, nullptr, nullptr};
    gcm_param rest = {{"rest"}, 'C', 'Y', 1, 8, 1, nullptr, nullptr};
    gcm_param set_values = {{"set"}, 'C', 'Y', 1, 6, 0, nullptr, nullptr};
    gcm_param colour = {{"colour"}, 'C', 'N', 1, 10, 0, nullptr, nullptr};
    gcm_param level = {{"level"}, 'I', 'N', -5, 5, 0, nullptr, nullptr};
    gcm_choice grey = {{"grey"}, 0, nullptr};
    gcm_choice green = {{"green"}, 0, &grey};
    gcm_choice red = {{"red"}, 0, &green};
    gcm_option note = {{"NOTE"}, 0, nullptr, 0, 1, 0, 0, nullptr, nullptr};
    gcm_option on = {{"ON"}, 0, nullptr, 0, 0, 1, 0, nullptr, &note};
    gcm_option lvl = {{"LEVEL"}, 0, &level, 0, 0, 0, 0, nullptr, &on};
    gcm_option setting = {{"SETTING"}, 0, &colour, 0, 0, 0, 2, &red, &lvl};
    gcm_option set = {{"SET"}, 1, &set_values, 0, 0, 0, 0, nullptr, &setting};
    gcm_option alto = {{"ALTO"}, 0, nullptr, 0, 0, 0, 0, nullptr, &set};
    gcm_option alpha = {{"ALPHA"}, 0, nullptr, 0, 1, 0, 0, nullptr, &alto};
    // -ALTO is forbidden unless -ALPHA is given in its positive form.
    gcm_combination rule = {GCM_OPTION, &alto, -GCM_OPTION, &alpha, nullptr};
    gcm_settings settings = {'-', '=', ',', &first, &alpha, nullptr, {TEST_USAGE}, nullptr};
};

test_table* table = nullptr;

void set_rule() { table->settings.combinations = &table->rule; }

class Decoder : public ::testing::Test {
protected:
    void SetUp() override {
        t.first.next = &t.rest;
        t.settings.set_combinations = set_rule;
        table = &t;
        gcm_program = &t.settings;
    }
    void TearDown() override {
        gcm_reset();
        gcm_program = nullptr;
    }

    // Decodes the words after a program name; the messages printed are kept.
    int decode(std::vector<std::string> words) {
        words.insert(words.begin(), "prog");
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(&word[0]);
        argv.push_back(nullptr);
        ::testing::internal::CaptureStderr();
        int status = gcm_decode(static_cast<int>(words.size()), argv.data());
        printed = ::testing::internal::GetCapturedStderr();
        return status;
    }

    std::vector<std::string> texts(gcm_param* param) {
        std::vector<std::string> result;
        for (gcm_value* v = param->values; v; v = v->next) result.push_back(v->text);
        return result;
    }

    static std::string rejection(const std::string& message) {
        return "Orvanta Command analysis : " + message + "\nUsage t :\n\t[-ALPHA]\n\n";
    }

    test_table t;
    std::string printed;
};

TEST(PrefixMatch, IgnoresTheCaseOfAsciiLettersOnly) {
    EXPECT_EQ(gcm_prefix_match("alp", "ALPHA", '='), 3);
    EXPECT_EQ(gcm_prefix_match("aLpHa", "ALPHA", '='), 5);
    EXPECT_EQ(gcm_prefix_match("al=x", "ALPHA", '='), 2);
    EXPECT_EQ(gcm_prefix_match("alx", "ALPHA", '='), 0);     // word goes on: no match
    EXPECT_EQ(gcm_prefix_match("ALPHAX", "ALPHA", '='), 5);  // the name ended
    EXPECT_EQ(gcm_prefix_match("\xC3\xA9", "\xC3\x89", '='), 0);  // é is not É
    EXPECT_EQ(gcm_prefix_match("[", "{", '='), 0);
    EXPECT_EQ(gcm_prefix_match("_", "\x7F", '='), 0);
}

TEST_F(Decoder, AbbreviationsTiesAndExactNames) {
    EXPECT_EQ(decode({"a", "-alp", "-setT=r"}), 0) << printed;
    EXPECT_EQ(t.alpha.state, 1);
    EXPECT_EQ(texts(&t.colour), std::vector<std::string>{"red"});

    EXPECT_EQ(decode({"a", "-al"}), -1);
    EXPECT_EQ(printed, rejection("Ambiguous option, al"));

    // SET is a whole name: it wins over SETTING, which starts with it.
    EXPECT_EQ(decode({"a", "-Set=x", "-ALPHA"}), 0) << printed;
    EXPECT_EQ(texts(&t.set_values), std::vector<std::string>{"x"});
    EXPECT_EQ(t.setting.state, 0);

    EXPECT_EQ(decode({"a", "-alphax"}), -1);
    EXPECT_EQ(printed, rejection("Unknown option, alphax"));
    EXPECT_EQ(decode({"a", "-="}), -1);
    EXPECT_EQ(printed, rejection("Unknown option, ="));
}

TEST_F(Decoder, NegatedForms) {
    EXPECT_EQ(decode({"a", "-noAL", "-ALTO"}), -1);  // ALPHA negated: the rule applies
    EXPECT_EQ(t.alpha.state, -1);
    EXPECT_EQ(printed, rejection("Illegal combination of command elements, ALTO and ALPHA"));

    for (const char* word : {"-noALPHA", "-NOALPHA", "-noal"}) {
        EXPECT_EQ(decode({"a", word}), 0) << word << printed;
        EXPECT_EQ(gcm_option_state("ALPHA"), -1) << word;
    }
    // "no" alone: the negated ALPHA and both forms of NOTE.
    EXPECT_EQ(decode({"a", "-no"}), -1);
    EXPECT_EQ(printed, rejection("Ambiguous option, no"));
    EXPECT_EQ(decode({"a", "-ALPHA", "-noALPHA"}), -1);
    EXPECT_EQ(printed, rejection("An option can't be used twice, noALPHA"));
}

TEST_F(Decoder, DefaultsAndQueries) {
    EXPECT_EQ(decode({"a", "-ALPHA"}), 0) << printed;
    EXPECT_EQ(gcm_option_state("ALPHA"), 1);
    EXPECT_EQ(gcm_option_state("NOTE"), -7);  // negatable and not given: off
    EXPECT_EQ(gcm_option_state("ON"), 6);     // on by default
    EXPECT_EQ(gcm_option_state("SETTING"), 0);
    // The default choice (the second) fills the value although SETTING is absent.
    EXPECT_EQ(texts(&t.colour), std::vector<std::string>{"green"});
    EXPECT_EQ(t.green.selected, 1);
    EXPECT_EQ(gcm_option_value(-4, 1)->text, std::string("green"));
    EXPECT_EQ(gcm_option_value(4, 2), nullptr);
    EXPECT_EQ(gcm_option_value(1, 1), nullptr);  // no parameter
    EXPECT_EQ(gcm_option_value(0, 1), nullptr);
    EXPECT_EQ(gcm_option_value(99, 1), nullptr);
    EXPECT_EQ(gcm_param_value(1, 1)->text, std::string("a"));
    EXPECT_EQ(gcm_param_value(2, 1), nullptr);
    EXPECT_EQ(gcm_param_value(3, 1), nullptr);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(gcm_option_state("alpha"), 0);  // queries are exact
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Orvanta Command analysis : Internal error, bad option name alpha\n");
}

TEST_F(Decoder, Choices) {
    EXPECT_EQ(decode({"a", "-ALPHA", "-SETTING=gr"}), -1);
    EXPECT_EQ(printed, rejection("Ambiguous value of option, gr"));
    EXPECT_EQ(decode({"a", "-ALPHA", "-SETTING=blue"}), -1);
    EXPECT_EQ(printed, rejection("Unknown value of option, blue"));
    // A whole choice name wins even when the value goes on.
    EXPECT_EQ(decode({"a", "-ALPHA", "-SETTING=greyish"}), 0) << printed;
    EXPECT_EQ(texts(&t.colour), std::vector<std::string>{"grey"});
    EXPECT_EQ(t.green.selected, 0);
}

TEST_F(Decoder, ValuesAndLists) {
    EXPECT_EQ(decode({"a", "-ALPHA", "-SET=x,y,", "-set=,z\\,w", "-SeT=p,,q"}), 0) << printed;
    // A trailing separator adds nothing; a separator after another one starts
    // the next piece; an escaped one stays, without its backslash.
    EXPECT_EQ(texts(&t.set_values), (std::vector<std::string>{"x", "y", ",z,w", "p", ",q"}));
    EXPECT_EQ(gcm_option_value(3, 3)->text, std::string(",z,w"));
    EXPECT_EQ(gcm_option_value(3, 1)->text, std::string("x"));
    EXPECT_EQ(gcm_option_value(3, 6), nullptr);

    EXPECT_EQ(decode({"a", "-ALPHA", "-SETTING=red,green"}), -1);
    EXPECT_EQ(printed, rejection("List forbidden invalid option, SETTING=red,green"));
    EXPECT_EQ(decode({"a", "-ALPHA", "-SET=abcdefg"}), -1);
    EXPECT_EQ(printed, rejection("Arg length too large, abcdefg"));
    EXPECT_EQ(decode({"a", "-SET"}), -1);
    EXPECT_EQ(printed, rejection("Mandatory argument for this option, SET"));
    EXPECT_EQ(decode({"a", "-ALTO=1"}), -1);
    EXPECT_EQ(printed, rejection("No argument for this option, ALTO=1"));
}

TEST_F(Decoder, WordOfManyPieces) {
    std::string word;
    for (int i = 0; i < 1000000; ++i) word += "b,";
    EXPECT_EQ(decode({"a", word}), 0) << printed;
    EXPECT_EQ(texts(&t.rest).size(), 1000000u);
}

TEST_F(Decoder, Numbers) {
    const std::pair<const char*, int> accepted[] = {
        {"-LEVEL=3", 3}, {"-LEVEL= -5", -5}, {"-LEVEL=+4x", 4}, {"-LEVEL=abc", 0}, {"-LEVEL=5", 5}};
    for (const auto& [word, number] : accepted) {
        EXPECT_EQ(decode({"a", "-ALPHA", word}), 0) << word << printed;
        EXPECT_EQ(gcm_option_value(5, 1)->number, number) << word;
    }
    EXPECT_EQ(decode({"a", "-ALPHA", "-LEVEL=6"}), -1);
    EXPECT_EQ(printed, rejection("Arg value too large, 6"));
    EXPECT_EQ(decode({"a", "-ALPHA", "-LEVEL=-99999999999999999999999"}), -1);
    EXPECT_EQ(printed, rejection("Arg value too small, -99999999999999999999999"));
    EXPECT_EQ(decode({"a", "-ALPHA", "-LEVEL=4294967297"}), -1);  // no wrap to 1
    EXPECT_EQ(printed, rejection("Arg value too large, 4294967297"));
}

TEST_F(Decoder, PositionalWords) {
    // An escaped separator makes one value of a parameter without lists.
    EXPECT_EQ(decode({"a\\,b"}), 0) << printed;
    EXPECT_EQ(texts(&t.first), std::vector<std::string>{"a,b"});

    EXPECT_EQ(decode({"a", "", "b,c", "-ALPHA", "d"}), 0) << printed;
    EXPECT_EQ(texts(&t.first), std::vector<std::string>{"a"});
    EXPECT_EQ(texts(&t.rest), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(gcm_param_value(2, 3)->text, std::string("d"));

    EXPECT_EQ(decode({"a,b"}), -1);
    EXPECT_EQ(printed, rejection("List forbidden invalid argument, a,b"));
    EXPECT_EQ(decode({"-ALPHA"}), -1);
    EXPECT_EQ(printed, rejection("Argument missing, first"));

    // Without a list parameter at the end, surplus words are too many.
    t.first.next = nullptr;
    EXPECT_EQ(decode({"a", "b"}), -1);
    EXPECT_EQ(printed, rejection("Too many arguments invalid argument, b"));
}

TEST_F(Decoder, UsageFilterKeepsTextWithoutHiddenLines) {
    t.settings.usage[0] = "\nUsage t :\n\t[-A]\n";
    ::testing::internal::CaptureStderr();
    gcm_error(GCM_FILE_NOT_FOUND, nullptr);  // no text: no blank
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Orvanta Command analysis : File not found\nUsage t :\n\t[-A]\n\n");
    ::testing::internal::CaptureStderr();
    gcm_no_memory();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Orvanta Command analysis: No memory left");
}

}  // namespace
