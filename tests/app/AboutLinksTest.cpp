// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutLinks.h"
#include "support/FakeShell.h"

#include <gtest/gtest.h>

using namespace nullsweep;
using nullsweep::test::FakeShell;

TEST(AboutLinks, WebSiteAndMailUseExampleAddresses) {
    FakeShell shell;
    EXPECT_TRUE(OpenWebSite());
    EXPECT_TRUE(OpenMailTo());
    ASSERT_EQ(shell.Calls().size(), 2u);
    EXPECT_EQ(shell.Calls()[0].text, WebSiteAddress);
    EXPECT_EQ(shell.Calls()[1].text, MailToAddress);
    for (std::string_view address : {WebSiteAddress, MailToAddress})
        EXPECT_TRUE(address.find("example.org") != std::string_view::npos) << address;
}
