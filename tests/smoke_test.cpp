#include <gtest/gtest.h>

#include "support/test_support.hpp"

TEST(Smoke, QuitRightAway) {
    auto r = vtest::run_session("Q\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, vtest::crlf("Welcome to Voxmill. What do you want to do?\n") + vtest::menu_text() +
                         vtest::crlf("Bye\n"));
}
