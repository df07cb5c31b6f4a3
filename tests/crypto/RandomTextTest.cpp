#include "crypto/RandomText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

using namespace veilpane;

TEST(RandomText, AlphabetIsFixed) {
    ASSERT_EQ(std::strlen(RandomTextAlphabet), 256u);
    const char* run = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890";
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(std::strncmp(RandomTextAlphabet + 62 * i, run, 62), 0) << "run " << i;
    }
    EXPECT_STREQ(RandomTextAlphabet + 248, "abcdefgh");
}

TEST(RandomText, LengthsAndDistribution) {
    EXPECT_TRUE(MakeRandomText(0).isEmpty());
    EXPECT_TRUE(MakeRandomText(-3).isEmpty());
    EXPECT_EQ(MakeRandomText(1).size(), 1);
    EXPECT_EQ(MakeRandomText(80).size(), 80);
    EXPECT_NE(MakeRandomText(16), MakeRandomText(16));

    // 256 000 draws: a-h are drawn 5/256 of the time, the other 54 characters 4/256.
    std::map<char, int> counts;
    for (int i = 0; i < 16000; ++i) {
        const QByteArray text = MakeRandomText(16);
        ASSERT_EQ(text.size(), 16);
        for (char c : text) {
            ASSERT_TRUE((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) << c;
            ++counts[c];
        }
    }
    EXPECT_EQ(counts.size(), 62u);
    double heavy = 0, light = 0;
    for (const auto& [c, n] : counts) {
        (c >= 'a' && c <= 'h' ? heavy : light) += n;
    }
    const double ratio = (heavy / 8.0) / (light / 54.0);
    EXPECT_NEAR(ratio, 1.25, 0.05);
}
