#include "common/run_log.h"

#include "common/text.h"

RunLog::RunLog(Platform& platform, std::wstring path, bool fresh)
    : platform_(platform), path_(std::move(path)) {
    if (fresh && !path_.empty()) {
        // A byte-order mark tells editors the text is UTF-8.
        writeWholeFile(platform_, path_, "\xEF\xBB\xBF", 3, Share::All);
    }
}

void RunLog::write(const std::wstring& line) {
    if (path_.empty()) {
        return;
    }
    const std::string bytes = utf8FromWide(line) + "\r\n";
    if (auto file = platform_.open(path_, OpenMode::Append, Share::All)) {
        file->write(bytes.data(), bytes.size());
    }
}

void LogPrompt::showMessage(const std::wstring& text, MessageIcon) {
    log_.write(L"Message: " + text);
}

bool LogPrompt::askYesNo(const std::wstring& text, MessageIcon) {
    log_.write(L"Question: " + text);
    log_.write(L"Answer: No (an unattended run takes the answer that stops safely)");
    return false;
}
