// The install plan and its rollback. See update_install.h.
#include "app/update_install.h"

#include "app/update_manifest.h"

#include <vector>

namespace qv {
namespace {

struct Undo {
    enum Kind { MoveBack, RemoveDirectory } kind;
    std::string from; // MoveBack: current name; RemoveDirectory: the folder
    std::string to; // MoveBack: name it had
};

bool undoAll(InstallFileSystem& files, std::vector<Undo>& journal) {
    bool complete = true;
    for (auto step = journal.rbegin(); step != journal.rend(); ++step) {
        const bool undone =
            step->kind == Undo::MoveBack ? files.move(step->from, step->to) : files.removeDirectory(step->from);
        complete = complete && undone;
    }
    journal.clear();
    return complete;
}

// Creates the folders between the program folder and the target that do not exist yet.
bool makeParents(InstallFileSystem& files, const std::string& programDirectory, const std::string& relative,
                 std::vector<Undo>& journal) {
    for (std::size_t slash = relative.find('\\'); slash != std::string::npos; slash = relative.find('\\', slash + 1)) {
        const std::string folder = programDirectory + '\\' + relative.substr(0, slash);
        if (files.exists(folder)) continue;
        if (!files.makeDirectory(folder)) return false;
        journal.push_back({Undo::RemoveDirectory, folder, {}});
    }
    return true;
}

} // namespace

InstallOutcome installStaged(InstallFileSystem& files, std::string_view programDirectory,
                             std::span<const StagedFile> staged) {
    const std::string folder(programDirectory);
    std::vector<Undo> journal;
    std::vector<std::string> backups;
    auto rollBack = [&] {
        return undoAll(files, journal) ? InstallOutcome::RolledBack : InstallOutcome::RollbackIncomplete;
    };
    for (const StagedFile& file : staged) {
        const std::string target = folder + '\\' + file.relative;
        if (!makeParents(files, folder, file.relative, journal)) return rollBack();
        if (files.exists(target)) {
            // A backup left by an interrupted earlier run may be the only old copy: never overwrite it.
            const std::string backup = target + backupSuffix;
            if (files.exists(backup) || !files.move(target, backup)) return rollBack();
            journal.push_back({Undo::MoveBack, backup, target});
            backups.push_back(backup);
        }
        if (!files.move(file.staged, target)) return rollBack();
        journal.push_back({Undo::MoveBack, target, file.staged});
    }
    // Every file is in place: the old copies go. One that cannot (a running program) stays beside
    // its replacement and does no harm.
    for (const std::string& backup : backups) files.remove(backup);
    return InstallOutcome::Installed;
}

} // namespace qv
