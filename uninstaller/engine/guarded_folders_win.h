// The folders of this machine and user that delete-all must leave alone.
#pragma once

#include "uninstaller/engine/guarded_folders.h"

class Platform;

GuardedFolders systemGuardedFolders(Platform& platform);
