// The command-line grammar: only the first letter of the switch counts.
#include <gtest/gtest.h>

#include <cstring>

#include "host/cmdline.h"

namespace {

CommandLine Parse(const char* line) {
  CommandLine out;
  EXPECT_EQ(ParseCommandLine(line, &out), 0);
  return out;
}

TEST(CommandLine, EveryFormOfTheSaverSwitch) {
  for (const char* line : {"/s", "/S", "-s", "-S", "s", "S", "/save", "/screen", "/S:123", "s 99"})
    EXPECT_EQ(Parse(line).mode, SaverMode::kSaver) << line;
}

TEST(CommandLine, ConfigurationWithAndWithoutOwner) {
  for (const char* line : {"", "/c", "-C", "c", "C"}) {
    const CommandLine c = Parse(line);
    EXPECT_EQ(c.mode, SaverMode::kConfigure) << line;
    EXPECT_FALSE(c.hasOwner) << line;
  }
  const CommandLine null = Parse(nullptr);
  EXPECT_EQ(null.mode, SaverMode::kConfigure);

  const CommandLine colonAfterLetter = Parse("c:123");
  EXPECT_TRUE(colonAfterLetter.hasOwner);
  EXPECT_EQ(colonAfterLetter.owner, 123u);
  const CommandLine prefixed = Parse("/c:4711");
  EXPECT_TRUE(prefixed.hasOwner);
  EXPECT_EQ(prefixed.owner, 4711u);
  // A blank instead of the colon: no owner.
  EXPECT_FALSE(Parse("/c 123").hasOwner);
  // A colon with no number reads 0.
  const CommandLine empty = Parse("/c:");
  EXPECT_TRUE(empty.hasOwner);
  EXPECT_EQ(empty.owner, 0u);
}

TEST(CommandLine, PreviewReadsTheHostFromTheNextWord) {
  const CommandLine p = Parse("/p 4711");
  EXPECT_EQ(p.mode, SaverMode::kPreview);
  EXPECT_TRUE(p.hasHost);
  EXPECT_EQ(p.host, 4711);
  EXPECT_EQ(Parse("P   12").host, 12);
  EXPECT_EQ(Parse("-p\t77").host, 77);
  // No word after the switch, or a word that is no number: no host.
  EXPECT_FALSE(Parse("/p").hasHost);
  EXPECT_FALSE(Parse("/p window").hasHost);
  EXPECT_FALSE(Parse("/p:4711").hasHost);
}

TEST(CommandLine, ImportTakesTheRestOfTheLineAsThePath) {
  const CommandLine quoted = Parse("/i \"C:\\a\\b\\my look.kvs\"");
  EXPECT_EQ(quoted.mode, SaverMode::kImport);
  EXPECT_STREQ(quoted.importPath, "\"C:\\a\\b\\my look.kvs\"");
  EXPECT_STREQ(Parse("-I C:\\x.kvs").importPath, "C:\\x.kvs");
  EXPECT_STREQ(Parse("i C:\\a\\b\\my look.kvs").importPath, "C:\\a\\b\\my look.kvs");
  // A switch with nothing after it has an empty path, never one past the end.
  EXPECT_STREQ(Parse("/i").importPath, "");
  EXPECT_STREQ(Parse("i").importPath, "");
  EXPECT_STREQ(Parse("/i ").importPath, "");
}

TEST(CommandLine, AnythingElseIsInvalid) {
  for (const char* line : {"/x", "-", "/", "x", "/ s", "--s", "?"}) {
    EXPECT_EQ(Parse(line).mode, SaverMode::kInvalid) << line;
  }
}

}  // namespace
