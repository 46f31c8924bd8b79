// Folders that delete-all must never empty: drive roots, the Windows and
// system folders, the Programs menus, the desktops and users' profiles, and
// every folder that holds one of them.
#pragma once

#include <string>
#include <vector>

class Platform;

class GuardedFolders {
public:
    // `folders`: the guarded folders themselves. `profileRoots`: folders whose
    // every direct subfolder is a user's profile. Compared as written.
    GuardedFolders(const std::vector<std::wstring>& folders,
                   const std::vector<std::wstring>& profileRoots);
    // The same, each folder taken by its real path (Platform::realPath), as
    // the folder to empty must be too.
    GuardedFolders(Platform& platform, const std::vector<std::wstring>& folders,
                   const std::vector<std::wstring>& profileRoots);

    // True when emptying `folder` could reach beyond one game: it is not an
    // absolute path below a drive or share, it is a drive or share root, a
    // guarded folder, a profile, or holds one of them.
    bool guards(const std::wstring& folder) const;

private:
    std::vector<std::vector<std::wstring>> folders_;
    std::vector<std::vector<std::wstring>> profileRoots_;
};

// The components of an absolute Windows path, compared the way Windows names
// match: lower case, "." dropped, ".." taken back, trailing dots and blanks
// cut. The first component is the drive ("c:") or "\\server\share". Empty for
// a path that is not absolute.
std::vector<std::wstring> folderComponents(const std::wstring& path);
