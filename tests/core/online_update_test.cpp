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
std::string line(const std::string& path, const std::string& size = "12") { return digestA + " " + size + " " + path; }

TEST(UpdateManifest, ReadsEntries) {
    const auto entries = parseManifest(std::string(manifestHeader) + "\r\n" + line("QV.exe") + "\r\n" +
                                       line("help/enQV.chm", "0") + "\n");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].digest[31], 0xAA);
    EXPECT_EQ((*entries)[1].path, "help/enQV.chm");
    EXPECT_EQ((*entries)[1].size, 0u);
    EXPECT_EQ(windowsRelativePath((*entries)[1].path), "help\\enQV.chm");
    EXPECT_TRUE(parseManifest(manifestHeader)); // an empty update
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
                             "QV.exe.update-old",
                             "caf\xc3\xa9"})
        EXPECT_FALSE(parseManifest(std::string(manifestHeader) + "\n" + line(path))) << path;
    EXPECT_TRUE(isSafeRelativePath("COM10.txt"));
    EXPECT_TRUE(isSafeRelativePath("a+b/c_d-e.f"));

    const std::string header = std::string(manifestHeader) + "\n";
    for (const std::string& text :
         {std::string("QV-UPDATE-MANIFEST 2\n"), std::string(""), header + "\n", header + line("a", "268435457"),
          header + line("a", "-1"), header + line("a", ""), header + std::string(63, 'a') + " 1 a",
          header + std::string(64, 'g') + " 1 a", header + line("a") + "\n" + line("A"), header + digestA + " 1"})
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

// Files as a map of path to content, folders as a set; the operation numbered failAt fails.
class MemoryFiles final : public InstallFileSystem {
  public:
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    int failAt = -1;
    int operations = 0;

    bool exists(const std::string& path) const override { return files.count(path) || folders.count(path); }
    bool makeDirectory(const std::string& path) override { return step() && folders.insert(path).second; }
    bool removeDirectory(const std::string& path) override {
        for (const auto& [name, content] : files)
            if (name.starts_with(path + "\\")) return false;
        return step() && folders.erase(path) == 1;
    }
    bool move(const std::string& from, const std::string& to) override {
        if (!step() || !files.count(from) || exists(to)) return false;
        files[to] = files[from];
        files.erase(from);
        return true;
    }
    bool remove(const std::string& path) override { return step() && files.erase(path) == 1; }

  private:
    bool step() { return operations++ != failAt; }
};

TEST(UpdateInstall, ReplacesEveryFileOrRestoresTheFolder) {
    MemoryFiles start;
    start.folders = {"P", "P\\stage"};
    start.files = {{"P\\QV.exe", "old exe"},   {"P\\QvRun.dll", "old dll"}, {"P\\keep.txt", "mine"},
                   {"P\\stage\\0", "new exe"}, {"P\\stage\\1", "new chm"},  {"P\\stage\\2", "new dll"}};
    const StagedFile staged[] = {
        {"P\\stage\\0", "QV.exe"}, {"P\\stage\\1", "help\\en\\enQV.chm"}, {"P\\stage\\2", "QvRun.dll"}};

    MemoryFiles done = start;
    ASSERT_EQ(installStaged(done, "P", staged), InstallOutcome::Installed);
    EXPECT_EQ(done.files,
              (std::map<std::string, std::string>{{"P\\QV.exe", "new exe"},
                                                  {"P\\QvRun.dll", "new dll"},
                                                  {"P\\help\\en\\enQV.chm", "new chm"},
                                                  {"P\\keep.txt", "mine"}}));
    EXPECT_TRUE(done.folders.count("P\\help\\en"));

    // A failure at any step leaves the folder as it was; a left-over backup is never overwritten.
    for (int failAt = 0; failAt < done.operations; ++failAt) {
        MemoryFiles files = start;
        files.failAt = failAt;
        const InstallOutcome outcome = installStaged(files, "P", staged);
        if (outcome == InstallOutcome::Installed) continue; // the failed step was deleting a backup
        EXPECT_EQ(outcome, InstallOutcome::RolledBack) << failAt;
        EXPECT_EQ(files.files, start.files) << failAt;
        EXPECT_EQ(files.folders, start.folders) << failAt;
    }
    MemoryFiles leftover = start;
    leftover.files["P\\QvRun.dll.update-old"] = "older dll";
    EXPECT_EQ(installStaged(leftover, "P", staged), InstallOutcome::RolledBack);
    EXPECT_EQ(leftover.files.at("P\\QvRun.dll.update-old"), "older dll");
    EXPECT_EQ(leftover.files.at("P\\QV.exe"), "old exe");
}

} // namespace
} // namespace qv
