#include "parse/xob_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>
#include <unistd.h>

#include "model/file_table.h"
#include "model/link_pass.h"
#include "model/name_table.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "model_test_support.h"
#include "parse/lexer.h"
#include "reading/parallel_reading.h"
#include "reading/reading_pool.h"
#include "parse/xob_actions.h"
#include "rules/rule_catalogue.h"

namespace {

using model_test::ModelTest;

// Reads a document from a temporary file; the reader's diagnostics go to
// standard output, which the tests capture where they matter.
void read_text(const std::string& text) {
    char path[] = "/tmp/kyv_reader_XXXXXX";
    int descriptor = mkstemp(path);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(write(descriptor, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(descriptor);
    read_xob_file(path);
    unlink(path);
}

std::string xob(const std::string& xob_name, const std::string& blocks) {
    return "<?xml version=\"1.0\"?>\n<xobj filename=\"" + xob_name + "\">\n" + blocks + "</xobj>\n";
}

std::string source(const std::string& full_path, int filenum, const std::string& blocks) {
    return "<sourcefile filename=\"s\" fullname=\"" + full_path + "\" date=\"0\" cle=\"k\" filenum=\"" +
           std::to_string(filenum) + "\">\n" + blocks + "</sourcefile>\n";
}

std::string define(const std::string& identifier, const std::string& level, int filenum, int line) {
    return "<define name=\"" + identifier + "\" level=\"" + level + "\" storageclass=\"\">\n" +
           "<position filenum=\"" + std::to_string(filenum) + "\" line=\"" + std::to_string(line) +
           "\" row=\"1\"/>\n</define>\n";
}

// The definitions of a name, oldest first.
std::vector<xob_node*> definitions_of(const char* identifier) {
    std::vector<xob_node*> found;
    name* wanted = name_intern(identifier);
    for (xob_node* node = definition_list.head; node; node = node->next_definition)
        if (node->name == wanted) found.push_back(node);
    return found;
}

class XobReader : public ModelTest {};

TEST_F(XobReader, NumberValuesTakeTheLeadingInteger) {
    read_text(xob("numbers.xob", source("/r/numbers.c", 1,
                                        define("num_a", "12x", 1, 1) + define("num_b", "-3", 1, 2) +
                                            define("num_c", " +7", 1, 3) + define("num_d", "", 1, 4))));
    ASSERT_EQ(definitions_of("num_a").size(), 1u);
    EXPECT_EQ(definitions_of("num_a")[0]->level, 12);
    EXPECT_EQ(definitions_of("num_b")[0]->level, -3);
    EXPECT_EQ(definitions_of("num_c")[0]->level, 7);
    EXPECT_EQ(definitions_of("num_d")[0]->level, 0);
}

TEST_F(XobReader, EverywhereOnlyInLowerCase) {
    rule_entry* rule = rule_by_identifier("KYV_130_20");
    ASSERT_NE(rule, nullptr);
    std::string justify_everywhere =
        "<justify name=\"KYV_130_20\" nbline=\"Everywhere\" comment=\"not rule-wide\" all=\"1\">\n"
        "<position filenum=\"1\" line=\"2\" row=\"0\"/>\n</justify>\n";
    read_text(xob("every1.xob", source("/r/every1.c", 1, justify_everywhere)));
    EXPECT_EQ(rule_comment(rule->number), nullptr);
    std::string justify_lower =
        "<justify name=\"KYV_130_20\" nbline=\"everywhere\" comment=\"rule-wide\" all=\"1\">\n"
        "<position filenum=\"1\" line=\"2\" row=\"0\"/>\n</justify>\n";
    read_text(xob("every2.xob", source("/r/every2.c", 1, justify_lower)));
    ASSERT_NE(rule_comment(rule->number), nullptr);
    EXPECT_STREQ(rule_comment(rule->number), "rule-wide");
}

TEST_F(XobReader, FileNumbersAreLocalToOneXobFile) {
    std::string header_a = "<filename fullname=\"/r/local_a.h\" filenum=\"2\"/>\n";
    std::string header_b = "<filename fullname=\"/r/local_b.h\" filenum=\"2\"/>\n";
    read_text(xob("local1.xob", source("/r/local1.c", 1, header_a + define("local_x", "0", 2, 5))));
    read_text(xob("local2.xob", source("/r/local2.c", 1, header_b + define("local_y", "0", 2, 5))));
    ASSERT_EQ(definitions_of("local_x").size(), 1u);
    ASSERT_EQ(definitions_of("local_y").size(), 1u);
    EXPECT_STREQ(name_text(file_full_path(definitions_of("local_x")[0]->position->file)), "/r/local_a.h");
    EXPECT_STREQ(name_text(file_full_path(definitions_of("local_y")[0]->position->file)), "/r/local_b.h");
}

TEST_F(XobReader, RepeatedDeclareInOneBlockListIsOneEntry) {
    std::string declare =
        "<declare name=\"twice_declared\" level=\"0\" storageclass=\"extern\">\n"
        "<position filenum=\"1\" line=\"3\" row=\"8\"/>\n</declare>\n";
    read_text(xob("twice.xob", source("/r/twice.c", 1, declare + declare + define("after_twice", "0", 1, 4))));
    xob_node* source_node = file_source(file_index_of(name_intern("/r/twice.c")));
    ASSERT_NE(source_node, nullptr);
    int declarations = 0, nodes = 0;
    for (xob_node* node = source_node->blocks; node; node = node->next) {
        ++nodes;
        if (node->kind == a_declaration && node->name == name_intern("twice_declared")) ++declarations;
    }
    EXPECT_EQ(declarations, 1);
    EXPECT_EQ(nodes, 2);
}

// A declaration first listed inside an element outside the vocabulary (whose
// list is dropped) and then listed again after a later entry of that dropped
// list must not close its chain into a loop.
TEST_F(XobReader, EntryOfADroppedListListedAgainMakesNoLoop) {
    auto declare_at = [](const std::string& identifier, int line) {
        return "<declare name=\"" + identifier + "\" level=\"0\" storageclass=\"extern\">\n"
               "<position filenum=\"1\" line=\"" + std::to_string(line) + "\" row=\"1\"/>\n"
               "</declare>\n";
    };
    read_text(xob("loop.xob", source("/r/loop.c", 1,
                                     "<note>\n" + declare_at("loop_x", 1) + declare_at("loop_y", 2) +
                                         "</note>\n" + declare_at("loop_y", 2) +
                                         declare_at("loop_x", 1))));
    xob_node* source_node = file_source(file_index_of(name_intern("/r/loop.c")));
    ASSERT_NE(source_node, nullptr);
    std::vector<std::string> listed;
    for (xob_node* node = source_node->blocks; node && listed.size() < 10; node = node->next)
        listed.push_back(name_text(node->name));
    EXPECT_EQ(listed, std::vector<std::string>{"loop_y"});
}

// A NUL byte ends a string value; the value keeps no quote.
TEST_F(XobReader, NulByteEndsAStringValue) {
    read_text(xob("nul.xob", source("/r/nul.c", 1, define(std::string("nul_v\0tail", 10), "0", 1, 1))));
    EXPECT_EQ(definitions_of("nul_v").size(), 1u);
    EXPECT_EQ(definitions_of("\"nul_v").size(), 0u);
}

// A file abandoned inside a function of a system include file leaves nothing
// open behind it: the next file and the link pass run outside it.
TEST_F(XobReader, AbandonedFileLeavesNothingOpen) {
    read_text("<?xml version=\"1.0\"?>\n<xobj filename=\"cut.xob\">\n"
              "<sourcefile filename=\"cut.h\" fullname=\"/usr/include/cut.h\" date=\"0\" "
              "cle=\"k\" sysinclude=\"1\" filenum=\"1\">\n"
              "<function name=\"cut_fn\" fulldef=\"void cut_fn(void)\" storageclass=\"\">\n"
              "<position filenum=\"1\" line=\"3\" row=\"1\"/>\n"
              "<declare level=\"0\">\n");
    EXPECT_EQ(current_scope, nullptr);
    EXPECT_TRUE(open_files.empty());
    EXPECT_EQ(in_system_include, 0);
}

// A function written again inside itself (same name and position, so the
// same node) must not become its own enclosing scope: what follows it is in
// the file's scope again, and the scope stack empties at the file's end.
TEST_F(XobReader, FunctionInsideItselfLeavesItsScope) {
    auto function = [](const std::string& identifier, int line, const std::string& body) {
        return "<function name=\"" + identifier + "\" fulldef=\"int " + identifier +
               "(void)\" storageclass=\"\">\n<position filenum=\"1\" line=\"" +
               std::to_string(line) + "\" row=\"5\"/>\n" + body +
               "<position filenum=\"1\" line=\"9\" row=\"1\"/>\n</function>\n";
    };
    std::string nested = function("self_f", 3, function("self_g", 4, function("self_f", 3, "")));
    read_text(xob("self.xob", source("/r/self.c", 1,
                                     nested + function("self_f", 3, "") +
                                         define("after_self", "0", 1, 12))));
    EXPECT_EQ(current_scope, nullptr);
    ASSERT_EQ(definitions_of("after_self").size(), 1u);
    EXPECT_TRUE(is_xob_scope(definitions_of("after_self")[0]->scope));
}

TEST_F(XobReader, XobFilesAreListedInReadingOrder) {
    xob_node* before = xob_list.tail;
    read_text(xob("order1.xob", ""));
    read_text(xob("order2.xob", ""));
    xob_node* first = before ? before->next : xob_list.head;
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->next, nullptr);
    EXPECT_STREQ(name_text(first->file_name), "order1.xob");
    EXPECT_STREQ(name_text(first->next->file_name), "order2.xob");
    EXPECT_EQ(first->next, xob_list.tail);
    EXPECT_EQ(first->full_path, nullptr);  // an xob file is a scope, not a source file
}

TEST_F(XobReader, StringValuesOfAnyLengthAreTakenWhole) {
    std::string long_name(70000, 'q');
    long_name += "_end";
    read_text(xob("long.xob", source("/r/long.c", 1, define(long_name, "0", 1, 1))));
    EXPECT_EQ(definitions_of(long_name.c_str()).size(), 1u);
}

TEST_F(XobReader, FunctionBodyAndCallAcrossFiles) {
    std::string header = "<filename fullname=\"/r/call.h\" filenum=\"2\"/>\n"
                         "<function name=\"callee_fn\" storageclass=\"extern\">\n"
                         "<position filenum=\"2\" line=\"1\" row=\"5\"/>\n</function>\n";
    std::string caller =
        "<function name=\"caller_fn\" fulldef=\"void caller_fn(void)\" storageclass=\"\">\n"
        "<position filenum=\"1\" line=\"3\" row=\"6\"/>\n"
        "<reference mode=\"call\">\n<object name=\"callee_fn\" mode=\"call\">\n"
        "<position filenum=\"2\" line=\"1\" row=\"5\"/>\n</object>\n"
        "<position filenum=\"1\" line=\"4\" row=\"5\"/>\n</reference>\n"
        "<position filenum=\"1\" line=\"5\" row=\"1\"/>\n</function>\n";
    std::string callee =
        "<function name=\"callee_fn\" fulldef=\"void callee_fn(void)\" storageclass=\"\">\n"
        "<position filenum=\"1\" line=\"2\" row=\"6\"/>\n"
        "<position filenum=\"1\" line=\"3\" row=\"1\"/>\n</function>\n";
    read_text(xob("caller.xob", source("/r/caller.c", 1, header + caller)));
    read_text(xob("callee.xob", source("/r/callee.c", 1, callee)));
    xob_node* caller_node = nullptr;
    xob_node* callee_node = nullptr;
    for (xob_node* node = function_list.head; node; node = node->next_function) {
        if (node->name == name_intern("caller_fn")) caller_node = node;
        if (node->name == name_intern("callee_fn")) callee_node = node;
    }
    ASSERT_NE(caller_node, nullptr);
    ASSERT_NE(callee_node, nullptr);
    ASSERT_NE(callee_node->position, nullptr);  // the placeholder was filled in
    ASSERT_NE(caller_node->body, nullptr);
    EXPECT_EQ(caller_node->body->kind, a_reference);
    EXPECT_EQ(caller_node->body->target, callee_node);
    // A use keeps no scope: the body that holds it is where it lies.
    EXPECT_EQ(caller_node->body->next, nullptr);
}

// The grammar's %token list must number the tokens as the lexer does.
TEST(XobGrammar, TokenNumbersAgreeWithTheLexer) {
    for (int code = 0; code <= ASTRUCT + 1; ++code) {
        if (code == 256) continue;  // the parser's own error token
        EXPECT_STREQ(xob_token_name(code), token_name(vocabulary::xob, code)) << code;
    }
    EXPECT_STREQ(xob_token_name(STAGPOS), "STAGPOS");
    EXPECT_STREQ(xob_token_name(ASTRUCT), "ASTRUCT");
    EXPECT_STREQ(xob_token_name(0), "end-of-file");
}

}  // namespace

namespace {

// Units that each include one system header defining a static function whose
// body holds a parameter and then a use of it: every unit's function shares
// the body chain, which grows by one use per unit.
std::string unit_with_shared_header(const std::string& header, int unit) {
    std::string u = std::to_string(unit);
    std::string position_of_x = "<position filenum=\"2\" line=\"5\" row=\"23\"/>\n";
    return xob("walk" + u + ".xob",
               "<sourcefile filename=\"u.c\" fullname=\"/walk/" + header + "/u" + u +
                   ".c\" date=\"0\" cle=\"k\" filenum=\"1\">\n"
                   "<sourcefile filename=\"h.h\" fullname=\"/walk/" + header +
                   ".h\" date=\"0\" cle=\"s\" sysinclude=\"1\" filenum=\"2\">\n"
                   "<function name=\"" + header + "_helper\" fulldef=\"int f(int x)\" storageclass=\"static\">\n"
                   "<position filenum=\"2\" line=\"5\" row=\"12\"/>\n"
                   "<define name=\"x\" level=\"1\" storageclass=\"\" type=\"-9\" scope=\"4\">\n" +
                   position_of_x + "</define>\n<reference mode=\"read\">\n<object name=\"x\" mode=\"read\">\n" +
                   position_of_x + "</object>\n<position filenum=\"2\" line=\"6\" row=\"10\"/>\n"
                   "</reference>\n<position filenum=\"2\" line=\"7\" row=\"1\"/>\n</function>\n"
                   "</sourcefile>\n</sourcefile>\n");
}

// Reads `units` such units and returns what the two walks over them cost.
std::pair<std::int64_t, std::int64_t> walk_costs(const std::string& header, int units) {
    xob_node* before = xob_list.tail;
    for (int unit = 0; unit < units; ++unit) read_text(unit_with_shared_header(header, unit));
    xob_node* first = before ? before->next : xob_list.head;
    link_walk(first);
    std::int64_t visits = 0;
    model_walk(first, &visits, [](xob_node*, void* count) {
        ++*static_cast<std::int64_t*>(count);
        return 1;
    });
    return {link_walk_examined(), visits};
}

}  // namespace

TEST_F(XobReader, SharedHeaderFunctionBodiesAreWalkedOnce) {
    auto small = walk_costs("walk_small", 40);
    auto large = walk_costs("walk_large", 160);
    // Four times the units, four times the work: no walk re-enters the shared body.
    EXPECT_LE(large.first, 4 * small.first + 8);
    EXPECT_LE(large.second, 4 * small.second + 8);
    EXPECT_GE(large.second, 4 * 160);  // every unit's scope, sources and function
}

namespace {

// Writes `count` xob files named after `stem`, each defining its own names;
// every fifth is large enough to need many chunks and the parser's waits.
// File i holds 1 + i definitions, every fifth `large` of them.
int names_in_file(int i, int large) { return i % 5 == 0 ? large : 1 + i; }

std::vector<std::string> numbered_files(const std::string& stem, int count, int large = 20000) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        int names = names_in_file(i, large);
        std::string blocks;
        for (int n = 0; n < names; ++n)
            blocks += define(stem + "_" + std::to_string(i) + "_" + std::to_string(n), "0", 1, n + 1);
        std::string path = "/tmp/kyv_" + stem + "_" + std::to_string(i) + ".xob";
        std::FILE* file = std::fopen(path.c_str(), "w");
        EXPECT_NE(file, nullptr);
        if (!file) continue;
        std::string text = xob(stem + std::to_string(i) + ".xob", source("/r/" + stem + ".c", 1, blocks));
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        paths.push_back(path);
    }
    return paths;
}

// The xob files and the definitions the model gained, in model order.
template <class Reader>
std::pair<std::vector<std::string>, std::vector<std::string>> read_in_parallel(
    const std::vector<std::string>& paths, Reader read) {
    xob_node* last_xob = xob_list.tail;
    xob_node* last_definition = definition_list.tail;
    std::vector<const char*> words;
    for (const std::string& path : paths) words.push_back(path.c_str());
    read(words);
    std::vector<std::string> files, definitions;
    for (xob_node* node = last_xob ? last_xob->next : xob_list.head; node; node = node->next)
        files.push_back(name_text(node->file_name));
    for (xob_node* node = last_definition ? last_definition->next_definition : definition_list.head;
         node; node = node->next_definition)
        definitions.push_back(name_text(node->name));
    for (const std::string& path : paths) unlink(path.c_str());
    return {files, definitions};
}

// What reading `count` numbered files of stem `stem` must give.
std::pair<std::vector<std::string>, std::vector<std::string>> expected_reading(const std::string& stem,
                                                                              int count, int large) {
    std::vector<std::string> files, definitions;
    for (int i = 0; i < count; ++i) {
        files.push_back(stem + std::to_string(i) + ".xob");
        for (int n = 0; n < names_in_file(i, large); ++n)
            definitions.push_back(stem + "_" + std::to_string(i) + "_" + std::to_string(n));
    }
    return {files, definitions};
}

}  // namespace

TEST_F(XobReader, FilesScannedOnOtherThreadsEnterTheModelInCommandLineOrder) {
    for (unsigned threads : {2u, 8u}) {
        std::string stem = "par" + std::to_string(threads);
        auto read = [threads](const std::vector<const char*>& words) { read_xob_files(words, threads); };
        EXPECT_EQ(read_in_parallel(numbered_files(stem, 12), read), expected_reading(stem, 12, 20000))
            << threads << " threads";
    }
}

// With room for a few hundred bytes of records, the workers wait for room
// again and again, as writers of a file and to start the next, and are
// woken one by one: every file still enters whole and in order (a lost
// wake-up would hang here).
TEST_F(XobReader, WorkersWaitingForRoomDeliverEveryFileInOrder) {
    reading_limits tiny;
    tiny.chunk = 128;
    tiny.current = 512;
    tiny.ahead_per_worker = 256;
    tiny.ahead = 1024;
    tiny.help = 0;  // the model's thread parses no file itself
    for (unsigned workers : {1u, 7u}) {
        std::string stem = "wait" + std::to_string(workers);
        reading_end end;
        auto read = [&](const std::vector<const char*>& words) {
            reading_pool pool(words, workers, tiny);
            ASSERT_TRUE(pool.has_workers());
            end = pool.read_all();
        };
        EXPECT_EQ(read_in_parallel(numbered_files(stem, 30, 300), read), expected_reading(stem, 30, 300))
            << workers << " workers";
        EXPECT_EQ(end.what, reading_end::read);
    }
}
