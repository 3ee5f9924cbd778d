// Path names, the option table, the parser and the help, against the tables in app.cases where
// a case fits on a line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/arg_parser.hpp"
#include "app/help.hpp"
#include "app/paths.hpp"
#include "app/run_args.hpp"
#include "tests/support/case_table.hpp"
#include "tests/support/console_capture.hpp"

namespace tessaro {
namespace {

using testing::ScopedConsoleCapture;

std::string Stored(const RunState& state) {
  // An output folder shows with a "/" after it.
  const std::string output = state.OutputFolder.empty() ? state.OutputPath : state.OutputFolder + "/";
  // A check and its report only where asked for.
  const std::string check = state.CheckOnly != 0 || !state.ReportPath.empty()
                                ? "|" + std::to_string(state.CheckOnly) + "|" + state.ReportPath
                                : "";
  return state.SourcePath + "|" + output + "|" + state.ScriptPath + "|" +
         std::to_string(state.TargetVersion) + "|" + std::to_string(state.RunError) + "|" +
         std::to_string(state.OptionFlags) + check;
}

// What the row's function gives, in the form of the table's expected cells.
std::vector<std::string> Evaluate(const std::string& kind, std::vector<std::string> given) {
  if (kind == "normalize") {
    NormalizePath(given[0]);
    return {given[0]};
  }
  if (kind == "split") {
    const PathParts parts = SplitPath(given[0]);
    return {parts.directory, parts.name};
  }
  if (kind == "match") return {MatchWildcard(given[0], given[1]) ? "yes" : "no"};
  if (kind == "output") return {OutputNameFor(given[0], std::stoi(given[1]))};
  ScopedConsoleCapture console;
  RunState state;
  if (kind == "value") {
    const CheckedValues checked = CheckArgValues("-Key", {given[1]}, given[0], state);
    EXPECT_EQ(state.RunError, checked.ok ? 0 : 1);
    return {checked.ok ? "ok" : "failed", checked.values.at(0), console.Text()};
  }
  ArgTable table;
  RegisterRunArgs(table, state);
  given.insert(given.begin(), "tessaro");
  const std::int32_t result = ParseCommandLine(given, table, state);
  const std::string parsing = ":: Parsing command line parameters\r\n";
  EXPECT_EQ(console.Text().substr(0, parsing.size()), parsing);
  return {std::to_string(result), console.Text().substr(parsing.size()), Stored(state)};
}

TEST(AppCasesTest, EveryRowGivesItsExpectedCells) {
  const std::vector<testing::CaseRow> rows = testing::ReadCases("app/app.cases");
  EXPECT_GT(rows.size(), 100u);
  for (const testing::CaseRow& row : rows) {
    const std::vector<std::string> given(row.given.begin() + 1, row.given.end());
    EXPECT_EQ(Evaluate(row.given[0], given), row.expected) << row.where;
  }
}

TEST(CheckArgValuesTest, EveryValueIsCheckedAfterAFailureAndExtraValuesFail) {
  ScopedConsoleCapture console;
  RunState state;
  CheckedValues result = CheckArgValues("-Key", {"abc", "e1", "9"}, "VER:From MAP:Name VER:To", state);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.values, (std::vector<std::string>{"abc", "e1.map", "9"}));
  result = CheckArgValues("-Key", {"a", "b"}, "MAP:File", state);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.values, (std::vector<std::string>{"a.map", "b"}));
  EXPECT_EQ(console.Text(),
            "-Key: <From> must be a value between 3 and 7\r\n-Key: <To> must be a value between 3 and 7\r\n"
            "-Key: <> must be \r\n");
}

ArgSetter Ignore() {
  return [](const std::vector<std::string>&) {};
}

// The abbreviation keeps capitals, digits and signs; the template's words count the values, and
// a number in its own canonical form makes a flag with that number. A target of the other kind
// leaves an entry the parser passes over.
TEST(RegisterArgTest, AbbreviationValueCountAndKind) {
  ArgTable table;
  std::uint32_t word = 0;
  RegisterArg(table, "  ", &word, "1", "discarded");
  RegisterArg(table, "  -SwapTiles  ", Ignore(), "  MAP:From MAP:To ", "d");  // takes the empty slot
  RegisterArg(table, "-x2Go", Ignore(), "", "");
  RegisterArg(table, "lower", &word, " 4 ", "d");
  RegisterArg(table, "-\xC4x", &word, "04", "d");
  std::string registered;
  for (const ArgDef& e : table.entries) {
    registered += e.keyword + "," + e.abbreviation + "," + e.template_ + "," + std::to_string(e.count) + "," +
                  e.description + (e.IsParameter() ? ",parameter" : "") + (e.target == &word ? ",flag" : "") + ";";
  }
  EXPECT_EQ(registered, "-SwapTiles,-ST,MAP:From MAP:To,2,d,parameter;-x2Go,-2G,,1,,parameter;lower,,,4,d,flag;"
                        "-\xC4x,-\xC4,04,1,d;");
  ScopedConsoleCapture console;
  RunState state;
  EXPECT_EQ(ParseCommandLine({"tessaro", "-\xC4x"}, table, state), 1);
  EXPECT_EQ(console.Text(), ":: Parsing command line parameters\r\n   Argument unknown: \"-\xC4x\"\r\n");
  FreeArgTable(table);
  EXPECT_TRUE(table.entries.empty());
}

// Flags apply once each, under one heading however many there are.
TEST(ParseCommandLineTest, FlagsShareOneHeading) {
  ArgTable table;
  std::uint32_t word = 0;
  RegisterArg(table, "-One", &word, "1", "first");
  RegisterArg(table, "-Two", &word, "4", "second");
  ScopedConsoleCapture console;
  RunState state;
  EXPECT_EQ(ParseCommandLine({"tessaro", "-t", "-o", "-T"}, table, state), 0);
  EXPECT_EQ(word, 5u);
  EXPECT_EQ(console.Text(), ":: Parsing command line parameters\r\n:: OPTIONS\r\n   second\r\n   first\r\n");
}

TEST(RegisterArgTest, CanonicalNumbersAndTemplateWords) {
  for (const char* text : {"1", "12", "0.5", "-3", "1e+20"}) EXPECT_TRUE(IsCanonicalNumber(text)) << text;
  for (const char* text : {"01", "1.0", " 1", "1 ", "+1", "MAP:File", ""}) EXPECT_FALSE(IsCanonicalNumber(text)) << text;
  // Past the last word nothing is read out of bounds; a label keeps any later colons.
  const std::string padded = "map:File VER:Version Plain FIL:a:b ";
  std::size_t pos = 0;
  std::string words;
  for (int n = 0; n < 5; ++n) {
    const TemplateWord word = NextTemplateWord(padded, pos);
    words += word.type + "=" + word.label + ";";
  }
  EXPECT_EQ(words, "MAP=File;VER=Version;PLAIN=Plain;FIL=a:b;=;");
}

// On a console the descriptions are reached by moving the cursor to four columns after the widest
// option; the missing-parameter line shows the usage in the same colours.
TEST(HelpTest, ColoursAndColumnOfEveryLine) {
  ScopedConsoleCapture console(80, 25);
  ArgTable table;
  RunState state;
  EXPECT_EQ(DescriptionColumn(table), 4);
  RegisterRunArgs(table, state);
  PrintHelp(table, state);
  EXPECT_EQ(console.Marked(),
            "Syntax: TESSARO.EXE [Commands]\r\n"
            "   <c15>-<c15>I<c7>n<c8> <File><c15><@2,24>Input .MAP file\r\n"
            "   <c15>-<c15>O<c7>u<c7>t<c8> <File><c15><@3,24>Output .MAP file\r\n"
            "   <c15>-<c15>V<c7>e<c7>r<c7>s<c7>i<c7>o<c7>n<c8> <Version><c15><@4,24>Output version number\r\n"
            "   <c15>-<c15>S<c7>w<c7>a<c7>p<c15>T<c7>i<c7>l<c7>e<c7>s<c8> <Script><c15><@5,24>"
            "Replace source tiles using a script\r\n"
            "   <c15>-<c15>R<c7>e<c7>p<c7>l<c7>a<c7>c<c7>e<c15><@6,24>Always overwrite existing files\r\n"
            "   <c15>-<c15>C<c7>h<c7>e<c7>c<c7>k<c15><@7,24>Check maps instead of converting them\r\n"
            "   <c15>-<c15>J<c7>s<c7>o<c7>n<c8> <File><c15><@8,24>Write the check as JSON Lines\r\n"
            "<c7>\r\nFor more information, please see the readme file.\r\n");
  ArgTable pair;
  RegisterArg(pair, "-Pair", Ignore(), "MAP:From VER:To", "d");
  RegisterArg(pair, "-Replace", &state.OptionFlags, "1", "d");
  EXPECT_EQ(DescriptionColumn(pair), 23);
  ScopedConsoleCapture usage(80, 25);
  for (const ArgDef& entry : pair.entries) PrintArgUsage(entry);
  EXPECT_EQ(usage.Marked(),
            "<c7>\"<c15>-<c15>P<c7>a<c7>i<c7>r<c8> <From> <To><c7>\"\r\n"
            "<c7>\"<c15>-<c15>R<c7>e<c7>p<c7>l<c7>a<c7>c<c7>e<c7>\"\r\n");
}

}  // namespace
}  // namespace tessaro
