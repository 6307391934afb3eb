// The online update's pure parts: the update list and version comparison, the server setting and
// body bounds, the signed manifest with its path rules, the public key reader, and the install
// plan with its rollback, checked after a failure at every single step.
#include "app/update_install.h"
#include "app/update_key.h"
#include "app/update_list.h"
#include "app/update_manifest.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace qv {
namespace {

constexpr std::uint64_t version(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d) {
    return (a << 16 | b) << 32 | (c << 16 | d);
}

// ---- update list -------------------------------------------------------------------------------

TEST(UpdateList, VersionComparisonCases) {
    const UpdateRecord dll{"QvRun.dll", "1.2.3.4", "."};
    EXPECT_EQ(compareVersion(dll, {}), -1); // missing
    EXPECT_EQ(compareVersion(dll, {true, version(1, 2, 3, 5), 0}), 1);
    EXPECT_EQ(compareVersion(dll, {true, version(1, 2, 3, 3), 0}), -1);
    EXPECT_EQ(compareVersion(dll, {true, version(1, 2, 3, 4), 0}), 0);
    // The most significant word outweighs any least significant one.
    EXPECT_EQ(compareVersion({"QV.EXE", "1.3.0.0", "."}, {true, version(1, 2, 65535, 65535), 0}), -1);
    const UpdateRecord help{"enQV.chm", "20240301", "help"};
    EXPECT_EQ(compareVersion(help, {true, 0, 20240229}), -1); // one day older
    EXPECT_EQ(compareVersion(help, {true, 0, 20240301}), 0);
    EXPECT_EQ(compareVersion(help, {true, 0, 20240302}), 1);
}

TEST(UpdateList, MalformedTokensCountAsUpToDate) {
    for (const char* token : {"1.2.3", "1.2", "1", "", "1.2.3.4.5", "1..3.4", "1.2.3.", ".1.2.3", "65536.0.0.0",
                              "1.2.3.x", "-1.2.3.4", "1.2.3.4 "})
        EXPECT_FALSE(compareVersion({"QV.exe", token, "."}, {})) << '"' << token << '"';
    for (const char* token : {"2024-03-01", "123456789", "", "+2024"})
        EXPECT_FALSE(compareVersion({"a.dat", token, "."}, {})) << token;
    EXPECT_EQ(parseFileVersion("65535.0.1.65535"), version(65535, 0, 1, 65535));
}

TEST(UpdateList, RecordsAndTheWalk) {
    EXPECT_TRUE(isUpdateList("qv.EXE 1.0.0.0 ."));
    EXPECT_FALSE(isUpdateList(" QV.exe 1.0.0.0 ."));
    EXPECT_FALSE(isUpdateList("QV.ex"));
    const std::string body =
        "QV.exe\t1.0.0.1 .\r\nQvRun.dll 1.2 .\r\n\r\nenQV.chm  20240301 help\nx.dll 9.9.9.9 . tail";
    const auto records = updateRecords(body);
    ASSERT_EQ(records.size(), 4u); // the incomplete "tail" record is dropped
    EXPECT_EQ(records[2].directory, "help");
    EXPECT_EQ(records[3].name, "x.dll");
    EXPECT_EQ(localUpdatePath("C:\\QV", records[2]), "C:\\QV\\help\\enQV.chm");

    std::vector<std::string> probed;
    auto probe = [&](const std::string& path) {
        probed.push_back(path);
        return LocalFileFacts{true, version(1, 0, 0, 1), 20240229};
    };
    const UpdateListResult result = evaluateUpdateList(body, "D:", probe);
    EXPECT_TRUE(result.outOfDate); // enQV.chm is one day older
    EXPECT_EQ(result.malformed, std::vector<std::string>{"QvRun.dll 1.2"});
    EXPECT_EQ(probed.back(), "D:\\help\\enQV.chm"); // the walk stops at the first older file

    EXPECT_FALSE(evaluateUpdateList("QV.exe 1.0.0.1 . QvRun.dll 1 .", "D:", probe).outOfDate);
    EXPECT_FALSE(evaluateUpdateList("<html>QV.exe 9.0.0.0 .", "D:", probe).outOfDate);
}

TEST(UpdateList, ServerSettingAndBodyBounds) {
    const auto plain = parseServerAddress(defaultUpdateServer);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->port, 0);
    const auto local = parseServerAddress("127.0.0.1:8123");
    ASSERT_TRUE(local);
    EXPECT_EQ(local->host, "127.0.0.1");
    EXPECT_EQ(local->port, 8123);
    for (const char* bad : {"", ":80", "host:", "host:0", "host:65536", "host:8x", "ho st", "host/path", "a:1:2"})
        EXPECT_FALSE(parseServerAddress(bad)) << bad;

    EXPECT_TRUE(isSuccessStatus("200"));
    EXPECT_FALSE(isSuccessStatus("2000"));
    EXPECT_FALSE(isSuccessStatus("404"));
    EXPECT_EQ(parseContentLength("1048576", maxUpdateListBytes), 1048576u);
    EXPECT_FALSE(parseContentLength("1048577", maxUpdateListBytes));
    EXPECT_FALSE(parseContentLength("99999999999999999999999", maxUpdateListBytes));
    EXPECT_FALSE(parseContentLength("-1", maxUpdateListBytes));
    EXPECT_FALSE(parseContentLength("", maxUpdateListBytes));
}

// ---- manifest ----------------------------------------------------------------------------------

const std::string digestA(64, 'a');
const std::string header = std::string(manifestHeader) + "\nrelease 7\n";
std::string line(const std::string& path, const std::string& size = "12") { return digestA + " " + size + " " + path; }

TEST(UpdateManifest, ReadsReleaseAndEntries) {
    const auto manifest = parseManifest(std::string(manifestHeader) + "\r\nrelease 42\r\n" + line("QV.exe") + "\r\n" +
                                        line("help/enQV.chm", "0") + "\n");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->release, 42u);
    ASSERT_EQ(manifest->entries.size(), 2u);
    EXPECT_EQ(manifest->entries[0].digest[31], 0xAA);
    EXPECT_EQ(manifest->entries[1].path, "help/enQV.chm");
    EXPECT_EQ(manifest->entries[1].size, 0u);
    EXPECT_EQ(windowsRelativePath(manifest->entries[1].path), "help\\enQV.chm");
    EXPECT_TRUE(parseManifest(header)); // an empty update
    // The release number: 1 to 4294967295, plain digits.
    EXPECT_EQ(parseReleaseNumber("1"), 1u);
    EXPECT_EQ(parseReleaseNumber("4294967295"), 4294967295u);
    for (const char* bad : {"0", "01", "4294967296", "99999999999", "+1", "-1", "1 ", "", "1a"})
        EXPECT_FALSE(parseReleaseNumber(bad)) << bad;
    // A manifest without its release line (the earlier format) is refused: it could be replayed.
    for (const std::string& text :
         {std::string("QV-UPDATE-MANIFEST 1\n") + line("a"), std::string(manifestHeader) + "\n" + line("a"),
          std::string(manifestHeader) + "\nrelease 0\n", std::string(manifestHeader) + "\nrelease  7\n",
          std::string(manifestHeader)})
        EXPECT_FALSE(parseManifest(text)) << text;
}

TEST(UpdateManifest, RefusesUnsafePathsAndMalformedLines) {
    for (const char* path : {"../QV.exe",
                             "help/../../x",
                             "..",
                             ".",
                             "a/./b",
                             "/QV.exe",
                             "C:/QV.exe",
                             "C:QV.exe",
                             "QV.exe:stream",
                             "a\\b",
                             "a//b",
                             "a/",
                             "",
                             "CON",
                             "nul.txt",
                             "com1",
                             "LPT9.dll",
                             "name.",
                             "sp ace",
                             "tab\t",
                             "OnlineUpdate.exe",
                             "onlineupdate.staging/x",
                             "OnlineUpdate.journal",
                             "ONLINEUPDATE.release",
                             "QV.exe.update-old",
                             "caf\xc3\xa9"})
        EXPECT_FALSE(parseManifest(header + line(path))) << path;
    EXPECT_TRUE(isSafeRelativePath("COM10.txt"));
    EXPECT_TRUE(isSafeRelativePath("a+b/c_d-e.f"));
    EXPECT_TRUE(parseManifest(header + line("help/OnlineUpdate.exe"))); // only the top-level names are the updater's

    for (const std::string& text :
         {std::string(""), header + "\n", header + line("a", "268435457"), header + line("a", "-1"),
          header + line("a", ""), header + std::string(63, 'a') + " 1 a", header + std::string(64, 'g') + " 1 a",
          header + line("a") + "\n" + line("A"), header + digestA + " 1"})
        EXPECT_FALSE(parseManifest(text)) << text;
}

// ---- public key --------------------------------------------------------------------------------

TEST(UpdateKey, ReadsTheTestKeyAndRefusesDamage) {
    auto pem = test::readBytes(QV_TEST_KEYS "/update-test-public.pem");
    const auto key = parseRsaPublicKey(pem);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->modulus.size(), 256u);
    EXPECT_EQ(key->exponent, (std::vector<std::uint8_t>{1, 0, 1}));
    EXPECT_FALSE(parseRsaPublicKey(test::readBytes(QV_TEST_KEYS "/README.md")));
    const std::string text(pem.begin(), pem.end());
    const std::size_t body = text.find('\n') + 1;
    for (std::size_t cut : {body + 10, body + 200, text.size() - 40}) { // truncated DER inside valid PEM
        std::string shortened = text.substr(0, cut) + "\n-----END PUBLIC KEY-----\n";
        EXPECT_FALSE(parseRsaPublicKey({reinterpret_cast<const std::uint8_t*>(shortened.data()), shortened.size()}));
    }
}

// ---- install plan ------------------------------------------------------------------------------

// Files as a map of path to content, folders as a set. The operation numbered failAt fails; from
// the operation numbered powerLossAt on, every operation fails (the write under way is cut short)
// until losePower() takes the disk as the next start finds it: written content not yet flushed is
// gone.
class MemoryFiles final : public InstallFileSystem {
  public:
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    std::set<std::string> unflushed;
    int failAt = -1;
    int powerLossAt = -1;
    int operations = 0;

    bool exists(const std::string& path) const override { return files.count(path) || folders.count(path); }
    bool isDirectory(const std::string& path) const override { return folders.count(path) != 0; }
    bool makeDirectory(const std::string& path) override {
        return step() && !files.count(path) && folders.insert(path).second;
    }
    bool removeDirectory(const std::string& path) override {
        for (const auto& [name, content] : files)
            if (name.starts_with(path + "\\")) return false;
        return step() && folders.erase(path) == 1;
    }
    bool move(const std::string& from, const std::string& to) override {
        if (!step() || !files.count(from) || exists(to)) return false;
        files[to] = files[from];
        files.erase(from);
        if (unflushed.erase(from)) unflushed.insert(to);
        return true;
    }
    bool remove(const std::string& path) override { return step() && files.erase(path) == 1; }
    bool flush(const std::string& path) override {
        return step() && files.count(path) && (unflushed.erase(path), true);
    }
    bool writeFile(const std::string& path, std::string_view content) override {
        const int number = operations;
        if (!step()) {
            if (number == powerLossAt) files[path] = content.substr(0, content.size() / 2);
            return false;
        }
        files[path] = content;
        unflushed.erase(path);
        return true;
    }
    std::optional<std::string> readFile(const std::string& path) const override {
        if (!files.count(path)) return std::nullopt;
        return files.at(path);
    }
    void losePower() {
        for (const std::string& path : unflushed) files[path].clear();
        unflushed.clear();
        failAt = powerLossAt = -1;
        operations = 0;
    }
    // The program folder without the updater's staging folder and release record.
    std::map<std::string, std::string> program() const {
        std::map<std::string, std::string> result;
        for (const auto& [name, content] : files)
            if (!name.starts_with("P\\OnlineUpdate.staging\\") && name != "P\\OnlineUpdate.release")
                result[name] = content;
        return result;
    }

  private:
    bool step() {
        const int number = operations++;
        return (powerLossAt < 0 || number < powerLossAt) && number != failAt;
    }
};

class UpdateInstall : public ::testing::Test {
  protected:
    UpdateInstall() {
        start.folders = {"P", "P\\OnlineUpdate.staging"};
        start.files = {{"P\\QV.exe", "old exe"},
                       {"P\\QvRun.dll", "old dll"},
                       {"P\\keep.txt", "mine"},
                       {"P\\OnlineUpdate.staging\\0", "new exe"},
                       {"P\\OnlineUpdate.staging\\1", "new chm"},
                       {"P\\OnlineUpdate.staging\\2", "new dll"}};
        start.unflushed = {"P\\OnlineUpdate.staging\\0", "P\\OnlineUpdate.staging\\1", "P\\OnlineUpdate.staging\\2"};
    }
    MemoryFiles start;
    const StagedFile staged[3] = {{"0", "QV.exe"}, {"1", "help/en/enQV.chm"}, {"2", "QvRun.dll"}};
    const std::map<std::string, std::string> updated{{"P\\QV.exe", "new exe"},
                                                     {"P\\QvRun.dll", "new dll"},
                                                     {"P\\help\\en\\enQV.chm", "new chm"},
                                                     {"P\\keep.txt", "mine"}};
    // The folder is either as it was or wholly updated, with nothing of the install left over.
    void expectOldOrNew(const MemoryFiles& files, bool updatedExpected, const std::string& where) {
        if (updatedExpected) {
            EXPECT_EQ(files.program(), updated) << where;
            EXPECT_EQ(installedRelease(files, "P"), 9u) << where;
        } else {
            EXPECT_EQ(files.program(), start.program()) << where;
            EXPECT_EQ(files.folders, start.folders) << where;
        }
    }
};

TEST_F(UpdateInstall, ReplacesEveryFileOrRestoresTheFolder) {
    MemoryFiles done = start;
    EXPECT_EQ(installedRelease(done, "P"), 0u);
    ASSERT_EQ(installStaged(done, "P", staged, 9), InstallOutcome::Installed);
    expectOldOrNew(done, true, "whole run");
    EXPECT_TRUE(done.folders.count("P\\help\\en"));
    EXPECT_TRUE(done.unflushed.empty()); // staged files reach the disk before they are renamed

    for (int failAt = 0; failAt < done.operations; ++failAt) {
        MemoryFiles files = start;
        files.failAt = failAt;
        const InstallOutcome outcome = installStaged(files, "P", staged, 9);
        ASSERT_NE(outcome, InstallOutcome::RollbackIncomplete) << failAt;
        if (outcome == InstallOutcome::Installed) { // the failed step was finishing: the next start does it
            // What the next start finds is read before it runs (it removes the journal).
            const RecoveryOutcome expected =
                files.exists("P\\OnlineUpdate.journal") ? RecoveryOutcome::Completed : RecoveryOutcome::NothingToDo;
            EXPECT_EQ(recoverInterruptedInstall(files, "P"), expected);
            // A backup that could not be deleted stays until the next install clears it.
            std::erase_if(files.files, [](const auto& file) { return file.first.ends_with(".update-old"); });
        } else {
            EXPECT_EQ(recoverInterruptedInstall(files, "P"), RecoveryOutcome::NothingToDo) << failAt;
        }
        expectOldOrNew(files, outcome == InstallOutcome::Installed, "fail at " + std::to_string(failAt));
    }
}

TEST_F(UpdateInstall, PowerLossAtAnyStepIsFinishedOrUndoneAtTheNextStart) {
    MemoryFiles whole = start;
    ASSERT_EQ(installStaged(whole, "P", staged, 9), InstallOutcome::Installed);
    for (int lossAt = 0; lossAt <= whole.operations; ++lossAt) {
        MemoryFiles files = start;
        files.powerLossAt = lossAt;
        installStaged(files, "P", staged, 9);
        files.losePower();
        const MemoryFiles interrupted = files;
        const RecoveryOutcome outcome = recoverInterruptedInstall(files, "P");
        ASSERT_NE(outcome, RecoveryOutcome::Failed) << lossAt;
        const bool completed = outcome == RecoveryOutcome::Completed ||
            (outcome == RecoveryOutcome::NothingToDo && files.program() == updated);
        const std::string where = "power lost at " + std::to_string(lossAt);
        expectOldOrNew(files, completed, where);
        EXPECT_EQ(recoverInterruptedInstall(files, "P"), RecoveryOutcome::NothingToDo) << where;

        // The recovery itself loses power at each of its steps: the start after it ends the job.
        const int recoverySteps = files.operations;
        for (int again = 0; again < recoverySteps; ++again) {
            MemoryFiles twice = interrupted;
            twice.powerLossAt = again;
            recoverInterruptedInstall(twice, "P");
            twice.losePower();
            ASSERT_NE(recoverInterruptedInstall(twice, "P"), RecoveryOutcome::Failed) << where << ", " << again;
            expectOldOrNew(twice, completed, where + ", recovery lost power at " + std::to_string(again));
        }
    }
}

TEST_F(UpdateInstall, RefusesAFolderInTheWayBeforeAnythingMoves) {
    for (const char* folder : {"P\\QvRun.dll", "P\\help\\en\\enQV.chm"}) {
        MemoryFiles files = start;
        files.folders.insert({"P\\help", "P\\help\\en", folder});
        const MemoryFiles before = files;
        EXPECT_EQ(installStaged(files, "P", staged, 9), InstallOutcome::PathInTheWay) << folder;
        EXPECT_EQ(files.files, before.files) << folder;
        EXPECT_EQ(files.folders, before.folders) << folder;
    }
    MemoryFiles fileAsFolder = start;
    fileAsFolder.files["P\\help"] = "a file where a folder should be";
    EXPECT_EQ(installStaged(fileAsFolder, "P", staged, 9), InstallOutcome::PathInTheWay);
    EXPECT_EQ(fileAsFolder.operations, 0);
}

TEST_F(UpdateInstall, ClearsStaleBackupsAndRecordsTheRelease) {
    MemoryFiles leftover = start;
    leftover.files["P\\QvRun.dll.update-old"] = "older dll"; // left by a completed install
    ASSERT_EQ(installStaged(leftover, "P", staged, 9), InstallOutcome::Installed);
    expectOldOrNew(leftover, true, "stale backup");

    MemoryFiles stuck = start;
    stuck.files["P\\QvRun.dll.update-old"] = "older dll";
    stuck.failAt = 0; // the stale backup cannot be removed
    const auto before = stuck.files;
    EXPECT_EQ(installStaged(stuck, "P", staged, 9), InstallOutcome::RolledBack);
    EXPECT_EQ(stuck.files, before);

    // A journal that could be neither finished nor undone blocks any further install.
    MemoryFiles blocked = start;
    blocked.files["P\\OnlineUpdate.journal"] = "QV-UPDATE-JOURNAL 1\n";
    EXPECT_EQ(installStaged(blocked, "P", staged, 9), InstallOutcome::RollbackIncomplete);
    EXPECT_EQ(blocked.program(), (MemoryFiles(blocked).program()));
    EXPECT_EQ(blocked.files.at("P\\QV.exe"), "old exe");

    MemoryFiles release = start;
    for (const char* text : {"", "x", "0\r\n", "4294967296\r\n"}) {
        release.files["P\\OnlineUpdate.release"] = text;
        EXPECT_EQ(installedRelease(release, "P"), 0u) << text;
    }
    ASSERT_TRUE(recordRelease(release, "P", 4294967295u));
    EXPECT_EQ(installedRelease(release, "P"), 4294967295u);
}

} // namespace
} // namespace qv
