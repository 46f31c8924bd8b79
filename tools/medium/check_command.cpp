#include <algorithm>
#include <map>
#include <ostream>

#include "common/forwarding_platform.h"
#include "common/ini_file.h"
#include "common/md5_digest.h"
#include "common/ordered_jobs.h"
#include "common/relative_name.h"
#include "common/text.h"
#include "installer/engine/file_hash.h"
#include "installer/engine/file_verification.h"
#include "installer/engine/install_config.h"
#include "installer/engine/zip_file_package.h"
#include "tools/medium/commands.h"
#include "tools/medium/disc_set.h"
#include "tools/medium/host_path.h"
#include "tools/medium/options.h"
#include "tools/medium/package_index.h"
#include "tools/medium/install_ini_texts.h"
#include "tools/medium/uninstall_ini_check.h"

namespace {

const char kCheckHelp[] =
    "usage: medium check MEDIUM_DIR [--disc DIR]... [--jobs N]\n"
    "\n"
    "Checks a medium as the installer will read it: the header and its version, the\n"
    "whole package stream with every chunk inflated (nothing is written), every entry\n"
    "name, the [md5code] digests of install.ini against the packages, install.ini\n"
    "declaring at least 55 texts, check.md against the files in the packages, and\n"
    "uninstall.ini, the uninstaller's texts: UTF-16 with its byte-order mark, every\n"
    "key the uninstaller reads, lines it would skip, and keys it does not read.\n"
    "Every fault is reported; the exit status is 1 when there is any. Warnings name\n"
    "what may be meant but should be looked at (unknown keys, texts of install.ini\n"
    "and uninstall.ini estimated too wide for their controls, no uninstall.ini);\n"
    "they leave the exit status alone.\n"
    "\n"
    "  --disc DIR   the folder of a further disc (repeatable), so that the folders\n"
    "               that go to the plant are checked as they are: a package that is\n"
    "               not where the one before it was is looked for in MEDIUM_DIR and\n"
    "               these folders, in order, and one on none of them is a fault; each\n"
    "               disc must carry the same check.md as MEDIUM_DIR\n"
    "  --jobs N     packages hashed at once (default: one per core); the faults come\n"
    "               in the same order all the same\n";

// Every message the reader would show becomes a fault; questions are
// answered No, so that a damaged stream ends the walk.
class FaultPrompt : public UserPrompt {
public:
    explicit FaultPrompt(std::vector<std::wstring>& faults) : faults_(faults) {}
    void showMessage(const std::wstring& text, MessageIcon) override {
        faults_.push_back(withHostSeparators(text));
    }
    bool askYesNo(const std::wstring& text, MessageIcon icon) override {
        showMessage(text, icon);
        return false;
    }

private:
    std::vector<std::wstring>& faults_;
};

// Nothing is written, so the target disk's free space does not matter.
class NoDiskPlatform : public ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;
    std::optional<uint64_t> freeBytes(const std::wstring&) override { return std::nullopt; }
};

// The digest of every file's inflated data, by name, in stream order.
struct InflatedFiles {
    std::vector<std::pair<std::wstring, std::string>> digests;
    std::wstring current;
    Md5Digest digest;
    ProgressBar* progress = nullptr;
};

int onCreate(void* context, int isFolder, uint32_t, const std::wstring&, const std::wstring& name) {
    auto& files = *static_cast<InflatedFiles*>(context);
    if (!isFolder) {
        files.current = name;
        files.digest = Md5Digest();
    }
    return 1;
}

int onWrite(void* context, const uint8_t* data, size_t length) {
    auto& files = *static_cast<InflatedFiles*>(context);
    files.digest.update(data, length);
    files.progress->advance(length);
    return 1;
}

int onEnd(void* context) {
    auto& files = *static_cast<InflatedFiles*>(context);
    files.digest.finish();
    files.digests.emplace_back(files.current, files.digest.toText());
    return 1;
}

// The reader takes each next package from the disc that holds it. One that
// no disc holds stops the walk; the index has named it already. True when
// the walk reached the end of the stream.
bool walkStream(Platform& platform, Console& console, const DiscSet& discs, InflatedFiles& files,
                std::vector<std::wstring>& faults) {
    NoDiskPlatform quiet(platform);
    FaultPrompt prompt(faults);
    CZipFilePackage reader(quiet, prompt);
    reader.SetText(CZipFilePackage::kReadErrorQuestion, L"a read came short in the package stream");
    reader.SetText(CZipFilePackage::kDiskFullQuestion, L"the disk is full");
    if (!reader.Open(discs.medium())) {
        return false;
    }
    ProgressBar progress(console, "check", reader.header().totalSize);
    files.progress = &progress;
    const size_t before = faults.size();
    bool packageMissing = false;
    const int result = reader.UnCompress(
        &files, discs.medium(), onCreate, onEnd, onWrite, [&](std::wstring& folder, int number) {
            if (number == -1) {
                return 2;
            }
            auto next = discs.nextFolderFor(platform, number, folder);
            if (!next) {
                packageMissing = true;
                return 1;
            }
            folder = *next;
            return 0;
        });
    progress.clear();
    if (result != CZipFilePackage::kDone && faults.size() == before && !packageMissing) {
        faults.push_back(L"the package stream ends before its last entry");
    }
    return result == CZipFilePackage::kDone;
}

void checkIni(Platform& platform, const std::wstring& medium, const PackageIndex& index, int jobs,
              Findings& found) {
    auto& faults = found.faults;
    const std::wstring path = joinPath(medium, L"install.ini");
    if (!platform.fileExists(path)) {
        faults.push_back(path + L": missing");
        return;
    }
    IniFile ini(platform);
    const int texts = parseLeadingInt(ini.getString(L"restable", L"rescount", L"0", path));
    if (texts < static_cast<int>(kTextCount)) {
        faults.push_back(path + L": [restable] declares " + std::to_wstring(texts) +
                         L" texts, the installer shows up to str" +
                         std::to_wstring(kTextCount - 1) + L" (rescount of at least " +
                         std::to_wstring(kTextCount) + L")");
    }
    const auto rooms = checkInstallTextRooms(
        [&](int number) {
            return number < texts
                       ? ini.getString(L"restable", L"str" + std::to_wstring(number), L"", path)
                       : std::wstring();
        },
        path);
    found.warnings.insert(found.warnings.end(), rooms.begin(), rooms.end());
    const int count = parseLeadingInt(ini.getString(L"md5code", L"count", L"0", path));
    const int packages = static_cast<int>(index.header.packageCount);
    if (count != packages) {
        faults.push_back(path + L": [md5code] count is " + std::to_wstring(count) +
                         L", the medium has " + std::to_wstring(packages) + L" packages");
    }
    // Only the packages the index found are hashed: it has named the others.
    // They are hashed side by side and judged in order.
    struct Hashed {
        std::optional<std::string> digest;
        KeptMessages messages;
    };
    const int last = std::min(count, static_cast<int>(index.packages.size()));
    std::vector<Hashed> hashed(2 * static_cast<size_t>(jobs));
    OrderedJobs pool(jobs, hashed.size());
    FaultPrompt prompt(faults);
    int given = 0;
    for (int k = 1; k <= last; ++k) {
        while (given < last && !pool.full()) {
            Hashed& result = hashed[pool.nextSlot()];
            result = Hashed{};
            const std::wstring& package = index.packages[static_cast<size_t>(given)].path;
            pool.give([&platform, &result, &package](OrderedJobs::Job& job) {
                MessageKeeper keeper(result.messages);
                result.digest =
                    HashFileMd5(platform, keeper, package, {}, [&job] { return job.stopped(); });
            });
            ++given;
        }
        const auto slot = pool.collect([](int) { return true; });
        if (!slot) {
            break;
        }
        const Hashed& result = hashed[*slot];
        for (const auto& [text, icon] : result.messages) {
            prompt.showMessage(text, icon);
        }
        const std::wstring key = L"pck" + std::to_wstring(k);
        const std::wstring expected = ini.getString(L"md5code", key, L"", path);
        const std::wstring& package = index.packages[static_cast<size_t>(k) - 1].path;
        const auto& actual = result.digest;
        if (!actual || platform.wideFromAnsi(*actual) != expected) {
            faults.push_back(package + L": digest " + (actual ? wideFromUtf8(*actual) : L"(none)") +
                             L", [md5code] " + key + L" is \"" + expected + L"\"");
        }
    }
}

// The uninstaller's texts the medium carries; without them the installer
// writes its built-in ones, which name the sample game.
void checkUninstallTexts(Platform& platform, const std::wstring& medium, Findings& found) {
    const std::wstring path = joinPath(medium, L"uninstall.ini");
    const auto bytes = readWholeFile(platform, path);
    if (!bytes) {
        if (platform.fileExists(path)) {
            found.faults.push_back(path + L": cannot be read");
        } else {
            found.warnings.push_back(path +
                                     L": missing; the uninstaller shows the installer's built-in "
                                     L"texts, which name the sample game");
        }
        return;
    }
    Findings texts = checkUninstallIni(*bytes, path, platform);
    found.faults.insert(found.faults.end(), texts.faults.begin(), texts.faults.end());
    found.warnings.insert(found.warnings.end(), texts.warnings.begin(), texts.warnings.end());
}

std::string countOf(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

bool isDigestText(const std::wstring& text) {
    return text.size() == Md5Digest::kTextLength &&
           text.find_first_not_of(L"0123456789abcdef") == std::wstring::npos;
}

void checkList(Platform& platform, const std::wstring& medium, const InflatedFiles& files,
               bool streamComplete, std::vector<std::wstring>& faults) {
    const std::wstring path = joinPath(medium, L"check.md");
    auto bytes = readWholeFile(platform, path);
    if (!bytes) {
        faults.push_back(path + L": missing");
        return;
    }
    if (bytes->size() % kCheckEntrySize != 0) {
        faults.push_back(path + L": " + std::to_wstring(bytes->size() % kCheckEntrySize) +
                         L" bytes after the last whole record");
    }
    std::map<std::wstring, std::string> inflated(files.digests.begin(), files.digests.end());
    std::map<std::wstring, int> listed;
    for (size_t at = 0; at + kCheckEntrySize <= bytes->size(); at += kCheckEntrySize) {
        const CheckEntry entry = CheckEntry::parse(bytes->data() + at);
        const std::wstring name = wideFromUtf16(entry.name);
        const std::wstring digest = wideFromUtf16(entry.digest);
        const std::wstring where =
            path + L", record " + std::to_wstring(at / kCheckEntrySize + 1) + L" (" + name + L"): ";
        if (!isSafeRelativeName(name)) {
            faults.push_back(where + L"not a path below the target folder");
            continue;
        }
        if (++listed[name] == 2) {
            faults.push_back(where + L"listed twice");
        }
        if (!isDigestText(digest)) {
            faults.push_back(where + L"\"" + digest +
                             L"\" is not 32 lower-case hexadecimal digits");
        }
        auto file = inflated.find(name);
        if (file == inflated.end()) {
            if (streamComplete) {
                faults.push_back(where + L"no such file in the packages");
            }
        } else if (wideFromUtf8(file->second) != digest) {
            faults.push_back(where + L"the packed file's digest is " + wideFromUtf8(file->second));
        }
    }
    for (const auto& [name, digest] : files.digests) {
        if (listed.count(name) == 0) {
            faults.push_back(path + L": " + name + L" is in the packages but not listed");
        }
    }
}

}  // namespace

int runCheck(const std::vector<std::string>& words, Platform& platform, Console& console) {
    CommandLine line(words, {kDiscOption, "--jobs"});
    if (auto status =
            answerHelpOrUsage(line, 1, "check", kCheckHelp, L"check needs MEDIUM_DIR", console)) {
        return *status;
    }
    const auto jobs = jobsOption(line, "check", console);
    if (!jobs) {
        return kExitUsage;
    }
    const DiscSet discs = DiscSet::fromCommandLine(line);
    Findings found;
    auto& faults = found.faults;
    const PackageIndex index = indexPackages(platform, discs);
    faults.insert(faults.end(), index.faults.begin(), index.faults.end());
    InflatedFiles files;
    std::vector<std::wstring> readerFaults;
    const bool complete = walkStream(platform, console, discs, files, readerFaults);
    // The index has already named a damaged structure; the reader's own
    // message then adds the installer's view of it.
    for (const auto& fault : readerFaults) {
        faults.push_back(L"installer: " + fault);
    }
    checkIni(platform, discs.medium(), index, *jobs, found);
    checkUninstallTexts(platform, discs.medium(), found);
    checkList(platform, discs.medium(), files, complete, faults);
    const auto discFaults = discs.checkListFaults(platform);
    faults.insert(faults.end(), discFaults.begin(), discFaults.end());
    const auto layout = discs.layoutWarnings(platform, static_cast<int>(index.header.packageCount));
    auto& warnings = found.warnings;
    warnings.insert(warnings.end(), layout.begin(), layout.end());
    for (const auto& fault : faults) {
        console.error(fault);
    }
    for (const auto& warning : warnings) {
        console.warning(warning);
    }
    const std::string warned =
        warnings.empty() ? "" : ", " + countOf(warnings.size(), "warning", "warnings");
    if (!faults.empty()) {
        console.out << countOf(faults.size(), "fault", "faults") << " found" << warned << "\n";
        return kExitFailed;
    }
    console.out << "OK: " << index.header.entryCount << " entries, " << files.digests.size()
                << " files, " << index.header.totalSize << " bytes in "
                << countOf(index.packages.size(), "package", "packages");
    if (discs.discCount() > 1) {
        console.out << " on " << discs.discCount() << " discs";
    }
    console.out << warned << "\n";
    return kExitOk;
}
