#include "platform/ComputerName.h"

#include <gtest/gtest.h>

using namespace tavelin::platform;

TEST(ComputerName, ReadsThePrettyHostNameInItsQuotingStyles) {
    EXPECT_EQ(prettyHostname("PRETTY_HOSTNAME=Ann's Laptop\n"), "Ann's Laptop");
    EXPECT_EQ(prettyHostname("CHASSIS=laptop\nPRETTY_HOSTNAME=\"Studio \\\"B\\\"\"\n"),
              "Studio \"B\"");
    EXPECT_EQ(prettyHostname("PRETTY_HOSTNAME='Den: 2/3'  \r\n"), "Den: 2/3");
    EXPECT_EQ(prettyHostname("PRETTY_HOSTNAME=\n"), std::nullopt);
    EXPECT_EQ(prettyHostname("# PRETTY_HOSTNAME=Old\nDEPLOYMENT=dev"), std::nullopt);
    EXPECT_TRUE(computerName()) << "every machine has a host name";
}
