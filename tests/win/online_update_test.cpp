// The online update's wiring under Wine: the check's thread against a small HTTP server on the
// loopback address that this test runs, the main window's 0x506 report and its boxes in start-up
// and interactive modes, a build without a key, the updater carried as resource "UPDATE" 546, and
// the guards of its start: the copy's digest, the system's cmd.exe, the quoted path before Vista.
#include "app/online_update.h"

#include "shell_fixture.h"

#include "resource.h"

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace qv::win::test {
namespace {

// Answers every connection with `response` (raw bytes, closed after sending) and keeps the last
// request's head.
class LoopbackServer {
  public:
    LoopbackServer() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 4);
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackServer() {
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string response;
    std::string lastRequest() {
        std::lock_guard lock(mutex_);
        return request_;
    }

  private:
    void serve() {
        while (true) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            std::string head;
            char buffer[1024];
            int got;
            while (head.find("\r\n\r\n") == std::string::npos && (got = recv(client, buffer, sizeof buffer, 0)) > 0)
                head.append(buffer, static_cast<std::size_t>(got));
            {
                std::lock_guard lock(mutex_);
                request_ = head;
            }
            send(client, response.data(), static_cast<int>(response.size()), 0);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }
    SOCKET listener_;
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::string request_;
};

std::string answer(const std::string& status, const std::string& body, const std::string& length) {
    std::string text = "HTTP/1.0 " + status + "\r\n";
    if (!length.empty()) text += "Content-Length: " + length + "\r\n";
    return text + "\r\n" + body;
}
std::string ok(const std::string& body) { return answer("200 OK", body, std::to_string(body.size())); }

std::vector<std::pair<WPARAM, LPARAM>> reports;
WNDPROC mainProcedure = nullptr;
LRESULT CALLBACK recordReports(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == updateReport) reports.emplace_back(wParam, lParam);
    return CallWindowProcW(mainProcedure, window, message, wParam, lParam);
}

class OnlineUpdate : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        reports.clear();
        app().updateServer = server.address();
        app().updateTrust = UpdateTrust::Maker;
        setMessageBoxScript([this](const ShownMessage& shown) {
            shownBoxes.push_back(shown);
            return IDNO;
        });
    }
    // Creates the main window (whose WM_CREATE starts the start-up check) and records its reports.
    void create() {
        window = createMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
        ASSERT_TRUE(window);
        mainProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordReports)));
    }
    void waitForReports(std::size_t count) {
        for (int i = 0; i < 400 && reports.size() < count; ++i) {
            pumpMessages();
            Sleep(25);
        }
        ASSERT_EQ(reports.size(), count);
    }
    void checkInteractively() { SendMessageW(window, WM_SYSCOMMAND, ID_ONLINE_UPDATE, 0); }

    LoopbackServer server;
};

TEST_F(OnlineUpdate, StartUpCheckOffersAnUpdateForAMissingDll) {
    server.response = ok("QV.exe 0.0.0.0 .\r\nMissing.dll 1.0.0.0 .\r\n");
    create();
    waitForReports(1);
    EXPECT_EQ(reports[0], (std::pair<WPARAM, LPARAM>{1, 1}));
    const std::string request = server.lastRequest();
    EXPECT_EQ(request.rfind("GET /Software/OnlineUpdate/QV/OnlineUpdate.txt HTTP/1.0\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: TavroQV\r\n"), std::string::npos) << request;
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, 11068);
    EXPECT_EQ(shownBoxes[0].captionId, 17300);
    EXPECT_EQ(shownBoxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    pumpMessages(); // No: the program goes on
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(OnlineUpdate, UpToDateIsToldOnlyWhenAsked) {
    server.response = ok("qv.exe 0.0.0.0 .\r\nQV.exe 1.2.3 .\r\n"); // the running QV.exe is newer; a malformed token
    create();
    waitForReports(1);
    EXPECT_EQ(reports[0], (std::pair<WPARAM, LPARAM>{1, 0}));
    EXPECT_TRUE(shownBoxes.empty());
    checkInteractively();
    waitForReports(2);
    EXPECT_EQ(reports[1], (std::pair<WPARAM, LPARAM>{1, 0}));
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, 11070);
    EXPECT_EQ(shownBoxes[0].captionId, 17300);
    EXPECT_EQ(shownBoxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
}

TEST_F(OnlineUpdate, FailedFetchesAreToldOnlyWhenAsked) {
    const std::string list = "QV.exe 0.0.0.0 . Missing.dll 1.0.0.0 .";
    const std::string failures[] = {
        answer("404 Not Found", "QV.exe", "6"), answer("200 OK", list, ""), // no length
        answer("200 OK", list, "1048577"), // above 1 MB
        answer("200 OK", list, std::to_string(list.size() + 10)), // cut short
    };
    server.response = failures[0];
    create();
    waitForReports(1);
    EXPECT_TRUE(shownBoxes.empty());
    for (std::size_t i = 0; i < std::size(failures); ++i) {
        server.response = failures[i];
        checkInteractively();
        waitForReports(i + 2);
        EXPECT_EQ(reports.back(), (std::pair<WPARAM, LPARAM>{0, 0})) << i;
        ASSERT_EQ(shownBoxes.size(), i + 1);
        EXPECT_EQ(shownBoxes[i].stringId, 11069);
        EXPECT_EQ(shownBoxes[i].captionId, 17301);
        EXPECT_EQ(shownBoxes[i].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    }
}

TEST_F(OnlineUpdate, NoServerAtStartUpShowsNothing) {
    app().updateServer = "127.0.0.1:1";
    create();
    waitForReports(1);
    EXPECT_EQ(reports[0], (std::pair<WPARAM, LPARAM>{0, 0}));
    pumpMessages();
    EXPECT_TRUE(shownBoxes.empty());
}

TEST_F(OnlineUpdate, CarriesTheUpdaterAndWritesItOut) {
    const auto program = updaterProgram();
    ASSERT_GT(program.size(), 1024u);
    EXPECT_EQ(program[0], 'M');
    EXPECT_EQ(program[1], 'Z');
    qv::test::TempFolder folder;
    const std::string path = folder.file("OnlineUpdate.exe");
    qv::test::writeBytes(path, {1, 2, 3}); // an old copy is replaced
    ASSERT_TRUE(writeWholeFile(path, program));
    EXPECT_EQ(qv::test::readBytes(path), std::vector<std::uint8_t>(program.begin(), program.end()));
}

TEST_F(OnlineUpdate, ABuildWithoutAKeySaysItInstallsNoUpdate) {
    app().updateTrust = UpdateTrust::None;
    server.response = ok("QV.exe 0.0.0.0 .\r\nMissing.dll 1.0.0.0 .\r\n");
    create();
    waitForReports(1);
    pumpMessages();
    ASSERT_EQ(shownBoxes.size(), 1u); // no question, no updater
    EXPECT_EQ(shownBoxes[0].stringId, 18300);
    EXPECT_EQ(shownBoxes[0].captionId, 17300);
    EXPECT_TRUE(IsWindow(window));
    app().updateTrust = UpdateTrust::Maker;
}

// Waits up to 10 s for a file to appear.
bool appears(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(50);
    }
    return false;
}

TEST_F(OnlineUpdate, StartsOnlyTheCopyItChecked) {
    const auto program = qv::test::readBytes("PlantedProgram.exe");
    ASSERT_GT(program.size(), 1024u);
    qv::test::TempFolder folder;
    const std::string path = folder.file("OnlineUpdate.exe");
    // A same-size swap (one byte changed) and a cut copy are refused and not started.
    auto swapped = program;
    swapped[swapped.size() / 2] ^= 0x5A;
    for (const auto& copy : {swapped, std::vector<std::uint8_t>(program.begin(), program.end() - 1)}) {
        qv::test::writeBytes(path, copy);
        EXPECT_EQ(launchVerifiedUpdater(path, program, folder.path()), UpdaterStart::CopyMismatch);
        Sleep(500);
        EXPECT_EQ(GetFileAttributesA((path + ".ran").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    qv::test::writeBytes(path, program);
    ASSERT_EQ(launchVerifiedUpdater(path, program, folder.path()), UpdaterStart::Started);
    EXPECT_TRUE(appears(path + ".ran"));
}

TEST_F(OnlineUpdate, StartsTheSystemCommandAndAQuotedPath) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const auto command = systemCommand();
    ASSERT_TRUE(command);
    EXPECT_EQ(command->program, std::string(system) + "\\cmd.exe");
    EXPECT_EQ(command->directory, system);
    EXPECT_EQ(command->parameters("DEL x"), "/D /C DEL x");

    // Before Vista the updater is started by WinExec: a "Program.exe" planted above a folder with
    // a blank in its name must not be what runs.
    const auto program = qv::test::readBytes("PlantedProgram.exe");
    qv::test::TempFolder root;
    CreateDirectoryA(root.file("Program Files").c_str(), nullptr);
    CreateDirectoryA(root.file("Program Files\\QV").c_str(), nullptr);
    const std::string planted = root.file("Program.exe");
    qv::test::writeBytes(planted, program);
    const std::string updater = root.file("Program Files\\QV\\OnlineUpdate.exe");
    ASSERT_EQ(startUpdaterBeside(updater, program), UpdaterStart::Started);
    EXPECT_TRUE(appears(updater + ".ran"));
    Sleep(300);
    EXPECT_EQ(GetFileAttributesA((planted + ".ran").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
} // namespace qv::win::test
