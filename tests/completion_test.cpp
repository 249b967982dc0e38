// The bash completion of tarnik-cli, run in bash as the shell runs it: every
// option the program takes a value for (so says its parser, and so must
// --help) completes as taking one, so that the value is never taken for the
// command; files and folders are offered where the value is one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "tests/test_files.h"

namespace tarnik::testing {
namespace {

const char* const Bash_Completion = "/usr/share/bash-completion/bash_completion";

std::vector<std::string> Output_Lines(const std::string& command) {
  std::vector<std::string> lines;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
      std::string line = buffer;
      if (!line.empty() && line.back() == '\n') line.pop_back();
      lines.push_back(line);
    }
    pclose(pipe);
  }
  return lines;
}

// The words bash hands a completion function for `line`: split at blanks,
// with each '=' a word of its own, and an empty word where the cursor is
// after a blank.
std::vector<std::string> Completion_Words(const std::string& line) {
  std::vector<std::string> words(1);
  for (const char c : line) {
    if (c == ' ') {
      words.emplace_back();
    } else if (c == '=') {
      if (!words.back().empty()) words.emplace_back();
      words.back() = "=";
      words.emplace_back();
    } else {
      words.back() += c;
    }
  }
  return words;
}

// What pressing Tab after `line` (the words after the program's name)
// offers, run in `folder`.
std::vector<std::string> Complete(const Temp_Dir& folder, const std::string& line) {
  const std::string cli = TARNIK_CLI_PATH;
  std::vector<std::string> words = Completion_Words(line);
  words.insert(words.begin(), cli);
  std::string script = "source " + std::string(Bash_Completion) + "\nsource " TARNIK_DATA_DIR
                       "/tarnik-cli.bash-completion\ncd '" + folder.Path().string() +
                       "'\nCOMP_LINE='" + cli + " " + line + "'\nCOMP_WORDS=(";
  for (const std::string& word : words) script += " '" + word + "'";
  script += ")\nCOMP_CWORD=" + std::to_string(words.size() - 1) +
            "\nCOMP_POINT=${#COMP_LINE}\n"
            "_tarnik_cli '" + cli + "' \"${COMP_WORDS[COMP_CWORD]}\" \"${COMP_WORDS[COMP_CWORD-1]}\"\n"
            "((${#COMPREPLY[@]})) && printf '%s\\n' \"${COMPREPLY[@]}\"\n";
  folder.Write("complete.sh", script);
  return Output_Lines("bash --norc --noprofile '" + folder.File("complete.sh") + "' 2>&1");
}

bool Offers(const std::vector<std::string>& replies, const std::string& word) {
  return std::find(replies.begin(), replies.end(), word) != replies.end();
}

struct Help_Option {
  std::string name;  // without a value: "--dat", "--simulate"
  bool shows_value;  // "--dat FILE": the value one blank after the option
};

std::vector<Help_Option> Options_In_Help() {
  std::vector<Help_Option> options;
  bool in_options = false;
  for (const std::string& line : Output_Lines(std::string(TARNIK_CLI_PATH) + " --help")) {
    if (line == "options:") in_options = true;
    if (line.empty()) in_options = false;
    if (!in_options || line.rfind("  -", 0) != 0) continue;
    const std::size_t end = line.find(' ', 2);
    const std::string word = line.substr(2, end - 2);
    options.push_back({word.substr(0, word.find_first_of("[=")),
                       end + 1 < line.size() && line[end + 1] != ' '});
  }
  return options;
}

class Completion : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Bash_Completion)) GTEST_SKIP() << "bash-completion is not installed";
    folder.Write("zzfile", "");
    std::filesystem::create_directory(folder.Path() / "zzdir");
  }
  Temp_Dir folder;
};

TEST_F(Completion, Every_Option_That_Takes_A_Value_Completes_As_One) {
  const std::vector<Help_Option> options = Options_In_Help();
  std::vector<std::string> taking_values;
  for (const Help_Option& option : options) {
    SCOPED_TRACE(option.name);
    // A switch alone is a whole command line without a command; an option
    // that takes a value is refused without one.
    const bool takes_value = !Parse_Options({option.name}, true).options;
    EXPECT_EQ(option.shows_value, takes_value);
    if (!takes_value) {
      EXPECT_TRUE(Offers(Complete(folder, option.name + " "), "probe"));
      continue;
    }
    taking_values.push_back(option.name);
    EXPECT_FALSE(Offers(Complete(folder, option.name + " "), "probe"));
    // After the value comes the command.
    const std::vector<std::string> after_value = Complete(folder, option.name + " v ");
    EXPECT_TRUE(Offers(after_value, "probe")) << ::testing::PrintToString(after_value);
    EXPECT_FALSE(Offers(after_value, "zzfile"));
    if (option.name.rfind("--", 0) == 0) {
      EXPECT_TRUE(Offers(Complete(folder, option.name + "=v "), "probe"));
    }
  }
  for (const char* named : {"--dat", "--roms", "--near-bits", "-d", "--trace", "--read-window"})
    EXPECT_TRUE(Offers(taking_values, named)) << named;
  EXPECT_TRUE(Offers(Complete(folder, "-d 82S129 read "), "zzfile"));
}

TEST_F(Completion, Values_Complete_As_What_They_Name) {
  const struct {
    std::string line;
    std::string offered;
    std::string not_offered;
  } cases[] = {
      {"--dat ", "zzfile", "probe"},
      {"--dat=", "zzfile", "probe"},
      {"--trace ", "zzfile", "probe"},
      {"--roms ", "zzdir", "zzfile"},
      {"--simulate=", "zzfile", "probe"},
      {"--simulate ", "probe", "zzfile"},
      {"--near-bits ", "", "zzfile"},
      {"-d ", "82S129", "zzfile"},
      {"--device ", "82S129", "zzfile"},
      {"--sim-part ", "none", "zzfile"},
      {"--to ", "motorola", "zzfile"},
      {"--type x ", "probe", "x"},
      {"--sim", "--sim-fault", "--dat"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const std::vector<std::string> replies = Complete(folder, c.line);
    if (c.offered.empty()) {
      EXPECT_TRUE(replies.empty()) << ::testing::PrintToString(replies);
    } else {
      EXPECT_TRUE(Offers(replies, c.offered)) << ::testing::PrintToString(replies);
    }
    EXPECT_FALSE(Offers(replies, c.not_offered));
  }
}

}  // namespace
}  // namespace tarnik::testing
