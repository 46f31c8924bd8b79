#include <ostream>

#include "common/text.h"
#include "tools/medium/commands.h"
#include "tools/medium/disc_set.h"
#include "tools/medium/host_path.h"
#include "tools/medium/ini_section.h"
#include "tools/medium/options.h"
#include "tools/medium/pack.h"

namespace {

const char kPackHelp[] =
    "usage: medium pack GAME_DIR MEDIUM_DIR [--disc-size SIZE] [--chunk-size SIZE]\n"
    "                   [--level 0-9] [--jobs N]\n"
    "\n"
    "Packs every folder and file below GAME_DIR into MEDIUM_DIR\\data1.pck ... dataN.pck\n"
    "and writes MEDIUM_DIR\\check.md with the MD5 digest of every file. The [md5code]\n"
    "section of the packages is written into MEDIUM_DIR\\install.ini when that file is\n"
    "there (in its own encoding), and printed otherwise.\n"
    "\n"
    "  --disc-size SIZE   largest package, e.g. 650M (default: one package)\n"
    "  --chunk-size SIZE  uncompressed bytes per chunk, at most 64M (default 1M, or less\n"
    "                     to fit --disc-size, see below)\n"
    "  --level N          compression level as zlib counts it: 0 (store), 1 (fastest)\n"
    "                     to 9 (smallest); default 6\n"
    "  --jobs N           chunks compressed at once (default: one per core)\n"
    "\n"
    "SIZE is in bytes, or with K, M or G for powers of 1,024. The same folder always\n"
    "gives the same bytes, whatever --jobs is.\n"
    "\n"
    "A chunk, with the entry records after it, never spans two packages. Without\n"
    "--chunk-size, pack halves the chunk size from 1M (down to 4K) until every such piece\n"
    "fits --disc-size even if nothing compresses; the choice depends on the file sizes\n"
    "alone. With --chunk-size, a piece too large for the disc is an error.\n";

// "512K" rather than "524288" where the size is a whole number of K or M.
std::string sizeText(uint64_t size) {
    if (size != 0 && size % (1U << 20) == 0) {
        return std::to_string(size >> 20) + "M";
    }
    if (size != 0 && size % (1U << 10) == 0) {
        return std::to_string(size >> 10) + "K";
    }
    return std::to_string(size) + " bytes";
}

int usage(Console& console, const std::string& problem) {
    console.error(wideFromUtf8(problem));
    console.err << "try: medium pack --help\n";
    return kExitUsage;
}

bool writeMd5Section(Platform& platform, Console& console, const std::wstring& mediumFolder,
                     const std::vector<std::string>& digests) {
    const auto lines = md5codeLines(digests);
    const std::wstring iniPath = joinPath(mediumFolder, L"install.ini");
    if (!platform.fileExists(iniPath)) {
        console.out << "No install.ini in the medium folder; its [md5code] section is:\n";
        for (const auto& line : lines) {
            console.out << utf8FromWide(line) << "\n";
        }
        return true;
    }
    auto bytes = readWholeFile(platform, iniPath);
    auto updated = bytes ? replaceIniSection(*bytes, L"md5code", lines) : std::nullopt;
    if (!updated || !writeWholeFile(platform, iniPath, updated->data(), updated->size())) {
        console.error(iniPath + L": the [md5code] section cannot be written");
        return false;
    }
    console.out << "[md5code] written into " << utf8FromWide(iniPath) << "\n";
    return true;
}

}  // namespace

int runPack(const std::vector<std::string>& words, Platform& platform, Console& console) {
    CommandLine line(words, {"--disc-size", "--chunk-size", "--level", "--jobs"});
    if (auto status = answerHelpOrUsage(line, 2, "pack", kPackHelp,
                                        L"pack needs GAME_DIR and MEDIUM_DIR", console)) {
        return *status;
    }
    PackOptions options;
    options.gameFolder = wideFromUtf8(line.positional()[0]);
    options.mediumFolder = wideFromUtf8(line.positional()[1]);
    if (auto text = line.last("--disc-size")) {
        auto size = parseSize(*text);
        if (!size || *size == 0) {
            return usage(console, "--disc-size: not a size: " + *text);
        }
        options.discSize = *size;
    }
    if (auto text = line.last("--chunk-size")) {
        auto size = parseSize(*text);
        if (!size || *size == 0 || *size > kMaxChunkSize) {
            return usage(console, "--chunk-size: 1 byte to 64M: " + *text);
        }
        options.chunkSize = static_cast<uint32_t>(*size);
    }
    if (auto text = line.last("--level")) {
        auto level = parseBoundedInt(*text, 0, 9);
        if (!level) {
            return usage(console, "--level: 0 to 9: " + *text);
        }
        options.level = *level;
    }
    const auto jobs = jobsOption(line, "pack", console);
    if (!jobs) {
        return kExitUsage;
    }
    options.jobs = *jobs;
    if (isWithinFolder(options.mediumFolder, options.gameFolder)) {
        return usage(console,
                     "MEDIUM_DIR lies inside GAME_DIR: the packages would pack themselves");
    }

    PackSummary summary;
    std::wstring error;
    if (!packMedium(platform, options, console, summary, error)) {
        console.error(error);
        return kExitFailed;
    }
    console.out << summary.header.entryCount << " entries (" << summary.files << " files, "
                << summary.header.totalSize << " bytes) in " << summary.header.packageCount
                << (summary.header.packageCount == 1 ? " package" : " packages") << "\n";
    if (options.chunkSize == 0 && summary.chunkSize != kDefaultChunkSize) {
        console.out << "chunks of " << sizeText(summary.chunkSize)
                    << " chosen, the largest that surely fits the disc size (default "
                    << sizeText(kDefaultChunkSize) << ")\n";
    }
    for (size_t i = 0; i < summary.packageSizes.size(); ++i) {
        console.out << "  data" << i + 1 << ".pck  " << summary.packageSizes[i] << " bytes  "
                    << summary.digests[i] << "\n";
    }
    const std::wstring stale =
        packageFilePath(options.mediumFolder, static_cast<int>(summary.header.packageCount) + 1);
    if (platform.fileExists(stale)) {
        console.note(L"note: " + stale +
                     L" is left from an earlier run and is no part of this medium");
    }
    return writeMd5Section(platform, console, options.mediumFolder, summary.digests) ? kExitOk
                                                                                     : kExitFailed;
}
