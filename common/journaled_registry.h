// A registry that writes each change of an install run into the run's
// journal before it makes it: the topmost key it creates, and what a value
// held before it is set or deleted. The undo takes the changes back newest
// first (RunUndo), so a killed or cancelled run leaves the registry as it
// found it.
#pragma once

#include "common/forwarding_registry.h"
#include "common/run_journal.h"

class JournaledRegistry : public ForwardingRegistry {
public:
    JournaledRegistry(Registry& inner, RunJournal& journal)
        : ForwardingRegistry(inner), journal_(journal) {}

    bool createKey(RegistryRoot root, const std::wstring& key) override;
    bool setStringValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        const std::wstring& value) override;
    bool setNumberValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        uint32_t value) override;
    bool deleteValue(RegistryRoot root, const std::wstring& key, const std::wstring& name) override;
    // A whole tree cannot be put back from the journal: refused.
    bool deleteTree(RegistryRoot root, const std::wstring& key) override;

private:
    // Writes what the value holds now, unless the run created its key.
    bool noteValue(RegistryRoot root, const std::wstring& key, const std::wstring& name);
    bool createdByRun(RegistryRoot root, const std::wstring& key) const;

    RunJournal& journal_;
};
