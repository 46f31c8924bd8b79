// Where the medium tool talks to its user: two output streams, the input for
// questions, and whether a person sits at a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "common/platform.h"

struct Console {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool interactive = false;   // questions are asked on `in`; otherwise answered No
    bool showProgress = false;  // progress bars are drawn on `err`

    void error(const std::wstring& text);
    // Something that may be meant, or that a person should look at; no fault.
    void warning(const std::wstring& text);
    void note(const std::wstring& text);
    // One line from `in`; nothing at its end.
    bool readLine(std::string& line);
};

bool stdinIsTerminal();
bool stderrIsTerminal();

// Message boxes of the engine, as lines on the error stream; questions are
// put to the person at the terminal, or answered No without one, so that an
// unattended run fails instead of waiting.
class TerminalPrompt : public UserPrompt {
public:
    explicit TerminalPrompt(Console& console) : console_(console) {}

    void showMessage(const std::wstring& text, MessageIcon icon) override;
    bool askYesNo(const std::wstring& text, MessageIcon icon) override;

    int messages() const { return messages_; }

private:
    Console& console_;
    int messages_ = 0;
};

// A one-line bar on the error stream, redrawn when the whole percentage
// changes and at most ten times a second.
class ProgressBar {
public:
    ProgressBar(Console& console, std::string label, uint64_t total);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void advance(uint64_t amount);
    // Leaves the line, so that messages start on a fresh one.
    void clear();

private:
    void draw(bool force);

    Console& console_;
    std::string label_;
    uint64_t total_;
    uint64_t done_ = 0;
    int shownPercent_ = -1;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_;
};
