#include "installer/engine/path_rules.h"
#include "installer/ui/path_tree.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fuzz/memory_platform.h"

namespace {

// Drive types, free space and folder listings from tables; queries recorded.
class DrivePlatform : public MemoryPlatform {
public:
    std::map<wchar_t, DriveKind> types;  // by upper-case letter; missing: no such drive
    std::map<wchar_t, uint64_t> space;   // missing: the query fails
    std::map<std::wstring, std::vector<FolderEntry>> folders;
    std::vector<std::wstring> queries;
    std::vector<std::wstring> listed;

    DriveKind driveType(const std::wstring& root) override {
        queries.push_back(root);
        auto found = types.find(root.at(0));
        return found == types.end() ? DriveKind::NoRootFolder : found->second;
    }
    std::optional<uint64_t> freeBytes(const std::wstring& path) override {
        queries.push_back(path);
        const auto letter =
            static_cast<wchar_t>(path.at(0) >= L'a' ? path[0] - L'a' + L'A' : path[0]);
        auto found = space.find(letter);
        return found == space.end() ? std::nullopt : std::optional<uint64_t>(found->second);
    }
    std::vector<FolderEntry> listFolder(const std::wstring& path) override {
        listed.push_back(path);
        return folders[path];
    }
};

FolderEntry folder(const std::wstring& name) {
    return {name, true, false};
}

// A: and B: floppies, C: with 1000 bytes free, D: a hard disk, E: a CD, F: a
// removable disk, G: of unknown type, H: with unreadable free space.
class PathRulesTest : public ::testing::Test {
protected:
    PathRulesTest() {
        const std::pair<wchar_t, DriveKind> drives[] = {
            {L'A', DriveKind::Removable}, {L'B', DriveKind::Removable},
            {L'C', DriveKind::Fixed},     {L'D', DriveKind::Fixed},
            {L'E', DriveKind::CdRom},     {L'F', DriveKind::Removable},
            {L'G', DriveKind::Unknown},   {L'H', DriveKind::Fixed}};
        for (const auto& [letter, type] : drives) {
            platform.types[letter] = type;
            platform.space[letter] = uint64_t{1} << 40;
        }
        platform.space[L'C'] = 1000;
        platform.space.erase(L'H');
    }
    PathRejection rejection(const std::wstring& path, uint64_t totalSize = 0) {
        return checkTargetPath(platform, path, totalSize).rejection;
    }
    std::wstring accepted(const std::wstring& path, uint64_t totalSize = 0) {
        const PathDecision decision = checkTargetPath(platform, path, totalSize);
        EXPECT_EQ(decision.rejection, PathRejection::None) << path;
        return decision.targetFolder;
    }

    DrivePlatform platform;
};

TEST_F(PathRulesTest, DriveTestAndFreeSpace) {
    EXPECT_TRUE(passesDriveTest(platform, L'c'));
    EXPECT_EQ(platform.queries, (std::vector<std::wstring>{L"C:\\", L"C:\\"}));
    EXPECT_TRUE(passesDriveTest(platform, L'F'));
    for (wchar_t letter : {L'A', L'b', L'E', L'G', L'H', L'Z', L'1', L'['}) {
        EXPECT_FALSE(passesDriveTest(platform, letter)) << letter;
    }

    platform.queries.clear();
    EXPECT_EQ(freeBytesOfPath(platform, L"c:\\Games"), 1000u);
    EXPECT_EQ(platform.queries, (std::vector<std::wstring>{L"c:"}));
    EXPECT_EQ(freeBytesOfPath(platform, L"H:\\Games"), 0u);
    // Text that names no drive would give the current folder's drive: not asked.
    platform.queries.clear();
    for (const wchar_t* path : {L"", L"C", L"Games", L"\\\\server\\share"}) {
        EXPECT_EQ(freeBytesOfPath(platform, path), 0u);
    }
    EXPECT_TRUE(platform.queries.empty());

    EXPECT_EQ(neededMegabytes(1048575), 10u);
    EXPECT_EQ(neededMegabytes(1048576), 11u);
}

TEST_F(PathRulesTest, FormAndSpaceTests) {
    EXPECT_EQ(rejection(L""), PathRejection::Empty);
    for (const wchar_t* path : {L"C:", L"C:Games", L"C\\Games", L"\\\\server\\share", L"A:\\Game",
                                L"b:\\Game", L"E:\\Game", L"G:\\Game", L"H:\\Game", L"Q:\\Game"}) {
        EXPECT_EQ(rejection(path), PathRejection::Invalid) << path;
    }
    EXPECT_EQ(accepted(L"c:\\Games\\Game"), L"c:\\Games\\Game");
    EXPECT_EQ(rejection(L"C:/Games"), PathRejection::InvalidCharacters);

    EXPECT_EQ(accepted(L"C:\\Game", 990), L"C:\\Game");
    EXPECT_EQ(rejection(L"C:\\Game", 991), PathRejection::NotEnoughSpace);
    EXPECT_EQ(rejection(L"C:\\Ga?me", 991), PathRejection::NotEnoughSpace);  // space first
    // Totals beyond the signed range must not read as negative.
    EXPECT_EQ(rejection(L"C:\\Game", uint64_t{1} << 63), PathRejection::NotEnoughSpace);
    platform.space[L'C'] = UINT64_MAX - 1;
    EXPECT_EQ(rejection(L"C:\\Game", UINT64_MAX - 3), PathRejection::NotEnoughSpace);
    EXPECT_EQ(accepted(L"C:\\Game", UINT64_MAX - 11), L"C:\\Game");
}

TEST_F(PathRulesTest, CharacterAndBlankNameTests) {
    EXPECT_EQ(accepted(L"D:\\"), L"D:");
    EXPECT_EQ(accepted(L"D:\\Games\\"), L"D:\\Games");
    for (const wchar_t* path : {L"D:\\Games\\\\", L"D:\\\\", L"D:\\Games\\\\Game", L"D:\\Ga?me",
                                L"D:\\Ga/me", L"D:\\\"Game\"", L"D:\\Game*", L"D:\\<Game",
                                L"D:\\Game>", L"D:\\Game|", L"D:\\Ga:me", L"D:/"}) {
        const PathDecision decision = checkTargetPath(platform, path, 0);
        EXPECT_EQ(decision.rejection, PathRejection::InvalidCharacters) << path;
        EXPECT_TRUE(decision.targetFolder.empty());
    }
    EXPECT_EQ(rejection(L"D:\\ \\Game"), PathRejection::Invalid);
    EXPECT_EQ(rejection(L"D:\\Games\\   \\Game"), PathRejection::Invalid);
    EXPECT_EQ(accepted(L"D:\\Games\\   \\"), L"D:\\Games\\   ");
    EXPECT_EQ(accepted(L"D:\\ Games (1)\\Game's #2"), L"D:\\ Games (1)\\Game's #2");
}

// My Computer with C: (Games\Sub inside) and D:.
class PathRulesTreeTest : public PathRulesTest {
protected:
    PathRulesTreeTest() {
        tree.Setup({0, 0, 202, 162}, 0, nullptr,
                   [this](FolderNode* node, int) { scanAhead(tree, platform, node); });
        root = add(L"My Computer", nullptr, kRootKind);
        root->expanded = true;
        c = add(L"Local Disk (C:)", root, 2);
        d = add(L"Data (D:)", root, 3);
        games = add(L"Games", c, kFolderKind);
        sub = add(L"Sub", games, kFolderKind);
    }
    FolderNode* add(const std::wstring& label, FolderNode* parent, int kind) {
        FolderNode* node = tree.AddNode(label, parent);
        tree.SetNodeKind(node, kind);
        return node;
    }
    bool clickLabel(TreeMouse kind, int level, int row) {
        TreeMouseInput input;
        input.kind = kind;
        input.x = 1 + 16 * (level + 1) + 10;
        input.y = 1 + 16 * row + 8;
        return tree.HandleMouse(input);
    }

    FolderTree tree;
    FolderNode* root = nullptr;
    FolderNode* c = nullptr;
    FolderNode* d = nullptr;
    FolderNode* games = nullptr;
    FolderNode* sub = nullptr;
};

TEST_F(PathRulesTreeTest, NodeAndPickedPaths) {
    EXPECT_EQ(nodePath(c), L"C:\\");
    EXPECT_EQ(nodePath(sub), L"C:\\Games\\Sub");
    EXPECT_EQ(nodePath(add(L"Z:", root, kLastDriveKind)), L"Z:\\");
    EXPECT_EQ(nodePath(root), L"");
    EXPECT_EQ(nodePath(add(L"Other", root, 1)), L"");

    const std::wstring fallback = L"C:\\Game";
    EXPECT_EQ(pickedPath(games, L"", true, L"Game", fallback), L"C:\\Games\\Game");
    EXPECT_EQ(pickedPath(games, L"", false, L"Game", fallback), L"C:\\Games");
    EXPECT_EQ(pickedPath(d, L"", true, L"Game", fallback), L"D:\\Game");
    EXPECT_EQ(pickedPath(d, L"", false, L"Game", fallback), L"D:");
    EXPECT_EQ(rejection(L"D:"), PathRejection::Invalid);
    EXPECT_EQ(pickedPath(root, L"", true, L"Game", fallback), fallback);
    EXPECT_EQ(pickedPath(nullptr, L"", false, L"Game", fallback), fallback);
    // A suffix is a folder inside the picked one, with or without its backslash.
    for (const wchar_t* suffix : {L"Studio", L"Studio\\", L"\\Studio\\\\"}) {
        EXPECT_EQ(pickedPath(sub, suffix, true, L"G", fallback), L"C:\\Games\\Sub\\Studio\\G");
        EXPECT_EQ(pickedPath(d, suffix, false, L"G", fallback), L"D:\\Studio");
    }
}

TEST_F(PathRulesTreeTest, ScanKeepsVisibleFoldersToTheGivenDepth) {
    platform.folders[L"C:\\"] = {folder(L"Games"),
                                 {L"pagefile.sys", false, true},
                                 {L"a.txt", false, false},
                                 {L"$Recycle.Bin", true, true},
                                 folder(L"."),
                                 folder(L".."),
                                 folder(L"Tools")};
    platform.folders[L"C:\\Games"] = {folder(L"Varnholt"), {L"list.txt", false, false}};
    platform.folders[L"C:\\Games\\Varnholt"] = {folder(L"Save")};

    scanFolder(tree, platform, L"C:\\", c, 2);
    ASSERT_EQ(c->children.size(), 2u);
    const FolderNode& first = *c->children[0];
    EXPECT_EQ(first.label, L"Games");
    EXPECT_EQ(first.kind, kFolderKind);
    EXPECT_EQ(first.image, 1);
    EXPECT_EQ(first.openImage, 2);
    EXPECT_EQ(c->children[1]->label, L"Tools");
    ASSERT_EQ(first.children.size(), 1u);
    EXPECT_TRUE(first.children[0]->children.empty());
    EXPECT_EQ(platform.listed, (std::vector<std::wstring>{L"C:\\", L"C:\\Games", L"C:\\Tools"}));

    platform.listed.clear();
    scanFolder(tree, platform, L"C:\\", c, 0);
    EXPECT_TRUE(c->children.empty());
    scanFolder(tree, platform, L"D:\\Missing", d, 1);
    EXPECT_TRUE(d->children.empty());
    EXPECT_EQ(platform.listed, (std::vector<std::wstring>{L"D:\\Missing"}));
}

TEST_F(PathRulesTreeTest, ExpansionScansAheadAndRescansDropTheSelection) {
    platform.folders[L"C:\\"] = {folder(L"Games"), folder(L"Tools")};
    platform.folders[L"C:\\Games"] = {folder(L"Varnholt")};
    platform.folders[L"C:\\Games\\Varnholt"] = {folder(L"Save")};
    scanFolder(tree, platform, L"C:\\", c, 1);
    ASSERT_TRUE(clickLabel(TreeMouse::DoubleClick, 1, 1));  // expands C:
    ASSERT_TRUE(c->expanded);
    ASSERT_EQ(c->children[0]->children.size(), 1u);
    EXPECT_TRUE(c->children[0]->children[0]->children.empty());

    ASSERT_TRUE(clickLabel(TreeMouse::LeftDown, 2, 2));
    ASSERT_EQ(tree.selected(), c->children[0].get());
    platform.listed.clear();
    scanAhead(tree, platform, c);
    EXPECT_EQ(platform.listed, (std::vector<std::wstring>{L"C:\\Games", L"C:\\Tools"}));
    EXPECT_EQ(tree.selected(), c->children[0].get());
    scanFolder(tree, platform, L"C:\\", c, 1);
    EXPECT_EQ(tree.selected(), nullptr);
    // The next pick must not touch the deleted node.
    ASSERT_TRUE(clickLabel(TreeMouse::LeftDown, 2, 2));
    EXPECT_EQ(tree.selected(), c->children[0].get());

    platform.listed.clear();
    scanAhead(tree, platform, root);
    scanAhead(tree, platform, nullptr);
    EXPECT_TRUE(platform.listed.empty());
}

}  // namespace
