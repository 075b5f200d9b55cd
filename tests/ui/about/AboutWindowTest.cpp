// The About window: its components, the texts FormCreate fills in, the links.

#include "ui/about/AboutFixture.h"

TEST_F(AboutWindowTest, Builds) {
    giveVersionInformation();
    trustDouble.answerNotSigned();
    makeWindowAndWaitForCheck();
    EXPECT_EQ(w().labelName->caption(), L"Korvane ADS Ombrolux");
    EXPECT_EQ(w().LabelVersion->caption(), L"v2.4.1 build 317");
    EXPECT_EQ(w().link->left(), 147);
}
