#include "terminal.h"

#include <cstdio>
#include <istream>
#include <ostream>

#ifdef _WIN32
#include <io.h>
#define CKV_ISATTY _isatty
#define CKV_FILENO _fileno
#else
#include <unistd.h>
#define CKV_ISATTY isatty
#define CKV_FILENO fileno
#endif

#include "common/text.h"
#include "tools/medium/host_path.h"

bool stdinIsTerminal() {
    return CKV_ISATTY(CKV_FILENO(stdin)) != 0;
}
bool stderrIsTerminal() {
    return CKV_ISATTY(CKV_FILENO(stderr)) != 0;
}

void Console::error(const std::wstring& text) {
    err << "medium: " << utf8FromWide(text) << "\n";
}

void Console::warning(const std::wstring& text) {
    err << "medium: warning: " << utf8FromWide(text) << "\n";
}

void Console::note(const std::wstring& text) {
    err << utf8FromWide(text) << "\n";
}

bool Console::readLine(std::string& line) {
    if (!std::getline(in, line)) {
        return false;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

// The messages come from the installer's code: their paths are shown with
// the host's separator.
void TerminalPrompt::showMessage(const std::wstring& text, MessageIcon) {
    ++messages_;
    console_.error(withHostSeparators(text));
}

bool TerminalPrompt::askYesNo(const std::wstring& text, MessageIcon) {
    if (!console_.interactive) {
        ++messages_;
        console_.error(withHostSeparators(text) + L" (no terminal to answer: No)");
        return false;
    }
    console_.err << utf8FromWide(withHostSeparators(text)) << " [y/N] " << std::flush;
    std::string answer;
    return console_.readLine(answer) && !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

ProgressBar::ProgressBar(Console& console, std::string label, uint64_t total)
    : console_(console), label_(std::move(label)), total_(total) {}

ProgressBar::~ProgressBar() {
    clear();
}

void ProgressBar::advance(uint64_t amount) {
    done_ += amount;
    draw(false);
}

void ProgressBar::clear() {
    if (drawn_) {
        draw(true);
        console_.err << "\n" << std::flush;
        drawn_ = false;
        shownPercent_ = -1;
    }
}

void ProgressBar::draw(bool force) {
    if (!console_.showProgress) {
        return;
    }
    const int percent =
        total_ == 0 ? 100
                    : static_cast<int>(static_cast<double>(done_ > total_ ? total_ : done_) *
                                       100.0 / static_cast<double>(total_));
    const auto now = std::chrono::steady_clock::now();
    if (!force && (percent == shownPercent_ || now - lastDraw_ < std::chrono::milliseconds(100))) {
        return;
    }
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    console_.err << "\r" << label_ << " [" << std::string(static_cast<size_t>(filled), '#')
                 << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << percent
                 << "% " << (done_ >> 20) << "/" << (total_ >> 20) << " MiB" << std::flush;
    shownPercent_ = percent;
    lastDraw_ = now;
    drawn_ = true;
}
