// The help-file path in the running program and the compiled help files next to the program.
#include "shell_fixture.h"

#include "app/help_topics.h"
#include "app/strings_win.h"

#include <objbase.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#ifndef QV_HELP_FILES_BUILT
#define QV_HELP_FILES_BUILT 0
#endif

namespace qv::win::test {
// The system's reader of compiled help files (itss.dll); only the methods up to the one used.
// Outside the anonymous namespace: with no class in this file implementing it, the compiler
// would otherwise take calls through it for unreachable.
struct HelpStorageReader : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};

namespace {

using Help = ShellTest;

TEST_F(Help, PathFollowsTheLanguageAndTheInstalledEngine) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const bool htmlHelp = GetFileAttributesA((std::string(windows) + "\\HH.exe").c_str()) != INVALID_FILE_ATTRIBUTES;
    struct Case {
        LANGID language;
        const char* chm;
        const char* hlp;
    } cases[] = {{languageEnglish, "\\enQV.chm", "\\QVENG.hlp"},
                 {languageTraditionalChinese, "\\twQV.chm", "\\QV.hlp"},
                 {languageSimplifiedChinese, "\\cnQV.chm", "\\QVENG.hlp"}};
    for (const auto& c : cases) {
        setThreadLanguage(c.language);
        buildHelpPath();
        const std::string& path = app().helpPath;
        const std::string name = htmlHelp ? c.chm : c.hlp;
        ASSERT_GE(path.size(), name.size());
        EXPECT_EQ(path.substr(path.size() - name.size()), name);
        // The directory is the program's: this test program is not QV.exe, so it stays empty.
        EXPECT_EQ(path, name);
    }
    clearHelpPath();
    EXPECT_TRUE(app().helpPath.empty());
}

TEST(HtmlHelpEngine, LoadsFromTheRegisteredControl) {
    char library[MAX_PATH] = {};
    LONG size = sizeof library;
    const bool registered =
        RegQueryValueA(HKEY_CLASSES_ROOT, "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", library,
                       &size) == ERROR_SUCCESS;
    if (!registered && !LoadLibraryA("hhctrl.ocx")) GTEST_SKIP() << "no HTML Help control on this system";
    EXPECT_TRUE(htmlHelpAvailable());
    EXPECT_TRUE(GetModuleHandleA(registered ? library : "hhctrl.ocx")) << library;
}

// The file `name` in this test program's folder, where the build puts the help files beside QV.exe
// (whatever the working directory).
std::wstring besideProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    const std::wstring program(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return program.substr(0, program.find_last_of(L'\\') + 1) + name;
}

// A build that compiled the help files (chmcmd found) must have put them there: a missing one fails
// the test; without chmcmd the test is skipped.
#define REQUIRE_HELP_FILE(path)                                                                                        \
    if (GetFileAttributesW((path).c_str()) == INVALID_FILE_ATTRIBUTES) {                                               \
        ASSERT_FALSE(QV_HELP_FILES_BUILT) << "help file missing beside the test program";                              \
        GTEST_SKIP() << "help files not built (chmcmd missing)";                                                       \
    }

// Compiled HTML help: "ITSF" header and a directory entry for every topic the program opens.
TEST(HelpFiles, CompiledNextToTheProgramWithTheirTopics) {
    for (const wchar_t* name : {L"enQV.chm", L"twQV.chm", L"cnQV.chm"}) {
        const std::wstring path = besideProgram(name);
        SCOPED_TRACE(std::filesystem::path(path).string());
        REQUIRE_HELP_FILE(path);
        std::ifstream file(std::filesystem::path(path), std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_GE(data.size(), 4u);
        EXPECT_EQ(data.substr(0, 4), "ITSF");
        for (const char* topic : {"/1-1.htm", "/3-1.htm", "/3-3.htm", "/3-35.htm", "/3-38.htm", "/3-56.htm"})
            EXPECT_NE(data.find(topic), std::string::npos) << topic;
    }
}

constexpr CLSID clsidHelpStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
constexpr IID iidHelpStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

// The bytes of the file `name` stored in the compiled help file `chm` (empty when it cannot be read).
std::string readCompiledFile(const wchar_t* chm, const wchar_t* name) {
    std::string bytes;
    HMODULE itss = LoadLibraryA("itss.dll");
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto getClassObject = itss
        ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(itss, "DllGetClassObject")))
        : nullptr;
    IClassFactory* factory = nullptr;
    if (!getClassObject ||
        FAILED(getClassObject(clsidHelpStorage, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return bytes;
    HelpStorageReader* reader = nullptr;
    IStorage* storage = nullptr;
    IStream* stream = nullptr;
    wchar_t path[MAX_PATH] = {};
    GetFullPathNameW(chm, MAX_PATH, path, nullptr);
    if (SUCCEEDED(factory->CreateInstance(nullptr, iidHelpStorage, reinterpret_cast<void**>(&reader))) &&
        SUCCEEDED(reader->StgOpenStorage(path, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &storage)) &&
        SUCCEEDED(storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
        char chunk[4096];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &got)) && got > 0) bytes.append(chunk, got);
    }
    if (stream) stream->Release();
    if (storage) storage->Release();
    if (reader) reader->Release();
    factory->Release();
    return bytes;
}

std::string encode(UINT codePage, const wchar_t* text) {
    char bytes[256] = {};
    const int size = WideCharToMultiByte(codePage, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    return std::string(bytes, size > 0 ? size - 1 : 0);
}

// The help engine reads the contents, the window title and the page titles of a Chinese help file
// in the language's ANSI code page: they hold Big5 / GBK bytes, and the pages declare that charset.
TEST(HelpFiles, ChineseContentsAndTitlesInTheLanguageCodePage) {
    struct Case {
        const wchar_t* chm;
        UINT codePage;
        const char* charset;
        const wchar_t* topTitle; // first contents entry and title of 1-1.htm
        const wchar_t* windowTitle;
    } cases[] = {{L"twQV.chm", 950, "charset=big5", L"圖形產生器", L"圖形產生器說明"},
                 {L"cnQV.chm", 936, "charset=gb2312", L"图形发生器", L"图形发生器帮助"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        const std::wstring chm = besideProgram(c.chm);
        REQUIRE_HELP_FILE(chm);
        const std::string contents = readCompiledFile(chm.c_str(), L"contents.hhc");
        const std::string page = readCompiledFile(chm.c_str(), L"1-1.htm");
        const std::string system = readCompiledFile(chm.c_str(), L"#SYSTEM");
        ASSERT_FALSE(contents.empty());
        ASSERT_FALSE(page.empty());
        ASSERT_FALSE(system.empty());
        const std::string top = encode(c.codePage, c.topTitle);
        EXPECT_NE(contents.find("\"Name\" value=\"" + top + "\""), std::string::npos);
        EXPECT_EQ(contents.find(encode(CP_UTF8, c.topTitle)), std::string::npos);
        EXPECT_GT(MultiByteToWideChar(c.codePage, MB_ERR_INVALID_CHARS, contents.data(),
                                      static_cast<int>(contents.size()), nullptr, 0),
                  0);
        EXPECT_NE(page.find("<title>" + top + "</title>"), std::string::npos);
        EXPECT_NE(page.find(c.charset), std::string::npos);
        EXPECT_EQ(page.find("charset=utf-8"), std::string::npos);
        EXPECT_NE(system.find(encode(c.codePage, c.windowTitle)), std::string::npos);
    }
}

// Every topic the program's windows, dialogs and boxes open is a page in each of the three help
// files: a Help button never lands on "page not found".
TEST(HelpFiles, EveryTopicOpenedIsInAllThreeFiles) {
    for (const wchar_t* name : {L"enQV.chm", L"twQV.chm", L"cnQV.chm"}) {
        const std::wstring path = besideProgram(name);
        REQUIRE_HELP_FILE(path);
        const wchar_t* chm = path.c_str();
        for (const char* topic : helpTopicsOpened) {
            const std::string page(topic + 3); // after "::/"
            SCOPED_TRACE(page);
            const std::string bytes = readCompiledFile(chm, std::wstring(page.begin(), page.end()).c_str());
            EXPECT_NE(bytes.find("<h1>"), std::string::npos) << toUtf8(chm);
        }
    }
}

// The tools' pages teach: settings, messages and a worked example of the data, in every language.
TEST(HelpFiles, ToolPagesGiveAWorkedExample) {
    for (const wchar_t* name : {L"enQV.chm", L"twQV.chm", L"cnQV.chm"}) {
        const std::wstring path = besideProgram(name);
        REQUIRE_HELP_FILE(path);
        const wchar_t* chm = path.c_str();
        struct Page {
            const wchar_t* name;
            const char* example;
        } pages[] = {{L"3-34.htm", "<pre>41\n42\n0x43</pre>"},
                     {L"3-35.htm", "<pre>Aw=50;\nD=00,12,34;</pre>"},
                     {L"3-44.htm", "<pre>A5;3C;7E;</pre>"},
                     {L"3-37.htm", "ASSIGN D[3..0] 4..1;"},
                     {L"3-41.htm", "<code>burst.qvw</code>"},
                     {L"3-19.htm", "<code>wave0001.BMP</code>"},
                     {L"3-3.htm", "<b>Ctrl+A</b>"},
                     {L"3-56.htm", "$var wire 4 \" count $end"},
                     {L"3-31.htm", "<pre>channel 5..2: 0 0 ... 0 | 1 2 3"},
                     {L"3-32.htm", "bit 2 rises at sample 2</pre>"},
                     {L"3-38.htm", "<code>uart.sr</code>"},
                     {L"3-43.htm", "t_prcs_clk: PROCESS"},
                     {L"3-25.htm", "CLK      0  0  1  1  0  0  1  1</pre>"},
                     {L"3-26.htm", "DATA    FE FE FF FF 00 00 01 01 02 02</pre>"},
                     {L"3-30.htm", "<code>12.5</code>"},
                     {L"3-10.htm", "<code>ADDR</code>"},
                     {L"3-14.htm", "<code>01100101</code>"},
                     {L"3-1.htm", "<code>3.3V</code>"},
                     {L"3-52.htm", "<pre>SYNC SOF 288   1   EOP \nSYNC SETUP  1 0 17   EOP "}};
        for (const Page& page : pages) {
            SCOPED_TRACE(toUtf8(std::wstring(chm) + L" " + page.name));
            const std::string bytes = readCompiledFile(chm, page.name);
            EXPECT_NE(bytes.find(page.example), std::string::npos);
            std::size_t sections = 0;
            for (std::size_t at = bytes.find("<h2>"); at != std::string::npos; at = bytes.find("<h2>", at + 1))
                ++sections;
            EXPECT_GE(sections, 2u);
        }
    }
}

// Names in the English contents are plain text: an apostrophe is written as itself.
TEST(HelpFiles, EnglishContentsWithoutCharacterReferences) {
    const std::wstring chm = besideProgram(L"enQV.chm");
    REQUIRE_HELP_FILE(chm);
    const std::string contents = readCompiledFile(chm.c_str(), L"contents.hhc");
    ASSERT_FALSE(contents.empty());
    EXPECT_NE(contents.find("\"Load from LA's Waveform\""), std::string::npos);
    EXPECT_EQ(contents.find("&#"), std::string::npos);
}

} // namespace
} // namespace qv::win::test
