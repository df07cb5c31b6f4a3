#include "platform/NaturalOrder.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

using namespace veilpane;

// Each list is in the expected order; sorting it reversed must give it back, and every neighbour pair
// must compare strictly, so that no two names tie.
TEST(NaturalOrder, SortsNumbersByValueLettersWithoutCaseAndNeverTies) {
    const QStringList expected[] = {
        {"img1.png", "img2.png", "img10.png", "img100.png"},
        {"apple.jpg", "Banana.jpg", "cherry.jpg"},
        {"Photo.JPG", "photo.jpg", "photo.png"},
        {"x1", "x01", "x001", "x2"},
        {"a1b2", "a1b10", "a2b1"},
        {"abc", "abc1", "abcd"},
        {"9", "10", "99999999999999999999", "100000000000000000000"},
        {"élan", "Été"},
    };
    for (const QStringList& list : expected) {
        QStringList sorted(list.crbegin(), list.crend());
        std::sort(sorted.begin(), sorted.end(), NaturalLess);
        EXPECT_EQ(sorted, list) << list.join(QLatin1Char(' ')).toStdString();
        for (qsizetype i = 1; i < list.size(); ++i) {
            EXPECT_LT(NaturalCompare(list[i - 1], list[i]), 0) << list[i].toStdString();
            EXPECT_GT(NaturalCompare(list[i], list[i - 1]), 0) << list[i].toStdString();
        }
    }
    EXPECT_EQ(NaturalCompare(QStringLiteral("same2"), QStringLiteral("same2")), 0);
}
