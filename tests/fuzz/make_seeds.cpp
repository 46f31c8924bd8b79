// Writes the starting corpora of the fuzz targets: small valid media and
// record files, so that fuzzing begins inside the formats.
//   fuzz_make_seeds PACKAGE_CORPUS RECORD_CORPUS
#include <fstream>
#include <string>

#include "tests/support/package_builder.h"

namespace {

void save(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The fuzz input: settings, the lengths of all but the last package, the stream.
std::string input(uint8_t settings, const std::vector<std::string>& packages) {
    std::string out(1, static_cast<char>(settings | (packages.size() - 1)));
    std::string stream;
    for (size_t i = 0; i + 1 < packages.size(); ++i) {
        out += static_cast<char>(packages[i].size() & 0xFF);
        out += static_cast<char>(packages[i].size() >> 8);
    }
    for (const auto& package : packages) {
        stream += package;
    }
    return out + stream;
}

std::string record(const std::u16string& text) {
    std::string bytes(520, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    const std::filesystem::path packages = argv[1];
    const std::filesystem::path records = argv[2];
    std::filesystem::create_directories(packages);
    std::filesystem::create_directories(records);

    PackageBuilder one;
    one.folder(u"bin")
        .file(u"bin\\game.exe", 2)
        .chunk("MZ header")
        .chunk(std::string(300, 'x'))
        .file(u"empty.txt", 0)
        .folder(u"bin\\data")
        .file(u"bin\\data\\a.txt", 1)
        .chunk("text");
    save(packages / "one-package", input(0, one.build()));

    PackageBuilder split;
    split.file(u"f", 3)
        .raw("pad")
        .cut()
        .chunk("one")
        .cut()
        .chunk("two")
        .chunk("three")
        .folder(u"d")
        .raw("1234567")
        .cut();
    save(packages / "three-packages", input(0, split.build()));
    save(packages / "missing-disc", input(64 | 16, split.build()));
    save(packages / "nine-x", input(4 | 32, split.build()));
    save(packages / "disk-full", input(8 | 16, one.build()));

    save(records / "install", record(u"FOLDER:C:\\Games\\V") +
                                  record(u"FILE:C:\\Games\\V\\uninstall.ini") +
                                  record(u"FILE:C:\\Games\\V\\uninstall.exe") +
                                  record(u"k=FILE:C:\\x=y") + record(u"file:C:\\lower") + "tail");
    return 0;
}
