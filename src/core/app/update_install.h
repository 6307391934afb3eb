// Putting verified, staged files in place: each target is renamed aside (its name + backupSuffix),
// the staged file is renamed to the target, and only when every file is in place are the old ones
// deleted. Any failing step undoes every step done so far in reverse order (new files back to the
// staging folder, old files back to their names, created folders removed), so the program folder
// is as it was. The file system is a port: the updater backs it with Win32 calls, tests with a map.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qv {

class InstallFileSystem {
  public:
    virtual ~InstallFileSystem() = default;
    virtual bool exists(const std::string& path) const = 0;
    virtual bool makeDirectory(const std::string& path) = 0; // the parent exists
    virtual bool removeDirectory(const std::string& path) = 0; // an empty one
    // Renames a file; fails when `to` exists.
    virtual bool move(const std::string& from, const std::string& to) = 0;
    virtual bool remove(const std::string& path) = 0;
};

struct StagedFile {
    std::string staged; // full path of the verified copy (same volume as the program folder)
    std::string relative; // target under the program folder, '\' separated, already checked safe
};

enum class InstallOutcome {
    Installed,
    RolledBack, // a step failed; the folder is as it was
    RollbackIncomplete, // a step failed and undoing it failed too
};

InstallOutcome installStaged(InstallFileSystem& files, std::string_view programDirectory,
                             std::span<const StagedFile> staged);

} // namespace qv
