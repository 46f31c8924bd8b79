// Writes the starting corpora of the fuzz targets: small valid media, record
// files, INI files and check lists, so that fuzzing begins inside the formats.
//   fuzz_make_seeds PACKAGE_CORPUS RECORD_CORPUS INI_CORPUS CHECK_CORPUS
#include <cstdio>
#include <fstream>
#include <string>

#include "common/text.h"
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

// A text in a zeroed field of `size` bytes.
std::string field(const std::u16string& text, size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < text.size() && 2 * i + 1 < size; ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

std::string record(const std::u16string& text) {
    return field(text, 520);
}

std::string checkEntry(const std::u16string& name, const std::u16string& digest) {
    return field(name, 520) + field(digest, 128);
}

void saveIniSeeds(const std::filesystem::path& folder) {
    const std::wstring text =
        L"[setup]\r\nproduct=Varnholt\r\nfolder_create_flag=0\r\n[shortcut]\r\ncount=2\r\n"
        L"[shortcut0]\r\nname=Play\r\nlink=Game.exe\r\n[restable]\r\nrescount=3\r\n"
        L"str0=Choose\r\nstr1=Needs %d MB\r\n[md5code]\r\ncount=1\r\npck1=0123\r\n";
    save(folder / "utf16", utf16File(text));
    save(folder / "ansi", cp1252FromWide(text));
    save(folder / "duplicates",
         utf16File(L"[a]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n[b]=x\r\n[]\r\n=v\r\n"));
    save(folder / "line-ends", cp1252FromWide(L"[a]\r\nk=b\rc\r\nj=\r\r\n\nx=y\r\n[a]\r\nz=1"));
    save(folder / "long-line", utf16File(L"[a]\r\nk=" + std::wstring(260, L'x') + L"\r\n[" +
                                         std::wstring(300, L'b') + L"]\r\nk=v\r\n"));
    save(folder / "odd-length", utf16File(L"[a]\r\nk=v\r\n") + "x");
    std::string bigEndian = "\xFE\xFF";
    for (char c : std::string("[a]\r\nk=v\r\n")) {
        bigEndian += std::string(1, '\0') + c;
    }
    save(folder / "big-endian", bigEndian);
}

void saveCheckSeeds(const std::filesystem::path& folder) {
    const std::u16string abc = u"900150983cd24fb0d6963f7d28e17f72";
    save(folder / "matching",
         checkEntry(u"a.txt", abc) +
             checkEntry(u"data\\empty.bin", u"d41d8cd98f00b204e9800998ecf8427e") +
             checkEntry(u"big.dat", u"fd2d34ef19be53d3c260b78e9ae8fb57"));
    save(folder / "mismatches", checkEntry(u"a.txt", u"900150983CD24FB0D6963F7D28E17F72") +
                                    checkEntry(u"missing.txt", abc) +
                                    checkEntry(u"..\\a.txt", abc) + checkEntry(u"a.txt", u"") +
                                    checkEntry(u"C:\\Games\\a.txt", abc) + std::string(647, 'x'));
    save(folder / "long-name", checkEntry(std::u16string(300, u'n'), std::u16string(70, u'0')));
}

void savePackageAndRecordSeeds(const std::filesystem::path& packages,
                               const std::filesystem::path& records) {
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
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        return 2;
    }
    try {
        for (int i = 1; i < argc; ++i) {
            std::filesystem::create_directories(argv[i]);
        }
        savePackageAndRecordSeeds(argv[1], argv[2]);
        saveIniSeeds(argv[3]);
        saveCheckSeeds(argv[4]);
    } catch (const std::exception& error) {  // a folder that cannot be made
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
