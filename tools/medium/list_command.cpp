#include <iomanip>
#include <ostream>

#include "common/text.h"
#include "tools/medium/commands.h"
#include "tools/medium/disc_set.h"
#include "tools/medium/options.h"
#include "tools/medium/package_index.h"

namespace {

const char kListHelp[] =
    "usage: medium list MEDIUM_DIR [--disc DIR]...\n"
    "\n"
    "Shows the header of data1.pck in MEDIUM_DIR, the size of each package and every\n"
    "entry of the package stream: folders, and files with their size and number of\n"
    "chunks. Chunks are not inflated.\n"
    "\n"
    "  --disc DIR   the folder of a further disc (repeatable): a package that is not\n"
    "               where the one before it was is looked for in MEDIUM_DIR and\n"
    "               these folders, in order; one that is on none is a fault\n";

}  // namespace

int runList(const std::vector<std::string>& words, Platform& platform, Console& console) {
    CommandLine line(words, {kDiscOption});
    if (auto status =
            answerHelpOrUsage(line, 1, "list", kListHelp, L"list needs MEDIUM_DIR", console)) {
        return *status;
    }
    const DiscSet discs = DiscSet::fromCommandLine(line);
    const PackageIndex index = indexPackages(platform, discs);
    if (index.packages.empty()) {
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
    for (size_t i = 0; i < index.packages.size(); ++i) {
        out << utf8FromWide(packageFileName(static_cast<int>(i) + 1)) << "     "
            << index.packages[i].size << " bytes";
        if (discs.discCount() > 1) {
            out << "  in " << utf8FromWide(index.packages[i].path);
        }
        out << "\n";
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
