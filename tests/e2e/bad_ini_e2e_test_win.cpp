// Bad install.ini files, one table row each, met as a person would meet them:
// the installer is started on a medium that holds the file, reaches its first
// window in time (or, without the file, its first run ends silently), shows
// what the file defines (its texts, empty ones where it holds none, format
// texts with only their one placeholder filled) and ends when it is closed.
// Prints how long each file took to the first window.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/text.h"
#include "tests/e2e/install_support_win.h"
#include "tests/e2e/scenario_support_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace {

using namespace e2e::controls;
using Bytes = std::vector<uint8_t>;

const wchar_t kProgram[] = L"install.exe";

const std::wstring kMainTitle = L"Bad Ini Setup";         // str32
const std::wstring kAgreementTitle = L"Bad Ini Licence";  // str23
const std::wstring kAgree = L"Agree";                     // str24
// str24 last: a row cuts into the file's last line.
const std::wstring kTexts =
    L"str23=" + kAgreementTitle + L"\r\nstr32=" + kMainTitle + L"\r\nstr24=" + kAgree + L"\r\n";

// Every format text with conversions beyond its one placeholder, and the
// texts of the pages up to the package check, whose digest never matches.
const std::wstring kBadFormats =
    L"str1=%s%s%n needs %d MB, %d more\r\nstr9=%s%s%n\r\nstr10=%999999d%%\r\n"
    L"str12=%n%s%s\r\nstr13=%d%s%n\r\nstr33=%999999d\r\nstr36=%s%999999d%n\r\n"
    L"str41=Checking package %d of %s%s%n\r\nstr42=Package %999999d is damaged! %s%n\r\n"
    L"str43=%s%s%n%d\r\nstr51=Check the packages first?\r\nstr52=Check the packages\r\n";
const std::wstring kWrongDigest =
    L"[md5code]\r\ncount=1\r\npck1=" + std::wstring(32, L'0') + L"\r\n";

// The path page asks for data1.pck's total size in MB, plus 10.
constexpr uint64_t kTotalSize = 5ULL << 20;
const std::wstring kNeededSpace = L"%s%s%n needs 15 MB, %d more";
// "%999999d" is filled at the widest a configured text may ask for.
constexpr size_t kWidestField = 1000;

std::wstring iniText(const std::wstring& texts = kTexts, int count = 55,
                     const std::wstring& sections = L"") {
    return L"[setup]\r\nproduct=Bad Ini\r\nfolder_create_flag=0\r\n" + sections +
           L"[restable]\r\nrescount=" + std::to_wstring(count) + L"\r\n" + texts;
}

Bytes utf16(const std::wstring& text) {
    return e2e::utf16FileBytes(text);
}
Bytes ansi(const std::wstring& text) {
    const std::string bytes = cp1252FromWide(text);
    return Bytes(bytes.begin(), bytes.end());
}
Bytes withoutMark(Bytes bytes) {
    return Bytes(bytes.begin() + 2, bytes.end());
}
Bytes withoutLastByte(Bytes bytes) {
    bytes.pop_back();
    return bytes;
}
Bytes bigEndian(const std::wstring& text) {
    Bytes bytes = {0xFE, 0xFF};
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c >> 8));
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    }
    return bytes;
}

// The texts of the main window's title, the agreement page's title and its
// agree button.
struct Shown {
    std::wstring mainTitle;
    std::wstring agreementTitle;
    std::wstring agree;
};
const Shown kAllShown{kMainTitle, kAgreementTitle, kAgree};
const Shown kNoneShown{};

enum class Start {
    FromDisc,    // no argument: the first run, which copies install.ini
    WithMedium,  // the medium folder as argument, as the first run starts the copy
};

struct Row {
    const char* name;
    std::function<std::optional<Bytes>()> file;  // nothing: no install.ini
    Start start = Start::WithMedium;
    Shown shown;
    bool toPackageCheck = false;  // go on to the package check, which fails
};

const Row kRows[] = {
    {"MissingFromTheDisc", [] { return std::nullopt; }, Start::FromDisc, kNoneShown},
    {"MissingWithTheMediumGiven", [] { return std::nullopt; }, Start::WithMedium, kNoneShown},
    {"Empty", [] { return Bytes{}; }, Start::WithMedium, kNoneShown},
    {"AnsiInsteadOfUtf16", [] { return ansi(iniText()); }, Start::WithMedium, kAllShown},
    {"Utf16WithoutByteOrderMark", [] { return withoutMark(utf16(iniText())); }, Start::WithMedium,
     kNoneShown},
    {"BigEndianUtf16", [] { return bigEndian(iniText()); }, Start::WithMedium, kNoneShown},
    // The last line loses the second byte of its LF, and with it its line end.
    {"OddNumberOfBytes",
     [] { return withoutLastByte(utf16(iniText())); },
     Start::WithMedium,
     {kMainTitle, kAgreementTitle, L""}},
    {"FewerThan55Texts",
     [] { return utf16(iniText(kTexts, 24)); },
     Start::WithMedium,
     {L"", kAgreementTitle, L""}},
    // Skipped whole: the str32 after it is the one shown.
    {"LineOf10000Characters",
     [] { return utf16(iniText(L"str32=" + std::wstring(9994, L'x') + L"\r\n" + kTexts)); },
     Start::WithMedium, kAllShown},
    {"ShortcutCount100000NonePresent",
     [] { return utf16(iniText(kTexts, 55, L"[shortcut]\r\ncount=100000\r\n")); },
     Start::WithMedium, kAllShown},
    {"FormatsWithWrongConversions",
     [] { return utf16(iniText(kTexts + kBadFormats, 55, kWrongDigest)); }, Start::WithMedium,
     kAllShown, true},
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// A decimal number right-aligned in a field of `width`.
bool isPaddedNumber(const std::wstring& text, size_t width) {
    const size_t digits = text.find_first_not_of(L' ');
    return text.size() == width && digits != std::wstring::npos &&
           text.find_first_not_of(L"0123456789", digits) == std::wstring::npos;
}

class BadIni : public ::testing::TestWithParam<Row> {
protected:
    BadIni()
        : medium_(L"C:\\media\\" + e2e::currentTestName()),
          staging_(e2e::temporaryFolder() + L"CKVStaging") {}

    void SetUp() override {
        const std::wstring bin = e2e::folderFromEnvironment(L"CKV_BIN");
        ASSERT_FALSE(bin.empty()) << "CKV_BIN is not set";
        ASSERT_TRUE(medium_.created());
        ASSERT_TRUE(pending_.readable());
        for (const wchar_t* name : {kProgram, L"JPGI.dll", L"ijl15.dll"}) {
            auto bytes = e2e::readFileBytes(bin + L"\\" + name);
            ASSERT_TRUE(bytes && !bytes->empty()) << "no built " << utf8FromWide(name);
            ASSERT_TRUE(e2e::writeFileBytes(medium_.file(name), *bytes));
        }
        ASSERT_TRUE(e2e::writeFileBytes(medium_.file(L"data1.pck"),
                                        e2e::packageHeaderBytes(2, kTotalSize)));
        stagingExisted_ = e2e::folderExists(staging_);
    }

    void TearDown() override {
        if (process_ && process_->isRunning()) {
            process_->terminate();
        }
        // A first run that fails leaves the copy it made of itself.
        if (!stagingExisted_) {
            e2e::removeTree(staging_);
        }
    }

    std::vector<ui::Window> windows() const {
        return ui::Window::list({L"", false, L"", process_->id()});
    }
    // The visible page of this process that holds the control.
    std::optional<ui::Window> pageWith(int controlId) const {
        std::optional<ui::Window> page;
        ui::waitUntil([&] {
            for (const ui::Window& window : windows()) {
                if (window.control(controlId).isVisible()) {
                    page = window;
                    return true;
                }
            }
            return false;
        });
        return page;
    }

    void report(const Row& row, const char* what, DWORD ms) {
        std::printf("%-32s %s after %lu ms\n", row.name, what, static_cast<unsigned long>(ms));
        RecordProperty("first_window_ms", static_cast<int>(ms));
    }

    // From the agreement over the path page to the package check of the
    // one package, whose digest does not match.
    void walkToPackageCheck(const ui::Window& agreement) {
        ASSERT_TRUE(ui::waitUntil([&] { return agreement.control(kAgreeButton).isEnabled(); }));
        ASSERT_TRUE(agreement.control(kAgreeButton).click());
        auto path = pageWith(kNeededLabel);
        ASSERT_TRUE(path.has_value()) << "no path page";
        ASSERT_TRUE(path->waitIdle());
        EXPECT_EQ(path->control(kNeededLabel).text(), kNeededSpace);
        const std::wstring free = path->control(kFreeLabel).text();
        EXPECT_TRUE(isPaddedNumber(free, kWidestField)) << utf8FromWide(free);
        SetWindowTextW(path->control(kFolderBox).handle(), L"C:\\Installed\\Bad Ini");
        ASSERT_TRUE(path->control(IDOK).click());

        auto question = ui::Window::find({L"Check the packages", false, L"#32770", process_->id()});
        ASSERT_TRUE(question.has_value()) << "no package check question";
        ASSERT_TRUE(question->control(IDOK).click());
        EXPECT_TRUE(
            ui::Window::find({L"Checking package 1 of %s%s%n", false, L"#32770", process_->id()}))
            << "no package check page with its title";
        auto box = ui::MessageBoxWindow::find(L"is damaged!", process_->id());
        ASSERT_TRUE(box.has_value()) << "no mismatch message";
        EXPECT_EQ(box->text(),
                  L"Package " + std::wstring(kWidestField - 1, L' ') + L"1 is damaged! %s%n");
        ASSERT_TRUE(box->press(IDOK));
    }

    e2e::ScenarioFolder medium_;
    const std::wstring staging_;
    bool stagingExisted_ = false;
    e2e::PendingFileRenames pending_;
    std::optional<ui::Process> process_;
};

TEST_P(BadIni, ReachesItsFirstWindowShowsWhatItDefinesAndEnds) {
    const Row& row = GetParam();
    if (auto bytes = row.file()) {
        ASSERT_TRUE(e2e::writeFileBytes(medium_.file(L"install.ini"), *bytes));
    }
    const DWORD started = GetTickCount();
    process_ =
        ui::Process::start(medium_.file(kProgram),
                           row.start == Start::FromDisc ? L"" : medium_.path(), medium_.path());
    ASSERT_TRUE(process_.has_value());

    if (row.start == Start::FromDisc) {
        // Without install.ini to carry the first run ends with no window and
        // starts no copy.
        bool shown = false;
        ASSERT_TRUE(ui::waitUntil([&] {
            shown = shown || !windows().empty();
            return !process_->isRunning();
        })) << "the first run did not end";
        report(row, "ended", GetTickCount() - started);
        EXPECT_FALSE(shown) << "the first run showed a window";
        EXPECT_EQ(process_->exitCode(), std::optional<DWORD>(0));
        for (const auto& entry : ui::listProcesses(kProgram)) {
            EXPECT_NE(entry.parentId, process_->id()) << "it started its copy";
        }
        EXPECT_TRUE(pending_.deletionsSinceStart().empty());
        return;
    }

    ASSERT_TRUE(ui::waitUntil([&] { return !windows().empty() || !process_->isRunning(); }))
        << "no window in time";
    ASSERT_TRUE(process_->isRunning()) << "ended without a window";
    report(row, "first window", GetTickCount() - started);

    auto page = pageWith(kAgreeButton);
    ASSERT_TRUE(page.has_value()) << "no agreement page";
    ASSERT_TRUE(page->waitIdle());
    EXPECT_TRUE(ui::MessageBoxWindow::list(process_->id()).empty()) << "a message is up";
    EXPECT_EQ(ui::Window(GetWindow(page->handle(), GW_OWNER)).text(), row.shown.mainTitle);
    EXPECT_EQ(page->text(), row.shown.agreementTitle);
    EXPECT_EQ(page->control(kAgreeButton).text(), row.shown.agree);
    if (row.toPackageCheck) {
        walkToPackageCheck(*page);
    } else {
        ASSERT_TRUE(page->control(IDCANCEL).click());
    }
    ASSERT_TRUE(process_->waitForExit()) << "the installer did not end";
    EXPECT_EQ(process_->exitCode(), std::optional<DWORD>(0));
}

INSTANTIATE_TEST_SUITE_P(Installer, BadIni, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& row) {
                             return std::string(row.param.name);
                         });

}  // namespace
