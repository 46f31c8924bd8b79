#include "options.h"

#include <algorithm>
#include <limits>

std::optional<uint64_t> parseSize(const std::string& text) {
    size_t digits = 0;
    uint64_t value = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        const uint64_t digit = static_cast<uint64_t>(text[digits] - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    if (digits == 0 || digits + 1 < text.size()) {
        return std::nullopt;
    }
    unsigned shift = 0;
    if (digits < text.size()) {
        switch (text[digits]) {
            case 'k':
            case 'K':
                shift = 10;
                break;
            case 'm':
            case 'M':
                shift = 20;
                break;
            case 'g':
            case 'G':
                shift = 30;
                break;
            default:
                return std::nullopt;
        }
    }
    if (shift != 0 && value > (std::numeric_limits<uint64_t>::max() >> shift)) {
        return std::nullopt;
    }
    return value << shift;
}

std::optional<int> parseBoundedInt(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int value = std::stoi(text);
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

CommandLine::CommandLine(const std::vector<std::string>& words,
                         const std::vector<std::string>& withValue) {
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            help_ = true;
            continue;
        }
        if (word.size() < 2 || word[0] != '-') {
            positional_.push_back(word);
            continue;
        }
        std::string name = word;
        std::optional<std::string> value;
        const size_t equals = word.find('=');
        if (equals != std::string::npos) {
            name = word.substr(0, equals);
            value = word.substr(equals + 1);
        }
        if (std::find(withValue.begin(), withValue.end(), name) == withValue.end()) {
            if (error_.empty()) {
                error_ = "unknown option " + name;
            }
            continue;
        }
        if (!value) {
            if (i + 1 >= words.size()) {
                if (error_.empty()) {
                    error_ = name + " needs a value";
                }
                continue;
            }
            value = words[++i];
        }
        options_.emplace_back(name, *value);
    }
}

std::vector<std::string> CommandLine::values(const std::string& option) const {
    std::vector<std::string> out;
    for (const auto& [name, value] : options_) {
        if (name == option) {
            out.push_back(value);
        }
    }
    return out;
}

std::optional<std::string> CommandLine::last(const std::string& option) const {
    auto all = values(option);
    if (all.empty()) {
        return std::nullopt;
    }
    return all.back();
}
