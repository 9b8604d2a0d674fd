#include "cli/usage.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "app/port_choice.h"
#include "app/texts.h"

namespace q7310::cli {
namespace {

// Names people try for an option, and what to say to them. An empty suggestion: say `note`.
struct OptionHint {
  std::string_view typed;
  std::string_view suggestion;
  std::string_view note;
};
constexpr std::array kOptionHints = {
    OptionHint{"baud", "", texts::kUsageFixedSpeed},
    OptionHint{"baudrate", "", texts::kUsageFixedSpeed},
    OptionHint{"baud-rate", "", texts::kUsageFixedSpeed},
    OptionHint{"speed", "", texts::kUsageFixedSpeed},
    OptionHint{"bitrate", "", texts::kUsageFixedSpeed},
    OptionHint{"bps", "", texts::kUsageFixedSpeed},
    OptionHint{"tty", "--port", ""},
    OptionHint{"com", "--port", ""},
    OptionHint{"com-port", "--port", ""},
    OptionHint{"serial", "--port", ""},
    OptionHint{"serial-port", "--port", ""},
    OptionHint{"line", "--port", ""},
    OptionHint{"folder", "--dir", ""},
    OptionHint{"directory", "--dir", ""},
    OptionHint{"workdir", "--dir", ""},
    OptionHint{"timeout", "--reply-timeout", ""},
    OptionHint{"log", "--trace", ""},
    OptionHint{"force", "--yes", ""},
    OptionHint{"assume-yes", "--yes", ""},
    OptionHint{"non-interactive", "--yes", ""},
    OptionHint{"batch", "--yes", ""},
    OptionHint{"silent", "--quiet", ""},
    OptionHint{"debug", "--verbose", ""},
};

// A slip of at most this many letters is taken for the option it is closest to, when the name
// is at least twice as long.
constexpr size_t kMaxSlip = 2;

// Edits (insert, delete, replace, swap two neighbours) that turn `a` into `b`.
size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// Every long option name of the program and its subcommands, without dashes.
std::vector<std::string> LongNames(const CLI::App& app) {
  std::vector<std::string> names;
  const auto add = [&names](const CLI::App& from) {
    for (const CLI::Option* option : from.get_options()) {
      for (const std::string& name : option->get_lnames()) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
      }
    }
  };
  add(app);
  for (const CLI::App* sub : app.get_subcommands({})) add(*sub);
  return names;
}

// The option `name` ("--port", "-p") of `current` or of the program; null when neither has it.
const CLI::Option* FindOption(const CLI::App& app, const CLI::App& current,
                              const std::string& name) {
  if (const CLI::Option* option = current.get_option_no_throw(name)) return option;
  return app.get_option_no_throw(name);
}

bool TakesValue(const CLI::Option* option) {
  return option->get_items_expected_min() > 0;
}

std::string UnknownOptionText(const CLI::App& app, std::string_view option) {
  std::string text = std::string(texts::kUsageUnknownOption) + " '" + std::string(option) + "'";
  const std::string suggestion = SuggestOption(app, option);
  if (!suggestion.empty()) text += "; " + suggestion;
  return text;
}

// "(expected backup, update, …, ports)": the subcommands in the order they were declared.
std::string ExpectedNames(const CLI::App& app) {
  std::string names;
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (!names.empty()) names += ", ";
    names += sub->get_name();
  }
  return "(" + std::string(texts::kUsageExpected) + " " + names + ")";
}

std::string NoOperationText(const CLI::App& app) {
  return std::string(texts::kUsageNoOperation) + " " + ExpectedNames(app);
}

const CLI::App* FindSubcommand(const CLI::App& app, const std::string& name) {
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (sub->get_name() == name) return sub;
  }
  return nullptr;
}

// The help of an operation, with the program's options after its own.
class OperationHelp : public CLI::Formatter {
 public:
  std::string make_footer(const CLI::App* app) const override {
    const CLI::App* parent = app->get_parent();
    if (parent == nullptr) return CLI::Formatter::make_footer(app);
    const std::vector<const CLI::Option*> global =
        parent->get_options([parent](const CLI::Option* option) {
          return !option->get_group().empty() && option->nonpositional() &&
                 option != parent->get_help_ptr();
        });
    // The group's text starts with a blank line; the options above end with one already.
    const std::string group = make_group(std::string(texts::kHelpGlobalOptions), false, global);
    return group.substr(1) + "\n" + CLI::Formatter::make_footer(app);
  }
};

}  // namespace

std::string SuggestOption(const CLI::App& app, std::string_view option) {
  std::string typed = Lower(option.substr(0, option.find('=')));
  typed.erase(0, typed.find_first_not_of('-'));
  if (typed.empty()) return {};
  const std::string didYouMean = std::string(texts::kUsageDidYouMean) + " ";
  for (const OptionHint& hint : kOptionHints) {
    if (typed != hint.typed) continue;
    return hint.suggestion.empty() ? std::string(hint.note)
                                   : didYouMean + std::string(hint.suggestion) + "?";
  }
  const std::vector<std::string> names = LongNames(app);
  // "-port" or "--Port": the name itself, with the wrong dashes or letters' case.
  // "--dev": the start of one name only.
  std::vector<std::string> starts;
  for (const std::string& name : names) {
    if (name == typed) return didYouMean + "--" + name + "?";
    if (name.rfind(typed, 0) == 0) starts.push_back(name);
  }
  if (starts.size() == 1) return didYouMean + "--" + starts.front() + "?";
  std::string best;
  size_t bestDistance = kMaxSlip + 1;
  for (const std::string& name : names) {
    const size_t distance = EditDistance(typed, name);
    if (distance < bestDistance && distance * 2 <= name.size()) {
      best = name;
      bestDistance = distance;
    }
  }
  return best.empty() ? std::string() : didYouMean + "--" + best + "?";
}

std::optional<std::string> DescribeMistake(const CLI::App& app,
                                           const std::vector<std::string>& args) {
  const CLI::App* current = &app;
  size_t positionalsLeft = 0;
  bool operationNamed = false;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (!optionsEnded && word == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && word.size() > 1 && word[0] == '-') {
      if (word[1] == '-') {
        const std::string name = word.substr(0, word.find('='));
        const CLI::Option* option = FindOption(app, *current, name);
        if (option == nullptr) return UnknownOptionText(app, name);
        if (TakesValue(option) && word.find('=') == std::string::npos) ++i;
        continue;
      }
      // Short options, perhaps several in one word ("-qy"); one that takes a value takes the
      // rest of the word, or the next word.
      for (size_t j = 1; j < word.size(); ++j) {
        const CLI::Option* option = FindOption(app, *current, std::string("-") + word[j]);
        if (option == nullptr) {
          // "-port": a long option with one dash; "-x": an unknown letter.
          const bool longName = word.size() > 2 && j == 1;
          return UnknownOptionText(app, longName ? word : std::string("-") + word[j]);
        }
        if (TakesValue(option)) {
          if (j + 1 == word.size()) ++i;
          break;
        }
      }
      continue;
    }
    if (positionalsLeft > 0) {
      --positionalsLeft;
      continue;
    }
    const CLI::App* sub = FindSubcommand(app, word);
    if (sub == nullptr) return UnknownOperationText(app, word);
    current = sub;
    operationNamed = true;
    positionalsLeft =
        sub->get_options([](const CLI::Option* o) { return o->get_positional(); }).size();
  }
  if (!operationNamed) return NoOperationText(app);
  return std::nullopt;
}

std::string UnknownOperationText(const CLI::App& app, const std::string& word) {
  return std::string(texts::kUsageUnknownOperation) + " '" + word + "' " + ExpectedNames(app);
}

bool StandsAlone(const CLI::App& command) {
  const CLI::App* parent = command.get_parent();
  return parent == nullptr || parent->get_subcommands().size() == 1;
}

CLI::Validator PortForms() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        if (ParsePortName(value)) return {};
        return "'" + value + "': " + std::string(texts::kUsagePortForms);
      },
      "PORT");
}

std::shared_ptr<CLI::Formatter> OperationHelpFormatter() {
  return std::make_shared<OperationHelp>();
}

}  // namespace q7310::cli
