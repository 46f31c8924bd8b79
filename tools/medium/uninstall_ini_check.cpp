#include "uninstall_ini_check.h"

#include <algorithm>
#include <set>
#include <utility>

#include "common/ini_file.h"
#include "common/registered_type.h"
#include "tools/medium/text_width.h"

namespace {

// The uninstall window is dialog 102 of uninstaller/uninstaller.rc; the
// rooms below are the widths of its controls there, in dialog units, less
// what each control keeps for itself. Change them together.
constexpr int kWindowWidth = 320;
// The icon, three caption buttons and the borders, and the caption font,
// which is wider than the dialog font.
constexpr int kTitleBarParts = 150;

constexpr wchar_t kInterface[] = L"interface";
constexpr wchar_t kError[] = L"error";

std::wstring lineText(size_t number) {
    return L"line " + std::to_wstring(number) + L": ";
}

bool isKnownSection(const std::wstring& name) {
    return name == kInterface || name == kError;
}

const UninstallTextKey* findKey(const std::wstring& section, const std::wstring& key) {
    const auto found = std::find_if(
        kUninstallTextKeys.begin(), kUninstallTextKeys.end(),
        [&](const UninstallTextKey& k) { return k.section == section && k.key == key; });
    return found == kUninstallTextKeys.end() ? nullptr : &*found;
}

std::wstring trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// The lines as the reader meets them: what it skips, what it never reaches
// and what it reads but the uninstaller does not use.
class LineWalk {
public:
    LineWalk(const std::wstring& path, Findings& findings) : path_(path), findings_(findings) {}

    void take(size_t number, const IniLineReader::Line& line) {
        const std::wstring& text = line.text;
        if (line.tooLong) {
            fault(lineText(number) + L"longer than " + std::to_wstring(IniFile::kMaxLineUnits) +
                  L" characters; the uninstaller skips it");
            return;
        }
        if (!brokenLineReported_ && text.find_first_of(L"\r\n") != std::wstring::npos) {
            brokenLineReported_ = true;
            fault(lineText(number) +
                  L"a line break that is not CR LF; the uninstaller reads the lines around it "
                  L"as one");
        }
        if (!text.empty() && text[0] == L'[') {
            section(number, text);
        } else if (text.find(L'=') != std::wstring::npos) {
            entry(number, text.substr(0, text.find(L'=')));
        } else if (!text.empty()) {
            warn(lineText(number) + L"\"" + text + L"\" is neither [section] nor key=value");
        }
    }

private:
    void section(size_t number, const std::wstring& text) {
        current_.clear();
        if (text.size() < 2 || text.back() != L']') {
            warn(lineText(number) + L"\"" + text +
                 L"\" is no section header, but ends the section before it");
            return;
        }
        const std::wstring name = text.substr(1, text.size() - 2);
        if (name == kRegisteredSection) {
            fault(lineText(number) + L"[" + name +
                  L"] is the installer's own: it adds the section after the install, and "
                  L"keys already there would pass for what it registered");
        } else if (!isKnownSection(name)) {
            warn(lineText(number) + L"unknown section [" + name +
                 L"]; the uninstaller reads nothing from it");
        } else if (!sections_.insert(name).second) {
            warn(lineText(number) + L"a second [" + name +
                 L"]; the uninstaller reads only the first");
        } else {
            current_ = name;
        }
        inSection_ = true;
    }

    void entry(size_t number, const std::wstring& key) {
        if (!inSection_) {
            warn(lineText(number) + key + L" stands before any section; nothing reads it");
            return;
        }
        if (current_.empty()) {
            return;  // in a section already warned of
        }
        if (findKey(current_, key) == nullptr) {
            std::wstring text = lineText(number) + L"unknown key \"" + key + L"\" in [" + current_ +
                                L"]; the uninstaller does not read it";
            if (findKey(current_, trimmed(key)) != nullptr) {
                text += L" (nothing is trimmed around \"=\")";
            }
            warn(text);
        } else if (!keys_.emplace(current_, key).second) {
            warn(lineText(number) + L"a second " + key + L" in [" + current_ +
                 L"]; the uninstaller reads the first");
        }
    }

    void fault(const std::wstring& text) { findings_.faults.push_back(path_ + L": " + text); }
    void warn(const std::wstring& text) { findings_.warnings.push_back(path_ + L": " + text); }

    const std::wstring& path_;
    Findings& findings_;
    bool brokenLineReported_ = false;
    bool inSection_ = false;
    std::wstring current_;  // a known section met first here; empty in any other
    std::set<std::wstring> sections_;
    std::set<std::pair<std::wstring, std::wstring>> keys_;  // section, key
};

// Each key the uninstaller reads, as it reads it, and whether its text fits.
void checkTexts(const IniIndex& ini, const std::wstring& path, Findings& findings) {
    for (const auto& key : kUninstallTextKeys) {
        const std::wstring name = L"[" + std::wstring(key.section) + L"] " + key.key;
        if (!ini.hasSection(key.section)) {
            continue;  // reported once for the section
        }
        const auto text = ini.find(key.section, key.key);
        if (!text) {
            if (key.required) {
                findings.faults.push_back(path + L": " + name + L" is missing; " + key.shownAs +
                                          L" would be empty");
            }
            continue;
        }
        if (text->empty() && key.required) {
            findings.warnings.push_back(path + L": " + name + L" is empty; " + key.shownAs +
                                        L" shows nothing");
        }
        const std::wstring warning = roomWarning(name, *text, key.shownAs, key.room);
        if (!warning.empty()) {
            findings.warnings.push_back(path + L": " + warning);
        }
    }
}

}  // namespace

// In the order of the installer's built-in file. The widths are those of the
// controls of dialog 102 in uninstaller/uninstaller.rc (see above).
const std::array<UninstallTextKey, 12> kUninstallTextKeys = {{
    {kInterface, L"delete_item_1", L"stage line 1 (control 1002)", 266, true},
    {kInterface, L"delete_item_2", L"stage line 2 (control 1003)", 266, true},
    {kInterface, L"delete_item_3", L"stage line 3 (control 1004)", 266, true},
    {kInterface, L"delete_all", L"the delete-all check box (control 1010)", 286 - kCheckBoxMark,
     true},
    {kInterface, L"progress_group", L"the progress frame's caption (control 1005)",
     292 - kGroupBoxInsets, true},
    {kInterface, L"button_ok", L"the start button (control 1)", 70 - kButtonEdges, true},
    {kInterface, L"button_cancel", L"the cancel button (control 2)", 70 - kButtonEdges, true},
    {kInterface, L"uninstall_group", L"the outer frame's caption (control 1001)",
     306 - kGroupBoxInsets, true},
    {kInterface, L"window_title", L"the window's title bar", kWindowWidth - kTitleBarParts, true},
    {kInterface, L"delete_all_ask", L"the question when delete-all is ticked", 0, true},
    {kInterface, L"exit_url", L"the address opened after the removal", 0, false},
    {kError, L"error_create_temp_file",
     L"the message when the uninstaller cannot copy itself to the temporary folder", 0, true},
}};

Findings checkUninstallIni(const std::vector<uint8_t>& bytes, const std::wstring& path,
                           Platform& platform) {
    Findings findings;
    const std::wstring encoding = nonUtf16Encoding(bytes);
    if (!encoding.empty()) {
        findings.faults.push_back(path + L": " + encoding +
                                  L"; the installer takes only UTF-16 little-endian with its "
                                  L"byte-order mark (FF FE)");
        return findings;
    }
    if (bytes.size() % 2 != 0) {
        findings.faults.push_back(path + L": ends in half a UTF-16 character");
    }
    LineWalk walk(path, findings);
    IniLineReader reader(bytes, platform);
    size_t number = 0;
    while (!reader.atEnd()) {
        auto line = reader.next();
        ++number;
        if (!line) {
            findings.faults.push_back(path + L": " + lineText(number) +
                                      L"the file ends before its CR LF; the uninstaller does "
                                      L"not read it");
            break;
        }
        walk.take(number, *line);
    }
    const IniIndex ini(bytes, platform);
    const std::pair<const wchar_t*, const wchar_t*> sections[] = {
        {kInterface, L"the installer refuses the file"},
        {kError, L"its message would be empty"},
    };
    for (const auto& [section, consequence] : sections) {
        if (!ini.hasSection(section)) {
            findings.faults.push_back(path + L": no [" + section + L"] section; " + consequence);
        }
    }
    checkTexts(ini, path, findings);
    return findings;
}
