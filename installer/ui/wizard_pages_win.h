// The wizard's pages by id: the one place that knows every page class.
#pragma once

#include <memory>

#include "installer/ui/wizard.h"
#include "installer/ui/wizard_page_win.h"

// The page for an id, or nothing while this build has no such page (its step
// then shows nothing and waits).
std::unique_ptr<WizardPage> makeWizardPage(PageId id, WizardFrame& mainWindow);
