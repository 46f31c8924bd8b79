#include "uninstall_record.h"

#include <climits>
#include <new>

#include "common/formats.h"
#include "common/text.h"

namespace {

std::wstring removeAll(std::wstring text, const std::wstring& part) {
    if (part.empty()) {
        return text;
    }
    std::wstring out;
    size_t at = 0;
    for (size_t found; (found = text.find(part, at)) != std::wstring::npos;
         at = found + part.size()) {
        out.append(text, at, found - at);
    }
    out.append(text, at, std::wstring::npos);
    return out;
}

}  // namespace

std::wstring UninstallRecord::recordPath(const std::wstring& folder) const {
    std::wstring base = folder;
    if (!base.empty() && base.back() == L'\\') {
        base.pop_back();
    }
    return base + L"\\" + kFileName;
}

AppendResult UninstallRecord::AppendUninstallRecord(const std::wstring& folder, bool isFolder,
                                                    const std::wstring& path) {
    auto record = encodeUninstallRecord(utf16FromWide((isFolder ? L"FOLDER:" : L"FILE:") + path));
    if (!record) {
        return AppendResult::TooLong;
    }
    auto file = platform_.open(recordPath(folder), OpenMode::Append);
    if (!file) {
        return AppendResult::NotOpened;
    }
    return file->write(record->data(), record->size()) == record->size() ? AppendResult::Written
                                                                         : AppendResult::NotWritten;
}

UninstallRecordAppender::UninstallRecordAppender(Platform& platform, const std::wstring& folder)
    : platform_(platform), path_(folder) {
    if (!path_.empty() && path_.back() == L'\\') {
        path_.pop_back();
    }
    path_ += std::wstring(L"\\") + UninstallRecord::kFileName;
}

AppendResult UninstallRecordAppender::append(bool isFolder, const std::wstring& path) {
    auto record = encodeUninstallRecord(utf16FromWide((isFolder ? L"FOLDER:" : L"FILE:") + path));
    if (!record) {
        return AppendResult::TooLong;
    }
    if (!file_) {
        file_ = platform_.open(path_, OpenMode::Append);
        if (!file_) {
            return AppendResult::NotOpened;
        }
    }
    const bool written = file_->write(record->data(), record->size()) == record->size();
    return written && file_->flush(false) ? AppendResult::Written : AppendResult::NotWritten;
}

int UninstallRecord::CountUninstallRecords(const std::wstring& folder) {
    const std::wstring path = recordPath(folder);
    auto file = platform_.open(path, OpenMode::Read);
    auto size = file ? file->size() : std::nullopt;
    if (!size) {
        prompt_.showMessage(fillTextFormat(L"Failed to open %s", path), MessageIcon::None);
        return 0;
    }
    uint64_t count = *size / kUninstallRecordSize;
    return count > INT_MAX ? INT_MAX : static_cast<int>(count);
}

std::vector<std::wstring> UninstallRecord::LoadUninstallRecords(const std::wstring& folder,
                                                                ReopenFailure reopen) {
    const int count = CountUninstallRecords(folder);
    if (count <= 0) {
        return {};
    }
    const std::wstring path = recordPath(folder);
    auto file = platform_.open(path, OpenMode::Read);
    if (!file) {
        if (reopen == ReopenFailure::Report) {
            prompt_.showMessage(fillTextFormat(L"Failed to open %s", path), MessageIcon::None);
        }
        return {};
    }
    std::vector<std::wstring> records;
    try {
        records.reserve(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        prompt_.showMessage(L"Not enough memory!", MessageIcon::None);
        return {};
    }
    UninstallRecordBytes bytes{};
    // A file that shrank since it was counted ends the list early.
    for (int i = 0; i < count && file->read(bytes.data(), bytes.size()) == bytes.size(); ++i) {
        records.push_back(wideFromUtf16(decodeUninstallRecord(bytes.data())));
    }
    return records;
}

RecordAction interpretUninstallRecord(const std::wstring& text) {
    const size_t colon = text.find(L':');
    std::wstring type = colon == std::wstring::npos ? std::wstring() : text.substr(0, colon);
    std::wstring path = colon == std::wstring::npos ? text : text.substr(colon + 1);
    const size_t equals = text.find(L'=');
    if (equals != std::wstring::npos) {
        type = removeAll(type, text.substr(0, equals + 1));
    }
    if (text.empty()) {
        return {};
    }
    if (type == L"FILE") {
        return {RecordKind::File, path};
    }
    if (type == L"FOLDER") {
        return {RecordKind::Folder, path};
    }
    return {};
}
