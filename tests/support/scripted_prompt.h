// A UserPrompt for tests: answers questions from a list, in order, and
// records every message and question it was shown.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/platform.h"

class ScriptedPrompt : public UserPrompt {
public:
    struct Shown {
        std::wstring text;
        MessageIcon icon;
        bool question;
    };

    explicit ScriptedPrompt(std::deque<bool> answers = {}) : answers_(std::move(answers)) {}

    void showMessage(const std::wstring& text, MessageIcon icon) override {
        shown.push_back({text, icon, false});
    }
    // With no scripted answer left, every further question is answered No.
    bool askYesNo(const std::wstring& text, MessageIcon icon) override {
        shown.push_back({text, icon, true});
        if (answers_.empty()) {
            return false;
        }
        bool answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    std::vector<std::wstring> texts() const {
        std::vector<std::wstring> out;
        for (const auto& s : shown) {
            out.push_back(s.text);
        }
        return out;
    }

    std::vector<Shown> shown;

private:
    std::deque<bool> answers_;
};
