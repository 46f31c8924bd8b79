#include "installer/engine/file_verification.h"

#include "common/relative_name.h"
#include "common/text.h"

std::optional<CheckList> CheckList::open(Platform& platform, const std::wstring& path) {
    auto file = platform.open(path, OpenMode::Read);
    if (!file) {
        return std::nullopt;
    }
    const uint64_t size = file->size().value_or(0);
    return CheckList(std::move(file), static_cast<size_t>(size / kCheckEntrySize));
}

std::optional<CheckEntry> CheckList::next() {
    CheckEntry::Bytes record{};
    if (file_->read(record.data(), record.size()) != record.size()) {
        return std::nullopt;
    }
    return CheckEntry::parse(record.data());
}

bool InstalledFileMatches(Platform& platform, UserPrompt& prompt, const std::wstring& targetFolder,
                          const CheckEntry& entry, const HashProgress& progress) {
    const std::wstring name = wideFromUtf16(entry.name);
    if (!isSafeRelativeName(name)) {
        return false;
    }
    // A fresh result per record: a file that gives no digest is never
    // compared with the digest of the file before it.
    const auto digest =
        HashInstalledFileMd5(platform, prompt, targetFolder + L"\\" + name, progress);
    return digest && !digest->empty() &&
           platform.wideFromAnsi(*digest) == wideFromUtf16(entry.digest);
}

std::vector<std::wstring> reportNamePieces(const std::wstring& name) {
    const std::wstring line = name + L" ... ";
    std::vector<std::wstring> pieces;
    for (size_t at = 0; at < line.size(); at += kMaxReportPiece) {
        pieces.push_back(line.substr(at, kMaxReportPiece));
    }
    return pieces;
}

std::wstring reportText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) {
            out += L'\r';
        }
        out += text[i];
    }
    return out;
}

VerificationEnd VerifyInstalledFiles(Platform& platform, UserPrompt& prompt,
                                     const std::wstring& mediumFolder,
                                     const std::wstring& targetFolder,
                                     const FileVerificationTexts& texts,
                                     FileVerificationView& view) {
    const std::wstring listPath = mediumFolder + L"\\check.md";
    auto list = CheckList::open(platform, listPath);
    if (!list) {
        prompt.showMessage(fillTextFormat(L"Failed to open file %s", listPath), MessageIcon::Stop);
        return VerificationEnd::ListNotOpened;
    }
    const size_t count = list->count();
    view.showOverallProgress(0);
    for (size_t i = 0; i < count; ++i) {
        const auto entry = list->next();
        if (!entry) {
            view.listDone();
            return VerificationEnd::RecordNotRead;
        }
        const std::wstring name = wideFromUtf16(entry->name);
        for (const std::wstring& piece : reportNamePieces(name)) {
            view.append(piece);
        }
        const bool matches =
            InstalledFileMatches(platform, prompt, targetFolder, *entry,
                                 [&view](int percent) { view.showFileProgress(percent); });
        if (matches) {
            view.append(kReportOk);
        } else if (!prompt.askYesNo(fillTextFormat(texts.mismatchQuestion, name),
                                    MessageIcon::Question)) {
            view.listDone();
            return VerificationEnd::StoppedAtMismatch;
        } else {
            view.append(kReportFailed);
        }
        if (view.cancelRequested()) {
            return VerificationEnd::Cancelled;
        }
        view.showOverallProgress(
            static_cast<int>(static_cast<double>(i + 1) / static_cast<double>(count) * 100.0));
    }
    view.listDone();
    view.append(reportText(texts.reportEnd));
    prompt.showMessage(texts.doneMessage, MessageIcon::None);
    return VerificationEnd::Finished;
}
