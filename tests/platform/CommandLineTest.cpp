// The command line: what each option asks for, and that Qt's options pass before Qt takes them.
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using namespace quorrel;
using Action = CommandLine::Action;

TEST(CommandLine, OptionsAndWhatAStartAsksTheRunningCopy) {
    EXPECT_EQ(ParseCommandLine({}, true).action, Action::Run);
    EXPECT_EQ(ParseCommandLine({}, true).request, SessionRequest::Show);
    EXPECT_EQ(ParseCommandLine({"--toggle"}, true).request, SessionRequest::Toggle);
    EXPECT_EQ(ParseCommandLine({"--show"}, true).request, SessionRequest::Show);
    EXPECT_EQ(ParseCommandLine({"--version"}, false).action, Action::Version);
    // --help wins wherever it stands, even after a word that is not understood.
    EXPECT_EQ(ParseCommandLine({"--toggle", "--bogus", "-h"}, true).action, Action::Help);
    // Before Qt: its options are not ours to refuse; after: what is left is wrong.
    EXPECT_EQ(ParseCommandLine({"-display", ":3", "--toggle"}, false).action, Action::Run);
    const CommandLine wrong = ParseCommandLine({"--toggle", "--tggle"}, true);
    EXPECT_EQ(wrong.action, Action::Wrong);
    EXPECT_EQ(wrong.wrong, "--tggle");
    EXPECT_NE(UsageText().find("--toggle"), std::string::npos);
    EXPECT_EQ(VersionText().rfind("Quorrel ", 0), 0u);
}
