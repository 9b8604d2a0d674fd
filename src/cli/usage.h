// Usage errors that name the word that was wrong, where the parser's own message would not.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace q7310::cli {

// The first word on the command line that is neither an option, an option's value, the FILE of
// a subcommand that takes one, nor a subcommand's name; empty when there is none.
std::string UnknownWord(const CLI::App& app, int argc, char** argv);

// "unknown operation 'WORD' (expected backup, update, restore, image, inspect, ports)": the
// subcommands in the order they were declared.
std::string UnknownOperationText(const CLI::App& app, const std::string& word);

// Accepts a port number, and says that a port is a number when given anything else.
CLI::Validator PortNumber();

}  // namespace q7310::cli
