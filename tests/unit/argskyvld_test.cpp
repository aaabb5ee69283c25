// kyvld's option set: the table, and how a decoded command line becomes the
// run settings and the silent level.
#include "driver/argskyvld.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct decoded {
    bool accepted;
    run_settings settings;
    std::string printed;

    std::vector<std::string> xob_files() const {
        std::vector<std::string> names;
        for (xob_file_entry* entry = settings.xob_files; entry; entry = entry->next)
            names.push_back(entry->name);
        return names;
    }
};

decoded decode(std::vector<std::string> words) {
    words.insert(words.begin(), "kyvld");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    decoded result;
    result.settings.report_file = "stale";
    ::testing::internal::CaptureStderr();
    result.accepted = decode_options(static_cast<int>(words.size()), argv.data(), &result.settings);
    result.printed = ::testing::internal::GetCapturedStderr();
    return result;
}

std::string text_or_absent(const char* text) { return text ? text : "(absent)"; }

TEST(OptionSet, TableOrderAndShape) {
    const char* names[] = {"KYV", "XREF", "RULE", "HEADER", "TEST", "SILENT", "VERSION"};
    gcm_option* option = kyvld_command_line.options;
    for (const char* name : names) {
        ASSERT_NE(option, nullptr);
        EXPECT_STREQ(option->name[0], name);
        bool takes_file = option->value_required != 0;
        EXPECT_EQ(takes_file, option->parameter && option->parameter->type == 'C') << name;
        for (gcm_option* other = option->next; other; other = other->next)
            EXPECT_TRUE(!option->parameter || option->parameter != other->parameter) << name;
        EXPECT_EQ(option->negatable, 0);
        EXPECT_EQ(option->on_by_default, 0);
        EXPECT_EQ(option->default_choice, 0);
        option = option->next;
    }
    EXPECT_EQ(option, nullptr);
    gcm_param* xob = kyvld_command_line.params;
    ASSERT_NE(xob, nullptr);
    EXPECT_STREQ(xob->name[0], "xob");
    EXPECT_EQ(xob->list, 'Y');
    EXPECT_EQ(xob->next, nullptr);
    EXPECT_EQ(kyvld_command_line.list_separator, '\xA0');
    const char* usage = kyvld_command_line.usage[0];
    std::string start = "\nUsage kyvld :\n\t<xob>[\xC2\xA0xob]\n\t[-KYV=<file>]\n";
    EXPECT_EQ(std::string(usage).substr(0, start.size()), start);
    EXPECT_EQ(usage[std::strlen(usage) - 1], '\n');
}

TEST(OptionSet, SettingsAndSilentLevel) {
    decoded run = decode({"-KYV=r.xml", "a.xob", "-HEADER=h.txt", "-RULE=c.xml", "-TEST"});
    ASSERT_TRUE(run.accepted) << run.printed;
    EXPECT_EQ(text_or_absent(run.settings.report_file), "r.xml");
    EXPECT_EQ(text_or_absent(run.settings.header_file), "h.txt");
    EXPECT_EQ(text_or_absent(run.settings.rule_file), "c.xml");
    EXPECT_EQ(text_or_absent(run.settings.xref_file), "(absent)");
    EXPECT_TRUE(run.settings.test_mode);
    EXPECT_EQ(silent_level, 0);
    EXPECT_EQ(run.printed, "");

    run = decode({"a.xob"});
    ASSERT_TRUE(run.accepted);
    EXPECT_EQ(text_or_absent(run.settings.report_file), "(absent)");
    EXPECT_FALSE(run.settings.test_mode);
    EXPECT_EQ(silent_level, -1);

    run = decode({"-x=p.pl", "-SILENT=12abc", "a.xob"});
    ASSERT_TRUE(run.accepted);
    EXPECT_EQ(text_or_absent(run.settings.xref_file), "p.pl");
    EXPECT_EQ(silent_level, 12);

    const std::pair<const char*, int> silent[] = {
        {"-SILENT", 0}, {"-SILENT=", 0}, {"-SILENT=abc", 0}, {"-s=10000", 10000}, {"-s=0", 0}};
    for (const auto& [word, level] : silent) {
        run = decode({"a.xob", word});
        ASSERT_TRUE(run.accepted) << word << run.printed;
        EXPECT_EQ(silent_level, level) << word;
    }
}

TEST(OptionSet, XobFilesInOrder) {
    decoded run = decode({"a.xob", "b.xob\xA0" "c.xob\xA0", "", "-t", "d\\\xA0" "e.xob", "a.xob"});
    ASSERT_TRUE(run.accepted) << run.printed;
    EXPECT_EQ(run.xob_files(),
              (std::vector<std::string>{"a.xob", "b.xob", "c.xob", "d\xA0" "e.xob", "a.xob"}));

    run = decode({"-VERSION", "a.xob"});
    ASSERT_TRUE(run.accepted);
    EXPECT_EQ(run.printed.rfind("\nOrvanta Code review ", 0), 0u);
}

TEST(OptionSet, Rejections) {
    decoded run = decode({"-KYV=a.xml", "-XREF=b.pl", "a.xob"});
    EXPECT_FALSE(run.accepted);
    EXPECT_EQ(run.printed.rfind(
                  "Orvanta Command analysis : Illegal combination of command elements, KYV and "
                  "XREF\nUsage kyvld :\n",
                  0),
              0u);
    run = decode({"-VERSION"});
    EXPECT_FALSE(run.accepted);
    EXPECT_EQ(run.printed.rfind("Orvanta Command analysis : Argument missing, xob\n", 0), 0u);
    EXPECT_EQ(run.printed.find("Code review"), std::string::npos);  // no banner yet
}

}  // namespace
