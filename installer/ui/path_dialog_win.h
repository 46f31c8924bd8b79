// The path page: the space the game needs, the target folder in an edit box,
// a self-drawn tree of the hard drives and their folders to pick it from, and
// the free space of the folder's drive. Next checks the path and stores it as
// the installer's target folder; Back returns to the agreement; End ends the
// installer.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/handles_win.h"
#include "installer/engine/path_rules.h"
#include "installer/ui/folder_tree.h"
#include "installer/ui/folder_tree_win.h"
#include "installer/ui/path_tree.h"
#include "installer/ui/wizard_page_win.h"

class PathDialog : public WizardPage {
public:
    static constexpr int kLayout = 129;
    static constexpr int kTreeArea = 1000;
    static constexpr int kPathBox = 1001;
    static constexpr int kNeededLabel = 1014;
    static constexpr int kFreeLabel = 1015;
    static constexpr int kEndButton = 3;
    static constexpr int kExpandedBoxBitmap = 153;
    static constexpr int kCollapsedBoxBitmap = 154;
    // wParam: the FolderNode picked or expanded; lParam: the tree's owner value.
    static constexpr UINT kTreePickMessage = WM_USER + 10;
    static constexpr UINT kTreeExpandMessage = WM_USER + 11;

    PathDialog(WizardFrame& mainWindow, std::wstring caption, std::wstring neededFormat,
               std::wstring initialPath, std::wstring folderSuffix);

    // Mouse messages for the page or its controls go to the tree first.
    bool preTranslate(MSG& message) override;

protected:
    bool onInit() override;
    void onOK() override;
    void onCancel() override;
    bool onCommand(int id, int code) override;
    void onDpiChanged() override;

private:
    // The tree's sizes and rectangle at the page's dpi.
    void measureTree();
    void showNeededSpace();
    void showFreeSpace();
    void buildTree();
    void addIcons(std::wstring& rootLabel);
    void addDrives(FolderNode* root);
    void pick(FolderNode* node);
    void expand(FolderNode* node);
    void paint();
    void refuse(const std::wstring& text);

    std::wstring caption_;
    std::wstring neededFormat_;
    std::wstring pathText_;
    std::wstring folderSuffix_;
    FolderTree tree_;
    FolderTreePainter painter_;
    ImageList images_;
    BitmapHandle collapsedBox_;
    BitmapHandle expandedBox_;
};
