#include <gtest/gtest.h>

#include "fs/wildcard.h"

using vp::posix::WildcardMatch;

TEST(Wildcard, WindowsRules) {
  EXPECT_TRUE(WildcardMatch("*", "anything.at.all"));
  EXPECT_TRUE(WildcardMatch("*.*", "noextension"));
  EXPECT_TRUE(WildcardMatch("*.*", "a.b"));
  EXPECT_TRUE(WildcardMatch("CM*", "cmUser01"));  // the file system ignores case
  EXPECT_FALSE(WildcardMatch("CM*", "xCM"));
  EXPECT_TRUE(WildcardMatch("*.dbd", "User01.DBD"));
  EXPECT_FALSE(WildcardMatch("*.dbd", "User01.dbdx"));
  EXPECT_TRUE(WildcardMatch("a?c", "abc"));
  EXPECT_FALSE(WildcardMatch("a?c", "ac"));
  EXPECT_TRUE(WildcardMatch("ab?", "ab"));  // '?' may match nothing at the end
  EXPECT_TRUE(WildcardMatch("file.*", "file"));
  EXPECT_FALSE(WildcardMatch("file.*", "files"));
  EXPECT_TRUE(WildcardMatch("*a*a*a*a*a*a*b", std::string(200, 'a') + "b"));
  EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*b", std::string(200, 'a')));
}
