#include "common/command_switches.h"

#include <cwctype>

namespace {

struct Token {
    std::wstring text;  // quotes removed
    bool quoted = false;
};

// Splits at blanks outside quotes; a quote toggles and is dropped.
std::vector<Token> tokens(const std::wstring& line) {
    std::vector<Token> out;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) {
            ++at;
        }
        if (at >= line.size()) {
            break;
        }
        Token token;
        bool inQuotes = false;
        for (; at < line.size() && (inQuotes || (line[at] != L' ' && line[at] != L'\t')); ++at) {
            if (line[at] == L'"') {
                inQuotes = !inQuotes;
                token.quoted = true;
            } else {
                token.text.push_back(line[at]);
            }
        }
        out.push_back(std::move(token));
    }
    return out;
}

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    }
    return text;
}

bool isSwitch(const Token& token) {
    return !token.text.empty() && token.text[0] == L'/';
}

}  // namespace

bool CommandSwitches::any() const {
    return silent || targetFolder || logPath || verify || run || deleteAll || !unknown.empty();
}

std::wstring CommandSwitches::argument(size_t index) const {
    return index < arguments.size() ? arguments[index] : std::wstring();
}

CommandSwitches parseCommandSwitches(const std::wstring& line, SwitchSet known) {
    const bool installer = known == SwitchSet::Installer;
    CommandSwitches switches;
    const std::vector<Token> all = tokens(line);
    for (size_t i = 0; i < all.size(); ++i) {
        const Token& token = all[i];
        if (!isSwitch(token)) {
            switches.arguments.push_back(token.text);
            continue;
        }
        const size_t equals = token.text.find(L'=');
        const std::wstring name = upper(
            token.text.substr(1, equals == std::wstring::npos ? std::wstring::npos : equals - 1));
        if (equals != std::wstring::npos && (name == L"LOG" || (installer && name == L"D"))) {
            std::wstring value = token.text.substr(equals + 1);
            // Unquoted blanks: the value goes on up to the next switch.
            while (!token.quoted && i + 1 < all.size() && !isSwitch(all[i + 1])) {
                value += L" " + all[++i].text;
            }
            (name == L"LOG" ? switches.logPath : switches.targetFolder) = value;
        } else if (equals == std::wstring::npos && name == L"S") {
            switches.silent = true;
        } else if (equals == std::wstring::npos && installer && name == L"VERIFY") {
            switches.verify = true;
        } else if (equals == std::wstring::npos && installer && name == L"RUN") {
            switches.run = true;
        } else if (equals == std::wstring::npos && !installer && name == L"DELETEALL") {
            switches.deleteAll = true;
        } else {
            switches.unknown.push_back(token.text);
        }
    }
    return switches;
}

std::wstring switchesCommandLine(const CommandSwitches& switches) {
    std::wstring line;
    auto add = [&line](const std::wstring& part) {
        if (!line.empty()) {
            line += L' ';
        }
        line += part;
    };
    if (switches.silent) {
        add(L"/S");
    }
    if (switches.targetFolder) {
        add(L"/D=\"" + *switches.targetFolder + L"\"");
    }
    if (switches.logPath) {
        add(L"/LOG=\"" + *switches.logPath + L"\"");
    }
    if (switches.verify) {
        add(L"/VERIFY");
    }
    if (switches.run) {
        add(L"/RUN");
    }
    if (switches.deleteAll) {
        add(L"/DELETEALL");
    }
    return line;
}

std::wstring commandLineAfterProgram(const std::wstring& line) {
    size_t at = 0;
    while (at < line.size() && line[at] == L' ') {
        ++at;
    }
    if (at < line.size() && line[at] == L'"') {
        const size_t close = line.find(L'"', at + 1);
        at = close == std::wstring::npos ? line.size() : close + 1;
    } else {
        while (at < line.size() && line[at] != L' ' && line[at] != L'\t') {
            ++at;
        }
    }
    return line.substr(at);
}
