#include "crypto/PasswordSet.h"

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

CPasswordSet With(std::initializer_list<std::pair<int, QByteArray>> passwords, int radio) {
    CPasswordSet set;
    for (const auto& [index, password] : passwords) {
        set.Passwords[static_cast<std::size_t>(index)] = password;
    }
    set.PasswordRadioCry = radio;
    return set;
}

const QString NoneDefined = QStringLiteral(
    "There are no defined passwords to decrypt.\nPlease define the passwords in 'Settings/Passwords'.");

QString EmptySelected(int number) {
    return QStringLiteral("The selected encryption password (%1) is empty.\nPlease select a valid encryption "
                          "password in 'Settings/Passwords'.")
        .arg(number);
}

} // namespace

TEST(PasswordSet, DefaultsDefineNothing) {
    const CPasswordSet set;
    EXPECT_FALSE(set.HasDefinedPassword());
    EXPECT_EQ(set.PasswordRadioCry, 0);
    EXPECT_EQ(set.PasswordSaveCry, 1);
    EXPECT_TRUE(set.DecryptionOrder().isEmpty());
    EXPECT_EQ(CheckDefinedPasswords(set), NoneDefined);
    EXPECT_EQ(CheckSelectedPassword(set), EmptySelected(1));
}

// Passwords 2 and 4 defined, 4 selected: 4 encrypts, decryption tries 2 before 4.
TEST(PasswordSet, SelectionEncryptsAndOrderDecrypts) {
    const CPasswordSet set = With({{1, "second"}, {3, "fourth"}}, 3);
    EXPECT_TRUE(set.HasDefinedPassword());
    EXPECT_EQ(set.SelectedPassword(), "fourth");
    EXPECT_EQ(CheckSelectedPassword(set), std::nullopt);
    EXPECT_EQ(CheckDefinedPasswords(set), std::nullopt);
    const auto order = set.DecryptionOrder();
    ASSERT_EQ(order.size(), 2);
    EXPECT_EQ(order[0], (std::pair<int, QByteArray>{1, "second"}));
    EXPECT_EQ(order[1], (std::pair<int, QByteArray>{3, "fourth"}));
    // Only the last one defined still counts as a defined set.
    EXPECT_TRUE(With({{4, "fifth1"}}, 0).HasDefinedPassword());
}

// The message names the row as the dialog shows it: index + 1. A stored selection outside 0 to 4 means
// password 1 (never an index past the list).
TEST(PasswordSet, EmptySelectedPasswordNamesItsNumber) {
    const struct {
        int Radio;
        int Number;
    } cases[] = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {-1, 1}, {5, 1}, {99, 1}};
    for (const auto& c : cases) {
        const CPasswordSet empty = With({}, c.Radio);
        EXPECT_EQ(empty.SelectedIndex(), c.Number - 1) << c.Radio;
        EXPECT_EQ(CheckSelectedPassword(empty), EmptySelected(c.Number)) << c.Radio;
    }
    EXPECT_EQ(With({{0, "first"}}, 7).SelectedPassword(), "first");
}

TEST(PasswordSet, ValidationAcceptsNothingOrFiveToSixtyFourCharacters) {
    const QString tooShort = QStringLiteral("Passwords length should be at least 5 characters.");
    const struct {
        QStringList Texts;
        bool Accepted;
    } cases[] = {
        {{QString(), QString(), QString(), QString(), QString()}, true},
        {{QStringLiteral("abcde"), QString(), QString(), QString(), QString()}, true},
        {{QStringLiteral("abcd"), QString(), QString(), QString(), QString()}, false},
        {{QStringLiteral("abcde"), QString(), QString(), QString(), QStringLiteral("a")}, false},
        {{QString(64, QLatin1Char('x')), QStringLiteral("     "), QString(), QString(), QString()}, true},
        {{QStringLiteral("ééééé"), QString(), QString(), QString(), QString()}, true},
        // Four characters outside the basic plane are eight UTF-16 units but still four characters.
        {{QStringLiteral("\U0001F600\U0001F600\U0001F600\U0001F600"), QString(), QString(), QString(),
          QString()},
         false},
        {{QStringLiteral("\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600"), QString(), QString(),
          QString(), QString()},
         true},
    };
    for (const auto& c : cases) {
        const auto verdict = ValidatePasswordTexts(c.Texts);
        EXPECT_EQ(!verdict.has_value(), c.Accepted) << c.Texts.join(QLatin1Char('|')).toStdString();
        if (verdict) {
            EXPECT_EQ(*verdict, tooShort);
        }
    }
}

TEST(PasswordSet, MessagesAreExact) {
    EXPECT_EQ(NoDefinedPasswordsMessage(), NoneDefined);
    EXPECT_EQ(EmptySelectedPasswordMessage(3), EmptySelected(3));
    EXPECT_EQ(PasswordTooShortMessage(), QStringLiteral("Passwords length should be at least 5 characters."));
}
