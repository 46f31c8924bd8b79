// Command-line pieces of the medium tool: sizes such as "650M", small
// integers, and the arguments of one command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Bytes, or a number followed by K, M or G (powers of 1,024, either case).
std::optional<uint64_t> parseSize(const std::string& text);
// A whole decimal number within [low, high].
std::optional<int> parseBoundedInt(const std::string& text, int low, int high);

// The words after the command name, split into options with their values
// and positional arguments, in order.
class CommandLine {
public:
    // `withValue` names the options that take a value ("--disc-size" ...);
    // "--help" and "-h" are always known.
    CommandLine(const std::vector<std::string>& words, const std::vector<std::string>& withValue);

    bool wantsHelp() const { return help_; }
    // The first problem met ("unknown option --x", "--level needs a value").
    const std::string& error() const { return error_; }
    const std::vector<std::string>& positional() const { return positional_; }
    // Every value given to an option, in order (an option may repeat).
    std::vector<std::string> values(const std::string& option) const;
    std::optional<std::string> last(const std::string& option) const;

private:
    bool help_ = false;
    std::string error_;
    std::vector<std::string> positional_;
    std::vector<std::pair<std::string, std::string>> options_;
};
