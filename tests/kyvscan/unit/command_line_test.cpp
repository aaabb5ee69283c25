// kyvscan's command line and the compile steps it is given: which words
// make which mode, and what libclang is asked to parse.
#include <gtest/gtest.h>

#include "kyvscan/compiler_args.h"
#include "kyvscan/paths.h"
#include "kyvscan/scan_options.h"

namespace {

struct parsed_line {
    bool ok;
    scan_options options;
    std::string error;
};

parsed_line parse(std::vector<std::string> words) {
    words.insert(words.begin(), "kyvscan");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    parsed_line result;
    result.ok = parse_scan_options(static_cast<int>(argv.size()), argv.data(), result.options, result.error);
    return result;
}

TEST(ScanOptions, FormsAndRefusals) {
    struct {
        std::vector<std::string> words;
        bool ok;
        const char* error_part;
    } cases[] = {
        {{"-p", "build"}, true, ""},
        {{"-pbuild", "-j2", "--output=out", "src/"}, true, ""},
        {{"--project=build", "--jobs", "8", "--rules", "r.xml"}, true, ""},
        {{"-o", "a.xob", "--", "cc", "-c", "a.c"}, true, ""},
        {{"--launcher", "cc", "-c", "a.c", "-o", "a.o"}, true, ""},
        {{"--launcher", "--rules", "r.xml", "cc", "-c", "a.c"}, true, ""},
        {{}, false, "give -p"},
        {{"-p"}, false, "needs a value"},
        {{"-p", ""}, false, "build folder"},
        {{"-p", "b", "-j", "0"}, false, "from 1 to 1024"},
        {{"-p", "b", "-j", "2x"}, false, "from 1 to 1024"},
        {{"-p", "b", "-j", "99999999999999999999"}, false, "from 1 to 1024"},
        {{"-p", "b", "-o", "x", "-o", "y"}, false, "twice"},
        {{"-p", "b", "--", "cc", "a.c"}, false, "exclude each other"},
        {{"--", "cc", "-c", "a.c"}, false, "needs -o"},
        {{"-o", "a.xob", "stray", "--", "cc", "a.c"}, false, "filters are for -p"},
        {{"-j", "2", "-o", "a.xob", "--", "cc", "a.c"}, false, "-j is for -p"},
        {{"--launcher", "-o", "x", "cc", "a.c"}, false, "not for it"},
        {{"--launcher"}, false, "needs a compile step"},
        {{"--frobnicate"}, false, "unknown option"},
    };
    for (const auto& item : cases) {
        parsed_line result = parse(item.words);
        std::string line;
        for (const std::string& word : item.words) line += word + " ";
        EXPECT_EQ(item.ok, result.ok) << line << "-> " << result.error;
        EXPECT_NE(std::string::npos, result.error.find(item.error_part)) << line << "-> " << result.error;
    }
    parsed_line project = parse({"-pbuild", "-j2", "--output=out", "src/", "lib/"});
    EXPECT_EQ("build", project.options.build_dir);
    EXPECT_EQ(2, project.options.jobs);
    EXPECT_EQ("out", project.options.output);
    EXPECT_EQ((std::vector<std::string>{"src/", "lib/"}), project.options.filters);
    parsed_line launcher = parse({"--launcher", "--rules", "r.xml", "cc", "-c", "a.c"});
    EXPECT_EQ("r.xml", launcher.options.rules_file);
    EXPECT_EQ((std::vector<std::string>{"cc", "-c", "a.c"}), launcher.options.compile);
}

TEST(CompileStep, ParseCommandKeepsFlagsDropsOutputs) {
    std::vector<std::string> step = {"/usr/bin/gcc", "-c", "-o", "obj/a.o", "-MD", "-MF", "obj/a.d",
                                     "-Iinclude", "-DX=1", "-std=c99", "../src/a.c"};
    parse_command command = make_parse_command(step, "/p/build", "/p/src/a.c", {"/opt/cross/include"});
    EXPECT_EQ(unit_language::c, command.language);
    std::vector<std::string> expected = {"clang", "-working-directory=/p/build", "-Iinclude", "-DX=1",
                                         "-std=c99", "-isystem", "/opt/cross/include",
                                         "-Wno-unknown-warning-option",
                                         "-Wno-ignored-optimization-argument",
                                         "-Wno-unused-command-line-argument", "/p/src/a.c"};
    EXPECT_EQ(expected, command.args);
}

TEST(CompileStep, LanguageOfTheUnit) {
    struct {
        std::vector<std::string> step;
        const char* source;
        unit_language language;
    } cases[] = {
        {{"cc", "-c", "a.c"}, "/p/a.c", unit_language::c},
        {{"c++", "-c", "a.c"}, "/p/a.c", unit_language::cplusplus},
        {{"clang++", "-c", "a.cc"}, "/p/a.cc", unit_language::cplusplus},
        {{"cc", "-c", "a.cpp"}, "/p/a.cpp", unit_language::cplusplus},
        {{"cc", "-x", "c++", "-c", "a.c"}, "/p/a.c", unit_language::cplusplus},
        {{"cc", "-xc", "-c", "a.inc"}, "/p/a.inc", unit_language::c},
        {{"cc", "-std=gnu++17", "-c", "a.c"}, "/p/a.c", unit_language::cplusplus},
        {{"cc", "-c", "start.S"}, "/p/start.S", unit_language::other},
        {{"cc", "-c", "view.m"}, "/p/view.m", unit_language::other},
    };
    for (const auto& item : cases)
        EXPECT_EQ(item.language, make_parse_command(item.step, "/p", item.source, {}).language)
            << item.source;
}

TEST(CompileStep, SourceAndObjectOfAStep) {
    EXPECT_EQ("a.c", find_source_argument({"cc", "-I", "inc", "-c", "a.c", "-o", "a.o"}));
    EXPECT_EQ("b.c", find_source_argument({"cc", "-include", "pre.h", "-x", "c", "b.c"}));
    EXPECT_EQ("", find_source_argument({"cc", "-c", "-o", "x.o"}));
    EXPECT_EQ("", find_source_argument({}));
    EXPECT_EQ("obj/a.o", object_file_of({"cc", "-c", "a.c", "-o", "obj/a.o"}, "a.c"));
    EXPECT_EQ("b.o", object_file_of({"cc", "-c", "src/b.c", "-ob.o"}, "src/b.c"));
    EXPECT_EQ("c.o", object_file_of({"cc", "-c", "src/c.c"}, "src/c.c"));
    EXPECT_EQ("cc 'a b.c' 'it'\\''s'", command_text({"cc", "a b.c", "it's"}));
}

TEST(Paths, LexicallyNormal) {
    EXPECT_EQ("/a/c", normal_path("/", "/a/./b/../c"));
    EXPECT_EQ("/p/src/a.c", normal_path("/p/build", "../src/a.c"));
    EXPECT_EQ("/x", normal_path("/", "/../../x"));
    EXPECT_EQ("/p/q", normal_path("/p//", "q/"));
    EXPECT_EQ("/", normal_path("/", ".."));
    EXPECT_EQ("a.c", path_base_name("/p/a.c"));
    EXPECT_EQ("/p", path_directory("/p/a.c"));
    EXPECT_EQ("/", path_directory("/a.c"));
}

}  // namespace
