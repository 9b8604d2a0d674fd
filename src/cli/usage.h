// Mistakes on the command line named in words the technician can act on. The parser's own
// messages say less: the value of an unknown option is taken for an unknown operation
// ("--baud 115200 backup" gave "unknown operation '115200'"), and a flag without an operation
// only says that "A subcommand is required".
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q7310::cli {

// The first mistake in `args` (the program's name first), read the way the parser reads them: an
// unknown option, with the closest known one ("unknown option '--prot'; did you mean --port?"),
// a word that names no operation, or no operation at all. Nothing when none of these is found
// (the parser's own message then stands).
std::optional<std::string> DescribeMistake(const CLI::App& app,
                                           const std::vector<std::string>& args);

// What to say after an unknown long option: "did you mean --port?" for a known option close to
// it (a slip of one or two letters, the start of a name, or a name people use for it), or a note
// of its own ("--baud": the line speed is fixed); empty when nothing is close.
std::string SuggestOption(const CLI::App& app, std::string_view option);

// "unknown operation 'WORD' (expected backup, update, restore, image, inspect, ports)": the
// subcommands in the order they were declared.
std::string UnknownOperationText(const CLI::App& app, const std::string& word);

// Whether `command` (image, inspect, ports) is the only subcommand on the command line; it runs
// only then, so that a usage error is the only output of a mix.
bool StandsAlone(const CLI::App& command);

// Accepts what --port takes (a number, COMn, a device), and says what it takes otherwise.
CLI::Validator PortForms();

// The help formatter of an operation: its own options, then the program's global options.
std::shared_ptr<CLI::Formatter> OperationHelpFormatter();

}  // namespace q7310::cli
