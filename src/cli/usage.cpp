#include "cli/usage.h"

#include <algorithm>
#include <cctype>

#include "app/texts.h"

namespace q7310::cli {
namespace {

constexpr int kMaxPortNumber = 9999;

const CLI::Option* FindOption(const CLI::App& app, const std::string& name) {
  if (const CLI::Option* option = app.get_option_no_throw(name)) return option;
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (const CLI::Option* option = sub->get_option_no_throw(name)) return option;
  }
  return nullptr;
}

}  // namespace

std::string UnknownWord(const CLI::App& app, int argc, char** argv) {
  const CLI::App* current = nullptr;
  size_t positionalsLeft = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.size() > 1 && word[0] == '-') {
      if (word.find('=') != std::string::npos) continue;
      const CLI::Option* option = FindOption(app, word);
      if (option != nullptr && option->get_items_expected_min() > 0) ++i;
      continue;
    }
    if (positionalsLeft > 0) {
      --positionalsLeft;
      continue;
    }
    const CLI::App* sub = nullptr;
    for (const CLI::App* candidate : app.get_subcommands({})) {
      if (candidate->get_name() == word) sub = candidate;
    }
    if (sub == nullptr) return word;
    current = sub;
    positionalsLeft = 0;
    for (const CLI::Option* option : current->get_options()) {
      if (option->get_positional()) ++positionalsLeft;
    }
  }
  return {};
}

std::string UnknownOperationText(const CLI::App& app, const std::string& word) {
  std::string names;
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (!names.empty()) names += ", ";
    names += sub->get_name();
  }
  return std::string(texts::kUsageUnknownOperation) + " '" + word + "' (" +
         std::string(texts::kUsageExpected) + " " + names + ")";
}

CLI::Validator PortNumber() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        const bool digits = !value.empty() && value.size() <= 4 &&
                            std::all_of(value.begin(), value.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
        if (!digits || std::stoi(value) > kMaxPortNumber) {
          return "'" + value + "': " + std::string(texts::kUsagePortIsANumber);
        }
        return {};
      },
      "PORT");
}

}  // namespace q7310::cli
