// Putting verified, staged files in place so that a failure or a power loss at any step leaves the
// program folder either as it was or wholly updated. Before anything moves: a target that is a
// folder (or a parent that is a file) refuses the update, stale backups of a completed install are
// cleared, the staged files are flushed, and a journal of the plan is written (flushed) beside the
// install. Then each target is renamed aside (its name + backupSuffix) and the staged file renamed
// in its place; when all are in place a commit marker is written, the release recorded, the old
// copies deleted and the journal removed. A failing step undoes every step in reverse order. The
// next start of the updater reads a journal left behind: with the marker it finishes the install,
// without it it rolls the plan back. The file system is a port: the updater backs it with Win32
// calls, tests with a map that can lose power at any operation.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qv {

class InstallFileSystem {
  public:
    virtual ~InstallFileSystem() = default;
    virtual bool exists(const std::string& path) const = 0;
    virtual bool isDirectory(const std::string& path) const = 0;
    virtual bool makeDirectory(const std::string& path) = 0; // the parent exists
    virtual bool removeDirectory(const std::string& path) = 0; // an empty one
    // Renames a file; fails when `to` exists. The rename is on disk when it returns.
    virtual bool move(const std::string& from, const std::string& to) = 0;
    virtual bool remove(const std::string& path) = 0;
    // Puts a file's content on the disk (FlushFileBuffers).
    virtual bool flush(const std::string& path) = 0;
    // Creates or replaces a small file; its content is on the disk when it returns.
    virtual bool writeFile(const std::string& path, std::string_view content) = 0;
    virtual std::optional<std::string> readFile(const std::string& path) const = 0;
};

struct StagedFile {
    std::string stagedName; // the verified copy's name in the staging folder (digits only)
    std::string relative; // target under the program folder, '/' separated, already checked safe
};

enum class InstallOutcome {
    Installed,
    RolledBack, // a step failed; the folder is as it was
    RollbackIncomplete, // a step failed and undoing it failed too (the journal stays for the next start)
    PathInTheWay, // a target is a folder, or a folder on its way is a file: nothing moved
};

InstallOutcome installStaged(InstallFileSystem& files, std::string_view programDirectory,
                             std::span<const StagedFile> staged, std::uint32_t release);

enum class RecoveryOutcome {
    NothingToDo, // no journal
    Completed, // the interrupted install had put every file in place; it is finished
    RolledBack, // the interrupted install is undone; the folder is as before it
    Failed, // a step of finishing or undoing failed; the journal stays for the next start
};

// Run at every start of the updater, before anything else touches the program folder.
RecoveryOutcome recoverInterruptedInstall(InstallFileSystem& files, std::string_view programDirectory);

// The release recorded by the last install, 0 when none (or the record is unreadable).
std::uint32_t installedRelease(const InstallFileSystem& files, std::string_view programDirectory);
bool recordRelease(InstallFileSystem& files, std::string_view programDirectory, std::uint32_t release);

} // namespace qv
