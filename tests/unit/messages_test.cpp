#include "messages/messages.h"

#include <gtest/gtest.h>

#include <csignal>

#include "driver/kyvlink.h"

TEST(Messages, HighestPlaceholderIsTheLargestNumberNotTheCount) {
    EXPECT_EQ(highest_placeholder("no placeholder"), 0);
    EXPECT_EQ(highest_placeholder("%1 and %1 again"), 1);
    EXPECT_EQ(highest_placeholder("only %3 here"), 3);
    EXPECT_EQ(highest_placeholder("%2 before %1"), 2);
    EXPECT_EQ(highest_placeholder("100%% sure %%2"), 0);
    EXPECT_EQ(highest_placeholder("ends with %%"), 0);
    EXPECT_EQ(highest_placeholder("%12"), 12);
    EXPECT_EQ(highest_placeholder("%"), 0);
}

TEST(Messages, UntranslatedTemplateFillsArguments) {
    QString args[2] = {"x%2y", "Z"};
    EXPECT_EQ(translate("Test", "%1 and %2", "", 2, args), QString("x%2y and Z"));
    EXPECT_EQ(translate("Test", "plain", "", 0, nullptr), QString("plain"));
}

using MessagesDeathTest = ::testing::Test;

TEST(MessagesDeathTest, FatalLineKeepsPlaceholdersOfItsArgument) {
    set_names("Orvanta", "kyvld", "kyvld");
    EXPECT_EXIT(fatal("Fatal Error", "Cannot open xob file %1", "", "a%2b.xob"),
                ::testing::ExitedWithCode(7),
                "^Orvanta kyvld - FATAL ERROR: Cannot open xob file a%2b\\.xob\n$");
}

TEST(MessagesDeathTest, FatalTakesNoArgumentForEscapedPercent) {
    set_names("Orvanta", "kyvld", "kyvld");
    EXPECT_EXIT(fatal("Fatal Error", "100%% done %%1", "", "unused"),
                ::testing::ExitedWithCode(7), "FATAL ERROR: 100%% done %%1\n$");
}

TEST(MessagesDeathTest, BannerHasTwoLinesBetweenLineBreaks) {
    set_names("Orvanta", "kyvld", "kyvld");
    EXPECT_EXIT({
        show_banner();
        std::exit(0);
    }, ::testing::ExitedWithCode(0), "^\nOrvanta Code review 8\\.0\\.1\\.2\\.343\\.015\n[^\n]+ All rights reserved\\.\n$");
}

TEST(MessagesDeathTest, CrashHandlerEndsWithStatusOne) {
    EXPECT_EXIT({
        std::signal(SIGSEGV, crash_handler);
        std::raise(SIGSEGV);
    }, ::testing::ExitedWithCode(1), "^core =>exit\n$");
}
