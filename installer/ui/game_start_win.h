// Starting the installed game, from the finish page or after the
// verification.
#pragma once

class InstallerApp;

// Opens targetFolder\programFile through the shell in the folder of its first
// path component; the result is not examined.
void StartInstalledGame(const InstallerApp& app);
