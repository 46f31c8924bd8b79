// The log of an unattended run: each step, every message a window would have
// shown and the result, one line each, as UTF-8 text with CR LF line ends.
// Each line is appended on its own (opened, written, closed), so that both
// stages of a program can write one log and nothing is lost if a stage ends
// abruptly.
#pragma once

#include <string>

#include "common/platform.h"

class RunLog {
public:
    // A log that writes nowhere.
    explicit RunLog(Platform& platform) : platform_(platform) {}
    // Writes into `path`: a fresh file, or one that goes on.
    RunLog(Platform& platform, std::wstring path, bool fresh);

    void write(const std::wstring& line);
    bool writes() const { return !path_.empty(); }
    const std::wstring& path() const { return path_; }

private:
    Platform& platform_;
    std::wstring path_;
};

// Message boxes of an unattended run: a message goes to the log, and every
// question gets the answer that stops safely, No, which the log says.
class LogPrompt : public UserPrompt {
public:
    explicit LogPrompt(RunLog& log) : log_(log) {}

    void showMessage(const std::wstring& text, MessageIcon icon) override;
    bool askYesNo(const std::wstring& text, MessageIcon icon) override;

private:
    RunLog& log_;
};
