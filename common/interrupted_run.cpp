#include "common/interrupted_run.h"

#include <algorithm>

namespace {

constexpr const wchar_t* kFolderValue = L"Folder";
constexpr const wchar_t* kFolderWasThereValue = L"FolderWasThere";

}  // namespace

std::wstring InterruptedRuns::keyOf(const std::wstring& product) const {
    std::wstring name = product.substr(0, 255);
    std::replace(name.begin(), name.end(), L'\\', L'_');
    return kKeyPrefix + name;
}

bool InterruptedRuns::mark(const std::wstring& product, const MarkedRun& run) {
    const std::wstring key = keyOf(product);
    return registry_.createKey(RegistryRoot::CurrentUser, key) &&
           registry_.setStringValue(RegistryRoot::CurrentUser, key, kFolderValue,
                                    run.targetFolder) &&
           registry_.setNumberValue(RegistryRoot::CurrentUser, key, kFolderWasThereValue,
                                    run.targetWasThere ? 1 : 0);
}

void InterruptedRuns::unmark(const std::wstring& product) {
    registry_.deleteTree(RegistryRoot::CurrentUser, keyOf(product));
}

std::optional<MarkedRun> InterruptedRuns::find(const std::wstring& product) {
    const std::wstring key = keyOf(product);
    auto folder = registry_.stringValue(RegistryRoot::CurrentUser, key, kFolderValue);
    if (!folder || folder->empty()) {
        return std::nullopt;
    }
    const auto wasThere =
        registry_.numberValue(RegistryRoot::CurrentUser, key, kFolderWasThereValue);
    // Without the second value the mark was cut short: keep the folder.
    return MarkedRun{*folder, !wasThere || *wasThere != 0};
}

std::optional<RunJournalState> readRunJournal(Platform& platform, const std::wstring& folder) {
    const std::wstring path = RunJournal::pathIn(folder);
    if (!platform.fileExists(path)) {
        return std::nullopt;
    }
    auto bytes = readWholeFile(platform, path);
    // A journal cut off inside its header was killed before its Begin entry:
    // nothing had been changed yet.
    auto state = bytes ? parseRunJournal(*bytes) : std::nullopt;
    return state ? *state : RunJournalState{};
}

namespace {

std::optional<Recovery> undoFromJournal(Platform& platform, UserPrompt& prompt, Registry& registry,
                                        const std::wstring& folder, RunJournalState state,
                                        const std::function<void(size_t)>& ahead) {
    std::atomic<bool> stop{false};
    RunUndo undo(platform, prompt, registry, folder, std::move(state), MissingRecord::Silent);
    return Recovery{folder, undo.run(stop, ahead)};
}

}  // namespace

std::optional<Recovery> recoverInterruptedRun(Platform& platform, UserPrompt& prompt,
                                              Registry& registry, const std::wstring& product,
                                              const std::function<void(size_t)>& ahead) {
    InterruptedRuns runs(registry);
    const auto marked = runs.find(product);
    if (!marked) {
        runs.unmark(product);
        return std::nullopt;
    }
    std::optional<Recovery> recovery;
    if (auto state = readRunJournal(platform, marked->targetFolder)) {
        if (!state->begun) {
            state->targetWasThere = marked->targetWasThere;
        }
        recovery = undoFromJournal(platform, prompt, registry, marked->targetFolder,
                                   std::move(*state), ahead);
    } else if (!marked->targetWasThere && platform.removeFolder(marked->targetFolder)) {
        // Killed between making the target folder and writing the journal.
        recovery = Recovery{marked->targetFolder, RunUndoSummary{1, 0, false}};
    }
    // With no journal and nothing removed the run had not begun, or had ended
    // all but its mark.
    runs.unmark(product);
    return recovery;
}

std::optional<Recovery> recoverRunIn(Platform& platform, UserPrompt& prompt, Registry& registry,
                                     const std::wstring& folder,
                                     const std::function<void(size_t)>& ahead) {
    auto state = readRunJournal(platform, folder);
    if (!state) {
        return std::nullopt;
    }
    // A journal begun is in a folder that was there (it holds the journal);
    // without its Begin the folder's own files say it was.
    if (!state->begun) {
        state->targetWasThere = true;
    }
    return undoFromJournal(platform, prompt, registry, folder, std::move(*state), ahead);
}

std::wstring recoveryReport(const std::wstring& folder, const RunUndoSummary& summary) {
    if (summary.rolledForward) {
        return L"An interrupted installation in " + folder +
               L" had finished; the files it replaced were deleted.";
    }
    return L"An interrupted installation in " + folder + L" was undone: " +
           std::to_wstring(summary.removed) + L" files and folders removed, " +
           std::to_wstring(summary.putBack) + L" files put back.";
}
