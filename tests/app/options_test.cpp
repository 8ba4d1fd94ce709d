#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
  std::vector<std::string> arguments;  // argument 0 first
  bool result;
  bool inputFileFound;
  std::string inputFile;
  bool typCCFound;
  std::string typCC;
};

TEST(ExtractOptions, CutsValuesAtFixedIndexes) {
  const Case cases[] = {
      {{"Quonvel", R"(--InputFile=C:\logs\build.log)", "--TypCC=TriCore"},
       true,
       true,
       R"(C:\logs\build.log)",
       true,
       "TriCore"},
      {{"Quonvel", "--TypCC=tricore", "--InputFile=b.log"}, true, true, "b.log", true, "tricore"},
      {{"Quonvel", "--InputFile=", "--TypCC=TriCore"}, false, true, "", true, "TriCore"},
      {{"Quonvel", "--InputFile", "--TypCC=TriCore"}, false, true, "", true, "TriCore"},
      {{"Quonvel", "--InputFile:build.log", "--TypCCXTriCore"},
       true,
       true,
       "build.log",
       true,
       "TriCore"},
      {{"Quonvel", "x--InputFile=build.log", "--TypCC=T"}, true, true, "=build.log", true, "T"},
      {{"Quonvel", "--inputfile=build.log", "--TypCC=TriCore"}, false, false, "", true, "TriCore"},
      {{"Quonvel", "--InputFile=", "--InputFile=build.log", "--TypCC=TriCore"},
       false,
       true,
       "",
       true,
       "TriCore"},
      {{"Quonvel", "--TypCC="}, false, false, "", true, ""},
      {{"Quonvel", "--InputFile=a--TypCC=b.log", "--TypCC=TriCore"},
       true,
       true,
       "a--TypCC=b.log",
       true,
       "ile=a--TypCC=b.log"},
      {{"--InputFile=build.log", "--TypCC=TriCore"}, true, true, "build.log", true, "TriCore"},
      {{"Quonvel", "unrelated", "--TypCC= TriCore ", "x", "--InputFile=\"a b.log\""},
       true,
       true,
       "\"a b.log\"",
       true,
       " TriCore "},
      {{}, false, false, "", false, ""},
  };
  for (const Case& c : cases) {
    CmdLineOptions options;
    const bool result = ExtractOptions(options, c.arguments);
    const std::string where = c.arguments.size() > 1 ? c.arguments[1] : "(few arguments)";
    EXPECT_EQ(result, c.result) << where;
    EXPECT_EQ(options.InputFileFound, c.inputFileFound) << where;
    EXPECT_EQ(options.InputFile, c.inputFile) << where;
    EXPECT_EQ(options.TypCCFound, c.typCCFound) << where;
    EXPECT_EQ(options.TypCC, c.typCC) << where;
  }
}

TEST(ExtractOptions, KeepsTheOldTextWhenNothingIsCut) {
  CmdLineOptions options;
  options.InputFile = "kept.log";
  EXPECT_FALSE(ExtractOptions(options, {"Quonvel", "--InputFile="}));
  EXPECT_TRUE(options.InputFileFound);
  EXPECT_EQ(options.InputFile, "kept.log");
  EXPECT_FALSE(options.TypCCFound);
}

// The further options are whole arguments, and the command after "--" is
// no concern of the options: neither supplies --InputFile or --TypCC.
TEST(ExtractOptions, FurtherOptionsAreWholeArguments) {
  const struct {
    std::vector<std::string> arguments;
    std::string format, output, typCC;
    bool strict;
    std::vector<std::string> command;
  } cases[] = {
      {{"Quonvel", "--InputFile=a.log", "--TypCC=TriCore"}, "", "", "TriCore", false, {}},
      {{"Quonvel", "--InputFile=a--Format=gcc.log", "--TypCC=TriCore"},
       "",
       "",
       "TriCore",
       false,
       {}},
      {{"Quonvel", "--InputFile=a.log", "--TypCC=TriCore", "--Format=gcc", "--Format=sarif"},
       "gcc",
       "",
       "TriCore",
       true,
       {}},
      {{"Quonvel", "--Output=my--TypCC=x.txt", "--TypCC=TriCore", "--InputFile=a"},
       "",
       "my--TypCC=x.txt",
       "TriCore",
       true,
       {}},
      {{"--Format=sarif", "--InputFile=a.log", "--TypCC=TriCore"}, "", "", "TriCore", false, {}},
      {{"Quonvel", "--TypCC=TriCore", "--", "make", "--TypCC=x", "--Format=gcc", "--"},
       "",
       "",
       "TriCore",
       true,
       {"make", "--TypCC=x", "--Format=gcc", "--"}},
  };
  for (const auto& c : cases) {
    CmdLineOptions options;
    ExtractOptions(options, c.arguments);
    EXPECT_EQ(options.Format, c.format) << c.arguments[1];
    EXPECT_EQ(options.Output, c.output) << c.arguments[1];
    EXPECT_EQ(options.TypCC, c.typCC) << c.arguments[1];
    EXPECT_EQ(options.Strict, c.strict) << c.arguments[1];
    EXPECT_EQ(options.Command, c.command) << c.arguments[1];
  }
}

}  // namespace
