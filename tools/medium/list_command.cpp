#include <iomanip>
#include <ostream>

#include "common/text.h"
#include "tools/medium/commands.h"
#include "tools/medium/options.h"
#include "tools/medium/package_index.h"

namespace {

const char kListHelp[] =
    "usage: medium list MEDIUM_DIR\n"
    "\n"
    "Shows the header of MEDIUM_DIR\\data1.pck and every entry of the package stream:\n"
    "folders, and files with their size and number of chunks. Chunks are not inflated.\n";

}  // namespace

int runList(const std::vector<std::string>& words, Platform& platform, Console& console) {
    CommandLine line(words, {});
    if (auto status =
            answerHelpOrUsage(line, 1, "list", kListHelp, L"list needs MEDIUM_DIR", console)) {
        return *status;
    }
    const std::wstring medium = wideFromUtf8(line.positional()[0]);
    const PackageIndex index = indexPackages(platform, medium);
    if (index.packageSizes.empty()) {
        for (const auto& fault : index.faults) {
            console.error(fault);
        }
        return kExitFailed;
    }
    const auto& header = index.header;
    auto& out = console.out;
    out << "version       " << header.version << "\n"
        << "entries       " << header.entryCount << "\n"
        << "total size    " << header.totalSize << " bytes\n"
        << "packages      " << header.packageCount << "\n"
        << "reserved      " << header.reserved1 << " " << header.reserved2 << " "
        << header.reserved3 << "\n";
    for (size_t i = 0; i < index.packageSizes.size(); ++i) {
        out << "data" << i + 1 << ".pck     " << index.packageSizes[i] << " bytes\n";
    }
    out << "\nkind    " << std::setw(14) << "bytes"
        << "  " << std::setw(8) << "chunks"
        << "  name\n";
    for (const auto& entry : index.entries) {
        if (entry.type == kEntryTypeFolder) {
            out << "folder  " << std::setw(14) << ""
                << "  " << std::setw(8) << ""
                << "  ";
        } else {
            out << "file    " << std::setw(14) << entry.size << "  " << std::setw(8)
                << entry.chunkCount << "  ";
        }
        out << utf8FromWide(entry.name) << "\n";
    }
    for (const auto& fault : index.faults) {
        console.error(fault);
    }
    return index.faults.empty() ? kExitOk : kExitFailed;
}
