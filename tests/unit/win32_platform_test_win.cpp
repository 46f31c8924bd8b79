// Opening for writing: a new file is created without the "wb" of the C
// library (see win32_platform_win.cpp), an existing one still goes through
// it. Both ways must give the same file and let others in alike.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/win/handles_win.h"
#include "common/win/win32_platform_win.h"
#include "tests/support/temp_folder.h"

namespace {

bool othersOpen(const std::wstring& path, DWORD access) {
    FileHandle other(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(other);
}

TEST(Win32PlatformTest, WritingANewOrAnExistingFileGivesTheSameFileAndSharing) {
    struct Case {
        Share share;
        bool othersRead;
        bool othersWrite;
    };
    const Case cases[] = {
        {Share::All, true, true},
        {Share::DenyWrite, true, false},
        {Share::None, false, false},
    };
    TempFolder folder;
    Win32Platform platform;
    for (const Case& c : cases) {
        for (const bool existing : {false, true}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(c.share)) +
                         (existing ? " existing" : " new"));
            if (existing) {
                folder.write("file", std::string(100000, 'x'));
            } else {
                DeleteFileW(folder.wide("file").c_str());
            }
            {
                auto file = platform.open(folder.wide("file"), OpenMode::Write, c.share);
                ASSERT_TRUE(file);
                EXPECT_EQ(file->write("new", 3), 3u);
                EXPECT_EQ(othersOpen(folder.wide("file"), GENERIC_READ), c.othersRead);
                EXPECT_EQ(othersOpen(folder.wide("file"), GENERIC_WRITE), c.othersWrite);
            }
            EXPECT_EQ(folder.read("file"), "new");
        }
    }
    EXPECT_FALSE(platform.open(folder.wide("missing\\file"), OpenMode::Write, Share::DenyWrite));
}

}  // namespace
