// Yescrypt password hashes through libcrypt.
#include <gtest/gtest.h>

#include "platform/system/passwordhash.h"

using namespace orvane;

TEST(PasswordHash, SaltedYescryptThatVerifiesOnlyTheSamePassword) {
  const QString a = HashPassword(QStringLiteral("门卫 1234"));
  const QString b = HashPassword(QStringLiteral("门卫 1234"));
  ASSERT_TRUE(a.startsWith(QStringLiteral("$y$"))) << a.toStdString();
  EXPECT_TRUE(IsPasswordHash(a));
  EXPECT_NE(a, b) << "every hash has its own salt";
  EXPECT_FALSE(a.contains(QStringLiteral("1234")));
  EXPECT_TRUE(VerifyPassword(QStringLiteral("门卫 1234"), a));
  EXPECT_TRUE(VerifyPassword(QStringLiteral("门卫 1234"), b));
  EXPECT_FALSE(VerifyPassword(QStringLiteral("门卫 1235"), a));
  EXPECT_FALSE(VerifyPassword(QStringLiteral("门卫 1234 "), a)) << "trimming is the caller's business";
  EXPECT_FALSE(VerifyPassword(QString(), a));
}

TEST(PasswordHash, PlainTextAndMalformedHashesNeverVerify) {
  EXPECT_FALSE(IsPasswordHash(QStringLiteral("secret")));
  EXPECT_FALSE(IsPasswordHash(QString()));
  EXPECT_FALSE(IsPasswordHash(QStringLiteral("$6$abc$def")));
  EXPECT_FALSE(VerifyPassword(QStringLiteral("secret"), QStringLiteral("secret")));
  EXPECT_FALSE(VerifyPassword(QStringLiteral("x"), QStringLiteral("$y$")));
  EXPECT_FALSE(VerifyPassword(QStringLiteral("x"), QStringLiteral("$y$j9T$broken")));
  const QString h = HashPassword(QStringLiteral("x"));
  EXPECT_FALSE(VerifyPassword(QStringLiteral("x"), h.left(h.size() - 1)));
}
