#include "parse/similarity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "model/binding.h"
#include "model_test_support.h"

using namespace model_test;

namespace {

// Fresh similarity tables and the built-in parameters of the three rules;
// puts back the parameters it found.
class Similarity : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        saved_length = significant_length;
        std::copy(confusion_map, confusion_map + 256, saved_map);
        define_linknamelength(rule_by_identifier("KYV_50_10")->default_param);
        define_ambigus_char_set(rule_by_identifier("KYV_50_11")->default_param);
        current_tables = new similarity_tables;
    }
    void TearDown() override {
        delete current_tables;
        current_tables = nullptr;
        significant_length = saved_length;
        std::copy(saved_map, saved_map + 256, confusion_map);
        ModelTest::TearDown();
    }

    // Opens a source file of this test, as the reader does for a sourcefile element.
    std::int32_t open_file(const std::string& path) {
        std::int32_t file = source_file(path);
        record_file_start(id(path.c_str()), id(path.c_str()), 0, false, nullptr);
        open_paths.push_back(path);
        return file;
    }
    void close_files() {
        for (auto path = open_paths.rbegin(); path != open_paths.rend(); ++path)
            record_file_end(nullptr, id(path->c_str()));
        open_paths.clear();
    }

    // The reader's productions: enter the named element, then check it.
    static xob_node* define(const std::string& identifier, std::int32_t file, std::int32_t line) {
        xob_node* position = at(file, line, 1);
        xob_node* entry = bind_definition(id(identifier.c_str()), 0, id("extern"), position, 0,
                                          nullptr, 0);
        check_similarity_in(tables(), id(identifier.c_str()), entry);
        return entry;
    }
    static xob_node* declare(const std::string& identifier, std::int32_t file, std::int32_t line) {
        xob_node* position = at(file, line, 1);
        xob_node* entry = bind_declaration(id(identifier.c_str()), 0, id("extern"), position);
        check_similarity_in(tables(), id(identifier.c_str()), entry);
        return entry;
    }
    static xob_node* declare_function(const std::string& identifier, std::int32_t file,
                                      std::int32_t line) {
        xob_node* position = at(file, line, 1);
        xob_node* entry = bind_function_declaration(id(identifier.c_str()), id("extern"), position);
        check_similarity_in(tables(), id(identifier.c_str()), entry);
        return entry;
    }

    // The similarity trap lines of this test's files, as the report receives
    // them; the clash traps that binding raises are left out.
    std::vector<std::string> traps(const std::string& prefix) {
        close_files();
        std::vector<std::string> similar;
        for (const std::string& line : traps_for(prefix))
            if (line.compare(0, 13, "trap KYV_50_1") == 0) similar.push_back(line);
        return similar;
    }

    // Fresh tables for each test.
    static similarity_tables& tables() { return *current_tables; }
    static inline similarity_tables* current_tables = nullptr;
    std::int32_t saved_length = 0;
    unsigned char saved_map[256] = {};
    std::vector<std::string> open_paths;
};

using lines = std::vector<std::string>;

TEST_F(Similarity, NameDeclaredAndDefinedIsNoHit) {
    std::int32_t header = open_file("/sim/same/shared.h");
    declare("shared_value", header, 3);
    std::int32_t source = open_file("/sim/same/user.c");
    declare("shared_value", source, 5);
    define("shared_value", source, 9);
    EXPECT_EQ(traps("/sim/same/"), lines{});
}

// A name that is a carrier but not the key's owner, entered a second time,
// is not paired with itself; its new entry still becomes the newest carrier.
TEST_F(Similarity, CarrierEnteredAgainIsNotPairedWithItself) {
    std::int32_t file = open_file("/sim/again/a.c");
    declare("bufer", file, 1);
    declare("buffer", file, 2);
    define("buffer", file, 3);
    define("buferr", file, 4);
    EXPECT_EQ(traps("/sim/again/"),
              (lines{"trap KYV_50_12 level=2 a.c:2:1 second=/sim/again/a.c:1:1 names=bufer|buffer "
                     "comment=-",
                     "trap KYV_50_12 level=2 a.c:4:1 second=/sim/again/a.c:3:1 names=buffer|buferr "
                     "comment=-"}));
}

TEST_F(Similarity, SignificantCharactersOnly) {
    const std::string common30 = "configuration_value_of_module_";
    ASSERT_EQ(common30.size(), 30u);
    std::int32_t file = open_file("/sim/prefix/a.c");
    define(common30 + "x_first", file, 1);  // 31 characters in common
    define(common30 + "x_second", file, 2);
    // 30 characters each, differing in the last one only.
    define(common30.substr(0, 29) + "p", file, 3);
    define(common30.substr(0, 29) + "q", file, 4);
    EXPECT_EQ(traps("/sim/prefix/"),
              lines{"trap KYV_50_10 level=2 a.c:2:1 second=/sim/prefix/a.c:1:1 "
                    "names=configuration_value_of_module_x_first|"
                    "configuration_value_of_module_x_second comment=-"});
}

TEST_F(Similarity, LookAlikeCharactersButNotCase) {
    std::int32_t file = open_file("/sim/confusion/a.c");
    define("Ol1", file, 1);
    define("0lI", file, 2);
    define("Foo", file, 3);
    define("foo", file, 4);
    EXPECT_EQ(traps("/sim/confusion/"),
              lines{"trap KYV_50_11 level=2 a.c:2:1 second=/sim/confusion/a.c:1:1 names=Ol1|0lI "
                    "comment=-"});
}

TEST_F(Similarity, RepeatedCharacter) {
    std::int32_t file = open_file("/sim/repeat/a.c");
    define("bufer", file, 1);
    define("buffer", file, 2);
    EXPECT_EQ(traps("/sim/repeat/"),
              lines{"trap KYV_50_12 level=2 a.c:2:1 second=/sim/repeat/a.c:1:1 names=bufer|buffer "
                    "comment=-"});
}

TEST_F(Similarity, SignificantLengthZeroMakesEveryOtherNameAHit) {
    define_linknamelength("none");
    ASSERT_EQ(significant_length, 0);
    std::int32_t file = open_file("/sim/zero/a.c");
    define("alpha", file, 1);
    define("beta", file, 2);
    declare("alpha", file, 3);  // the key's owner: no hit
    define("gamma", file, 4);
    EXPECT_EQ(traps("/sim/zero/"),
              (lines{"trap KYV_50_10 level=2 a.c:2:1 second=/sim/zero/a.c:1:1 names=alpha|beta "
                     "comment=-",
                     "trap KYV_50_10 level=2 a.c:4:1 second=/sim/zero/a.c:2:1 names=beta|gamma "
                     "comment=-"}));
}

TEST_F(Similarity, EachLaterNameIsPairedWithTheNewestCarrier) {
    std::int32_t file = open_file("/sim/chain/a.c");
    define("ab", file, 1);
    define("aab", file, 2);
    define("abb", file, 3);
    EXPECT_EQ(traps("/sim/chain/"),
              (lines{"trap KYV_50_12 level=2 a.c:2:1 second=/sim/chain/a.c:1:1 names=ab|aab "
                     "comment=-",
                     "trap KYV_50_12 level=2 a.c:3:1 second=/sim/chain/a.c:2:1 names=aab|abb "
                     "comment=-"}));
}

TEST_F(Similarity, NamesAreComparedAcrossFiles) {
    std::int32_t first = open_file("/sim/files/a.c");
    define("bufer", first, 7);
    close_files();
    std::int32_t second = open_file("/sim/files/b.c");
    define("buffer", second, 2);
    EXPECT_EQ(traps("/sim/files/"),
              lines{"trap KYV_50_12 level=2 b.c:2:1 second=/sim/files/a.c:7:1 names=bufer|buffer "
                    "comment=-"});
}

// A function declaration's hit is placed at the declaration, as for every
// other entry, whether it is the new entry or the earlier one.
TEST_F(Similarity, FunctionDeclarationsKeepTheirPosition) {
    std::int32_t file = open_file("/sim/prototype/a.c");
    declare_function("bufer", file, 5);
    define("buffer", file, 9);
    declare_function("bufferr", file, 12);
    EXPECT_EQ(traps("/sim/prototype/"),
              (lines{"trap KYV_50_12 level=2 a.c:9:1 second=/sim/prototype/a.c:5:1 "
                     "names=bufer|buffer comment=-",
                     "trap KYV_50_12 level=2 a.c:12:1 second=/sim/prototype/a.c:9:1 "
                     "names=buffer|bufferr comment=-"}));
}

TEST_F(Similarity, LongNamesAreCheckedWhole) {
    const std::string long_run(100000, 'z');
    std::int32_t file = open_file("/sim/long/a.c");
    define(long_run + "1", file, 1);
    define(long_run + "l", file, 2);  // look-alike of the first, same first 31 characters
    define("z1", file, 3);            // the first without its repetition
    std::vector<std::string> found = traps("/sim/long/");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].substr(0, 40), "trap KYV_50_10 level=2 a.c:2:1 second=/s");
    EXPECT_EQ(found[1].substr(0, 40), "trap KYV_50_11 level=2 a.c:2:1 second=/s");
    EXPECT_EQ(found[2].substr(0, 40), "trap KYV_50_12 level=2 a.c:3:1 second=/s");
}

// Random names over a few confusable characters, some entered again, in
// fresh tables for each run (the names met again in a later run start
// over): the traps must be those of a plain model in which every key keeps
// its first name and its newest entry.
TEST_F(Similarity, RandomNamesPairLikeAPlainModel) {
    significant_length = 2;
    const char alphabet[] = "al1IO0";
    const std::int32_t rules[3] = {19, 20, 21};
    unsigned seed = 2026;
    auto pick = [&](unsigned count) { return (seed = seed * 1103515245u + 12345u) / 65536u % count; };
    auto key_of = [&](int table, const std::string& text) {
        std::string key;
        for (char c : text) {
            unsigned char mapped = confusion_map[static_cast<unsigned char>(c)];
            if (table == 1) key += mapped ? static_cast<char>(mapped) : c;
            if (table == 2 && (key.empty() || key.back() != c)) key += c;
        }
        return table == 0 ? text.substr(0, 2) : key;
    };
    std::size_t total = 0;
    for (int run = 0; run < 20; ++run) {
        similarity_tables fresh;
        std::string path = "/sim/random/" + std::to_string(run) + ".c";
        std::int32_t file = open_file(path);
        struct carrier {
            std::string owner, newest;
            int newest_line;
        };
        std::map<std::string, carrier> plain[3];
        std::vector<std::string> named;
        std::vector<std::string> expected;
        for (int line = 1; line <= 150; ++line) {
            std::string text;
            if (!named.empty() && pick(4) == 0) {
                text = named[pick(static_cast<unsigned>(named.size()))];
            } else {
                for (unsigned length = 1 + pick(4); length > 0; --length) text += alphabet[pick(6)];
                named.push_back(text);
            }
            xob_node* position = at(file, line, 1);
            xob_node* entry = bind_definition(id(text.c_str()), 0, id("extern"), position, 0, nullptr, 0);
            check_similarity_in(fresh, id(text.c_str()), entry);
            for (int table = 0; table < 3; ++table) {
                auto found = plain[table].find(key_of(table, text));
                if (found == plain[table].end()) {
                    plain[table][key_of(table, text)] = {text, text, line};
                    continue;
                }
                carrier& key = found->second;
                if (key.owner == text) continue;
                if (key.newest != text)
                    expected.push_back("trap KYV_50_1" + std::to_string(rules[table] - 19) +
                                       " level=2 " + std::to_string(run) + ".c:" + std::to_string(line) +
                                       ":1 second=" + path + ":" + std::to_string(key.newest_line) +
                                       ":1 names=" + key.newest + "|" + text + " comment=-");
                key.newest = text;
                key.newest_line = line;
            }
        }
        EXPECT_EQ(traps(path), expected) << "run " << run;
        total += expected.size();
    }
    EXPECT_GT(total, 1000u);  // the names collide often enough to test something
}

}  // namespace
