// How the path page's folder tree copes with a folder of many subfolders:
// one expansion (the scan one level ahead) and one full redraw, each against
// a reference measured in the same run on the same data:
//   expansion  against listing the same folders with FindFirstFile alone
//   redraw     against filling the surface and drawing the visible labels alone
// and one wheel step (mouse handling and redraw). Each time is the best of
// several runs.
//   folder_tree_bench.exe [FOLDERS]   (default 3000)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "common/win/handles_win.h"
#include "common/win/win32_platform_win.h"
#include "installer/ui/folder_tree.h"
#include "installer/ui/folder_tree_win.h"
#include "installer/ui/path_tree.h"

namespace {

constexpr int kRuns = 5;
// The path page's tree area at 96 dpi.
constexpr TreeRect kArea{11, 114, 508, 311};

double seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

double best(const std::function<void()>& work) {
    double fastest = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        work();
        QueryPerformanceCounter(&end);
        fastest = std::min(fastest, seconds(start, end));
    }
    return fastest;
}

void removeTree(const std::wstring& folder, int count) {
    for (int i = 0; i < count; ++i) {
        RemoveDirectoryW((folder + L"\\Folder " + std::to_wstring(i)).c_str());
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int count = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3000;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"ckv-tree-bench";
    removeTree(folder, count);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        CreateDirectoryW((folder + L"\\Folder " + std::to_wstring(i)).c_str(), nullptr);
    }

    // The folder as a node two levels below a drive, as the page holds it.
    Win32Platform platform;
    FolderTree tree;
    tree.Setup(
        kArea, 0, [](FolderNode*, int) {}, [](FolderNode*, int) {});
    FolderNode* root = tree.AddNode(L"My Computer", nullptr);
    tree.SetNodeKind(root, kRootKind);
    root->expanded = true;
    FolderNode* drive = tree.AddNode(L"(C:)", root);
    tree.SetNodeKind(drive, static_cast<int>(folder[0] - L'A'));
    drive->expanded = true;
    FolderNode* node = drive;
    size_t start = 3;
    for (size_t end = folder.find(L'\\', start); start < folder.size();
         end = folder.find(L'\\', start)) {
        const std::wstring name =
            folder.substr(start, end == std::wstring::npos ? end : end - start);
        node = tree.AddNode(name, node);
        tree.SetNodeKind(node, kFolderKind);
        node->expanded = true;
        start = end == std::wstring::npos ? folder.size() : end + 1;
    }
    scanFolder(tree, platform, folder, node, 1);

    const double expansion = best([&] { scanAhead(tree, platform, node); });
    const double listing = best([&] {
        for (const auto& child : node->children) {
            WIN32_FIND_DATAW data{};
            FindHandle find(FindFirstFileW((nodePath(child.get()) + L"\\*.*").c_str(), &data));
            while (find && FindNextFileW(find.get(), &data)) {
            }
        }
    });

    HDC screen = GetDC(nullptr);
    MemoryDc target(CreateCompatibleDC(screen));
    BitmapHandle targetSurface(CreateCompatibleBitmap(screen, 640, 480));
    ReleaseDC(nullptr, screen);
    SelectedObject selected(target.get(), targetSurface.get());
    FolderTreePainter painter;
    const double redraw = best([&] { painter.Draw(target.get(), tree); });
    const double minimal = best([&] {
        MemoryDc dc(CreateCompatibleDC(target.get()));
        BitmapHandle surface(CreateCompatibleBitmap(target.get(), kArea.width(), kArea.height()));
        SelectedObject chosen(dc.get(), surface.get());
        RECT inner{1, 1, kArea.width() - 1, kArea.height() - 1};
        FillRect(dc.get(), &inner, GetSysColorBrush(COLOR_WINDOW));
        const int rows = kArea.height() / FolderTree::kRowHeight;
        int row = 0;
        for (const auto& child : node->children) {
            if (row++ > rows) {
                break;
            }
            RECT label{40, 1 + 16 * row, kArea.width() - 1, 17 + 16 * row};
            DrawTextW(dc.get(), child->label.c_str(), -1, &label, DT_SINGLELINE);
        }
        BitBlt(target.get(), kArea.left, kArea.top, kArea.width(), kArea.height(), dc.get(), 0, 0,
               SRCCOPY);
    });
    const double wheel = best([&] {
        tree.HandleMouse({TreeMouse::Wheel, 0, 0, -WHEEL_DELTA * 65536});
        painter.Draw(target.get(), tree);
    });

    std::printf("folder tree with %d subfolders (%zu shown nodes)\n", count,
                tree.shownNodes().size());
    std::printf("  expansion (scan one level ahead)   %8.2f ms\n", expansion * 1000);
    std::printf("  FindFirstFile over the same folders %7.2f ms   ratio %.2fx\n", listing * 1000,
                expansion / listing);
    std::printf("  full redraw                        %8.2f ms\n", redraw * 1000);
    std::printf("  fill and visible labels alone      %8.2f ms   ratio %.2fx\n", minimal * 1000,
                redraw / minimal);
    std::printf("  one wheel step with its redraw     %8.2f ms\n", wheel * 1000);
    removeTree(folder, count);
    return 0;
}
