// Fuzz target for the uninstall record reader: the input is uninstall.dat.
// Every record is read, interpreted, and written back: a text that fits a
// record must come back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/formats.h"
#include "common/text.h"
#include "common/uninstall_record.h"
#include "tests/fuzz/memory_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryPlatform platform;
    CountingPrompt prompt(0);
    const std::wstring folder = L"C:\\Games\\Fuzz";
    platform.files[folder + L"\\uninstall.dat"] =
        std::string(reinterpret_cast<const char*>(data), size);
    UninstallRecord records(platform, prompt);
    if (records.CountUninstallRecords(folder + L"\\") !=
        static_cast<int>(size / kUninstallRecordSize)) {
        std::abort();
    }
    auto texts = records.LoadUninstallRecords(folder);
    if (texts.size() != size / kUninstallRecordSize) {
        std::abort();
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        const RecordAction action = interpretUninstallRecord(texts[i]);
        if (action.kind != RecordKind::Skip && action.path.size() >= texts[i].size()) {
            std::abort();
        }
        const std::u16string units = decodeUninstallRecord(data + i * kUninstallRecordSize);
        auto encoded = encodeUninstallRecord(units);
        if (units.size() <= kMaxUninstallTextUnits) {
            if (!encoded || decodeUninstallRecord(encoded->data()) != units) {
                std::abort();
            }
        } else if (encoded) {
            std::abort();
        }
    }
    // Appending the texts again never writes past a record.
    MemoryPlatform copy;
    UninstallRecord again(copy, prompt);
    for (const auto& text : texts) {
        const bool folderRecord = text.rfind(L"FOLDER:", 0) == 0;
        const std::wstring path =
            text.substr(text.find(L':') == std::wstring::npos ? 0 : text.find(L':') + 1);
        (void)again.AppendUninstallRecord(folder, folderRecord, path);
    }
    if (copy.files[folder + L"\\uninstall.dat"].size() % kUninstallRecordSize != 0) {
        std::abort();
    }
    return 0;
}
