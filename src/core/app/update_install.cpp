// The install plan, its journal, its rollback and the recovery at the next start. See
// update_install.h. Undoing and finishing read the state of each file from the disk rather than
// from memory, so that the same steps serve a failure here and a power loss found at the next
// start, and can themselves be interrupted and run again.
#include "app/update_install.h"

#include "app/update_manifest.h"

#include <algorithm>
#include <vector>

namespace qv {
namespace {

constexpr char journalHeader[] = "QV-UPDATE-JOURNAL 1";
constexpr char journalEnd[] = "end";

struct PlannedFile {
    std::string stagedName;
    std::string relative;
    bool hadOldFile = false; // the target existed and is renamed aside
};

struct Plan {
    std::uint32_t release = 0;
    std::vector<std::string> createdFolders; // relative, in creation order
    std::vector<PlannedFile> files;
};

struct Paths {
    std::string folder;
    std::string in(std::string_view relative) const { return folder + '\\' + windowsRelativePath(relative); }
    std::string staged(const std::string& name) const { return in(stagingFolderName) + '\\' + name; }
    std::string backup(const PlannedFile& file) const { return in(file.relative) + backupSuffix; }
    std::string journal() const { return in(journalFileName); }
    std::string commit() const { return in(commitFileName); }
};

std::string journalText(const Plan& plan) {
    std::string text = std::string(journalHeader) + "\n" + manifestReleaseKeyword + std::to_string(plan.release) + "\n";
    for (const std::string& folder : plan.createdFolders) text += "folder " + folder + "\n";
    for (const PlannedFile& file : plan.files)
        text += "file " + file.stagedName + (file.hadOldFile ? " 1 " : " 0 ") + file.relative + "\n";
    return text + journalEnd + "\n";
}

bool isStagedName(std::string_view name) {
    return !name.empty() && name.size() <= 9 &&
        std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A journal cut short by a power loss while it was written is refused: nothing had moved then.
std::optional<Plan> parseJournal(std::string_view text) {
    Plan plan;
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt; // every line of a whole journal ends
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    if (lines.size() < 3 || lines.front() != journalHeader || lines.back() != journalEnd) return std::nullopt;
    if (!lines[1].starts_with(manifestReleaseKeyword)) return std::nullopt;
    const auto release = parseReleaseNumber(lines[1].substr(std::string_view(manifestReleaseKeyword).size()));
    if (!release) return std::nullopt;
    plan.release = *release;
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.starts_with("folder ")) {
            line.remove_prefix(7);
            if (!isSafeRelativePath(line)) return std::nullopt;
            plan.createdFolders.emplace_back(line);
            continue;
        }
        if (!line.starts_with("file ")) return std::nullopt;
        line.remove_prefix(5);
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos || line.size() < blank + 4 || line[blank + 2] != ' ') return std::nullopt;
        PlannedFile file{std::string(line.substr(0, blank)), std::string(line.substr(blank + 3)),
                         line[blank + 1] == '1'};
        if (!isStagedName(file.stagedName) || (line[blank + 1] != '0' && !file.hadOldFile) ||
            !isSafeRelativePath(file.relative))
            return std::nullopt;
        plan.files.push_back(std::move(file));
    }
    return plan;
}

// Puts the old files back whatever step the install reached. A file renamed aside is renamed
// first, so while its backup exists a file at the target is the new one; a target that did not
// exist before is the new file whenever it exists. Stale backups were cleared before the journal.
bool undo(InstallFileSystem& files, const Paths& paths, const Plan& plan) {
    bool complete = true;
    for (auto file = plan.files.rbegin(); file != plan.files.rend(); ++file) {
        const std::string target = paths.in(file->relative);
        const std::string backup = paths.backup(*file);
        if (file->hadOldFile && !files.exists(backup)) continue; // not renamed aside yet
        if (files.exists(target) && !files.remove(target)) {
            complete = false;
            continue;
        }
        if (file->hadOldFile && !files.move(backup, target)) complete = false;
    }
    for (auto folder = plan.createdFolders.rbegin(); folder != plan.createdFolders.rend(); ++folder) {
        const std::string path = paths.in(*folder);
        if (files.isDirectory(path) && !files.removeDirectory(path)) complete = false;
    }
    return complete && files.remove(paths.journal());
}

// After the commit marker: the release is recorded, the old copies go (one that cannot, held by a
// running program, is cleared before the next install), then the journal and the marker.
bool finish(InstallFileSystem& files, const Paths& paths, const Plan& plan) {
    if (!recordRelease(files, paths.folder, plan.release)) return false;
    for (const PlannedFile& file : plan.files)
        if (file.hadOldFile && files.exists(paths.backup(file))) files.remove(paths.backup(file));
    if (!files.remove(paths.journal())) return false;
    files.remove(paths.commit());
    return true;
}

// The checks made before anything moves.
bool pathsAreClear(const InstallFileSystem& files, const Paths& paths, std::span<const StagedFile> staged) {
    for (const StagedFile& file : staged) {
        if (files.isDirectory(paths.in(file.relative))) return false;
        for (std::size_t slash = file.relative.find('/'); slash != std::string::npos;
             slash = file.relative.find('/', slash + 1)) {
            const std::string parent = paths.in(file.relative.substr(0, slash));
            if (files.exists(parent) && !files.isDirectory(parent)) return false;
        }
    }
    return true;
}

Plan makePlan(const InstallFileSystem& files, const Paths& paths, std::span<const StagedFile> staged,
              std::uint32_t release) {
    Plan plan{release, {}, {}};
    for (const StagedFile& file : staged) {
        for (std::size_t slash = file.relative.find('/'); slash != std::string::npos;
             slash = file.relative.find('/', slash + 1)) {
            std::string folder = file.relative.substr(0, slash);
            if (!files.exists(paths.in(folder)) &&
                std::find(plan.createdFolders.begin(), plan.createdFolders.end(), folder) == plan.createdFolders.end())
                plan.createdFolders.push_back(std::move(folder));
        }
        plan.files.push_back({file.stagedName, file.relative, files.exists(paths.in(file.relative))});
    }
    return plan;
}

} // namespace

InstallOutcome installStaged(InstallFileSystem& files, std::string_view programDirectory,
                             std::span<const StagedFile> staged, std::uint32_t release) {
    const Paths paths{std::string(programDirectory)};
    if (!pathsAreClear(files, paths, staged)) return InstallOutcome::PathInTheWay;
    // A journal here means an earlier install could be neither finished nor undone.
    if (files.exists(paths.journal())) return InstallOutcome::RollbackIncomplete;
    for (const StagedFile& file : staged) {
        // A backup left beside its file by a completed install (no journal is left) is stale.
        const std::string backup = paths.in(file.relative) + backupSuffix;
        if (files.exists(backup) && !files.remove(backup)) return InstallOutcome::RolledBack;
        if (!files.flush(paths.staged(file.stagedName))) return InstallOutcome::RolledBack;
    }
    const Plan plan = makePlan(files, paths, staged, release);
    if (!files.writeFile(paths.journal(), journalText(plan))) {
        files.remove(paths.journal());
        return InstallOutcome::RolledBack;
    }
    auto rollBack = [&] {
        return undo(files, paths, plan) ? InstallOutcome::RolledBack : InstallOutcome::RollbackIncomplete;
    };
    for (const std::string& folder : plan.createdFolders)
        if (!files.makeDirectory(paths.in(folder))) return rollBack();
    for (const PlannedFile& file : plan.files) {
        const std::string target = paths.in(file.relative);
        if (file.hadOldFile && !files.move(target, paths.backup(file))) return rollBack();
        if (!files.move(paths.staged(file.stagedName), target)) return rollBack();
    }
    // A marker that came into being although the write failed still means every file is in place.
    if (!files.writeFile(paths.commit(), {}) && !files.exists(paths.commit())) return rollBack();
    // Every file is in place; what finishing leaves undone the next start does.
    finish(files, paths, plan);
    return InstallOutcome::Installed;
}

RecoveryOutcome recoverInterruptedInstall(InstallFileSystem& files, std::string_view programDirectory) {
    const Paths paths{std::string(programDirectory)};
    if (!files.exists(paths.journal())) {
        // A marker without a journal: finishing was cut short after the journal went.
        if (files.exists(paths.commit()) && !files.remove(paths.commit())) return RecoveryOutcome::Failed;
        return RecoveryOutcome::NothingToDo;
    }
    const auto text = files.readFile(paths.journal());
    if (!text) return RecoveryOutcome::Failed;
    const auto plan = parseJournal(*text);
    if (!plan) {
        // Cut short while it was written, before anything moved.
        if (!files.remove(paths.journal())) return RecoveryOutcome::Failed;
        files.remove(paths.commit());
        return RecoveryOutcome::RolledBack;
    }
    if (files.exists(paths.commit()))
        return finish(files, paths, *plan) ? RecoveryOutcome::Completed : RecoveryOutcome::Failed;
    return undo(files, paths, *plan) ? RecoveryOutcome::RolledBack : RecoveryOutcome::Failed;
}

std::uint32_t installedRelease(const InstallFileSystem& files, std::string_view programDirectory) {
    const auto text = files.readFile(Paths{std::string(programDirectory)}.in(releaseFileName));
    if (!text) return 0;
    std::string_view number = *text;
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) number.remove_suffix(1);
    return parseReleaseNumber(number).value_or(0);
}

bool recordRelease(InstallFileSystem& files, std::string_view programDirectory, std::uint32_t release) {
    return files.writeFile(Paths{std::string(programDirectory)}.in(releaseFileName), std::to_string(release) + "\r\n");
}

} // namespace qv
