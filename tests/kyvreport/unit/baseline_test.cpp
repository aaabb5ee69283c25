#include "kyvreport/baseline.h"

#include "kyvreport/trap_identity.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

std::string temporary_log(const std::string& text) {
    char name[] = "/tmp/kyvreport-baseline-test-XXXXXX";
    const int descriptor = mkstemp(name);
    std::FILE* file = fdopen(descriptor, "w");
    std::fputs(text.c_str(), file);
    std::fclose(file);
    return name;
}

std::string result(const char* fingerprint, int line, const char* state = "unchanged") {
    return std::string("{\"ruleId\": \"KYV_1_1\", \"level\": \"error\", \"message\": {\"text\": \"m\"},") +
           "\"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": \"a.c\"}, \"region\": "
           "{\"startLine\": " + std::to_string(line) + "}}}, {\"physicalLocation\": {\"region\": "
           "{\"startLine\": 999}}}], \"partialFingerprints\": {\"" + TRAP_IDENTITY_KEY + "\": \"" + fingerprint +
           "\"}, \"baselineState\": \"" + state + "\"}";
}

}  // namespace

TEST(Baseline, EachOldResultMatchesOnceAndTheRestAreAbsentInLogOrder) {
    const std::string path = temporary_log("{\"version\": \"2.1.0\", \"runs\": [{\"results\": [" +
                                           result("x:1", 1) + "," + result("y:1", 2) + "," + result("x:1", 3) +
                                           "," + result("z:1", 4, "absent") + "]}]}");
    baseline old;
    ASSERT_EQ(old.load(path), "");
    EXPECT_EQ(old.fingerprint_keys(), std::set<std::string>{TRAP_IDENTITY_KEY});
    EXPECT_EQ(old.tool(), "");  // the log names none: the conversion refuses it
    std::remove(path.c_str());
    EXPECT_TRUE(old.match("x:1"));
    EXPECT_FALSE(old.match("z:1"));  // absent in the old log already: not a result of that run
    auto absent = old.absent();
    ASSERT_EQ(absent.size(), 2u);
    EXPECT_EQ(absent[0]->line, 2);  // y, then the second x, in the old log's order
    EXPECT_EQ(absent[1]->line, 3);
    EXPECT_EQ(absent[0]->uri, "a.c");
    EXPECT_TRUE(old.match("x:1"));
    EXPECT_FALSE(old.match("x:1"));
    old.rewind();
    EXPECT_EQ(old.absent().size(), 3u);
}

TEST(Baseline, TheToolAndTheRootAreReadFromTheRun) {
    const std::string path = temporary_log(
        "{\"runs\": [{\"tool\": {\"driver\": {\"name\": \"kyvld\"}}, \"originalUriBaseIds\": "
        "{\"SRCROOT\": {\"uri\": \"file:///home/a%20b/src/\"}}, \"results\": []}]}");
    baseline old;
    ASSERT_EQ(old.load(path), "");
    std::remove(path.c_str());
    EXPECT_EQ(old.tool(), "kyvld");
    EXPECT_EQ(old.root(), "/home/a b/src/");
}
