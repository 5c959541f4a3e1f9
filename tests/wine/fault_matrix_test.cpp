// The real programs under faults of their surroundings, one table row per fault.
//
// Service rows: with the fault in place the service is sent a status. It must not crash,
// must show no window of its own, must serve the next client within a second of what the
// fault itself costs, and must still end with code 0 on "exit". Each row adds what the user
// then sees. The pipe name taken by another process is a test of its own, since that
// service never serves at all.
//
// Pop-up rows: the real tkWDBox.exe reads a damaged report. It shows what the report's TYPE
// and PRINTER say as the profile interface reads them (each value at most 99 characters),
// or nothing, and always ends with code 0.
//
// Read-only files and directories: the Windows way first (the read-only attribute). Under
// Wine run as root that binds nothing, so the Unix file is then made immutable through
// Wine's start of Unix programs; a row whose fault cannot be made to hold is skipped.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "harness.h"

using namespace harness;

namespace {

constexpr wchar_t kClass[] = L"tavikWD";
constexpr wchar_t kHeldEvent[] = L"tkwd-faults-held";
constexpr DWORD kServedWithinMs = 1000;

// Visible top-level windows of a process, by title.
std::wstring visibleWindowsOf(DWORD processId)
{
    struct Query {
        DWORD processId;
        std::wstring titles;
    } query = {processId, L""};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* q = reinterpret_cast<Query*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == q->processId && IsWindowVisible(window))
                q->titles += L"\"" + windowTitle(window) + L"\" ";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.titles;
}

bool popupShown(const std::wstring& title)
{
    for (HWND window : findWindows(kClass, title.c_str()))
        if (IsWindowVisible(window))
            return true;
    return false;
}

void writeFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(bytes.size(), written);
}

std::string garbage(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes)
        b = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string utf16(const std::wstring& text, bool byteOrderMark)
{
    std::string bytes = byteOrderMark ? std::string("\xFF\xFE") : std::string();
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// --- Faults that Wine can only be given through the Unix file -------------------------------

// The Unix path of a file under Wine; empty elsewhere.
std::wstring unixPath(const std::wstring& path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!unix)
        return L"";
    const std::wstring result = widen(unix, CP_UTF8);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Starts a Unix program through Wine. Wine gives no handle to wait on, so the caller polls
// for the effect.
void startUnix(const std::wstring& commandLine)
{
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

bool writable(const std::wstring& path, bool directory)
{
    if (directory) {
        const std::wstring probe = path + L"write-probe.tmp";
        HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
        DeleteFileW(probe.c_str());
        return true;
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// A file or directory (path ending in a backslash) that nobody may write while this lives.
class Unwritable {
public:
    explicit Unwritable(const std::wstring& path)
        : path_(path), directory_(!path.empty() && path.back() == L'\\'), unix_(unixPath(path))
    {
        if (!directory_)
            SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY);
        if (writable(path_, directory_) && !unix_.empty()) {
            // As root, Unix permissions bind nothing either; an immutable file does.
            startUnix(L"/bin/chmod a-w \"" + unix_ + L"\"");
            startUnix(L"/usr/bin/chattr +i \"" + unix_ + L"\"");
            waitUntil([&] { return !writable(path_, directory_); }, 5000);
        }
        holds_ = !writable(path_, directory_);
    }
    ~Unwritable()
    {
        if (!unix_.empty()) {
            startUnix(L"/usr/bin/chattr -i \"" + unix_ + L"\"");
            startUnix(L"/bin/chmod u+w \"" + unix_ + L"\"");
        }
        if (!directory_)
            SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        waitUntil([&] { return writable(path_, directory_); }, 5000);
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    bool holds() const { return holds_; }

private:
    std::wstring path_;
    bool directory_;
    std::wstring unix_;
    bool holds_ = false;
};

// Denies everybody the right to execute the file (a Windows ACL) and clears its Unix
// execute bits. Nonzero when a program can no longer be started from it.
bool denyExecute(const std::wstring& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(D;;FX;;;WD)(A;;FA;;;WD)", SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
        std::wstring name = path;
        SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              dacl, nullptr);
        LocalFree(descriptor);
    }
    const std::wstring unix = unixPath(path);
    if (!unix.empty()) {
        startUnix(L"/bin/chmod a-x \"" + unix + L"\"");
        Sleep(500);
    }
    Process probe;
    if (!probe.start(path))
        return true;
    probe.kill();
    return false;
}

// --- Service rows -------------------------------------------------------------------------

// Where one service row runs: the service, its pop-up program and whatever the fault needs.
struct FaultScene {
    TempDir dir;
    std::wstring box() const { return dir.file(L"box.ini"); }
    std::unique_ptr<Unwritable> unwritable;
    Process holder;
    DWORD costMs = 0;  // what the fault itself costs the service, measured here
};

struct ServiceRow {
    const char* name;
    // Puts the pop-up program and the fault in place; a non-empty result skips the row.
    std::string (*arrange)(FaultScene& scene);
    // What the user sees once "cutter_P1" has been served.
    void (*check)(FaultScene& scene);
};

void seedReport(const FaultScene& scene)
{
    WritePrivateProfileStringW(L"REPORT", L"TYPE", L"connect", scene.box().c_str());
    WritePrivateProfileStringW(L"REPORT", L"PRINTER", L"P0", scene.box().c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, scene.box().c_str());  // flush the cache
}

void copyWindowStandin(const FaultScene& scene)
{
    scene.dir.copyFile(standinPath(L"tkWDBox.exe"), L"tkWDBox.exe");
}

const ServiceRow kServiceRows[] = {
    {"ProgramIsATextFile",
     [](FaultScene& scene) {
         writeFile(scene.dir.file(L"tkWDBox.exe"), "This is not a program.\r\n");
         return std::string();
     },
     [](FaultScene& scene) {
         EXPECT_EQ(L"cutter", readIni(scene.box(), L"REPORT", L"TYPE"));
         EXPECT_EQ(L"P1", readIni(scene.box(), L"REPORT", L"PRINTER"));
     }},
    {"ProgramWithoutExecuteAccess",
     [](FaultScene& scene) {
         copyWindowStandin(scene);
         if (!denyExecute(scene.dir.file(L"tkWDBox.exe")))
             return std::string("Wine honours neither an ACL that denies execute nor a Unix file mode without "
                                "execute bits: the program still starts");
         return std::string();
     },
     [](FaultScene& scene) {
         EXPECT_EQ(L"cutter", readIni(scene.box(), L"REPORT", L"TYPE"));
         Sleep(1000);
         EXPECT_FALSE(popupShown(L"P1  V1.3.3"));
     }},
    {"ReportReadOnly",
     [](FaultScene& scene) {
         copyWindowStandin(scene);
         seedReport(scene);
         scene.unwritable = std::make_unique<Unwritable>(scene.box());
         return scene.unwritable->holds() ? std::string() : std::string("box.ini cannot be made read-only here");
     },
     [](FaultScene& scene) {
         // Not written; the pop-up still starts and shows what the report held before.
         EXPECT_TRUE(waitUntil([] { return popupShown(L"P0  V1.3.3"); }, 10000));
         EXPECT_EQ(L"connect", readIni(scene.box(), L"REPORT", L"TYPE"));
         EXPECT_EQ(L"P0", readIni(scene.box(), L"REPORT", L"PRINTER"));
     }},
    {"DirectoryReadOnly",
     [](FaultScene& scene) {
         copyWindowStandin(scene);
         scene.unwritable = std::make_unique<Unwritable>(scene.dir.path());
         return scene.unwritable->holds() ? std::string()
                                          : std::string("the directory cannot be made read-only here");
     },
     [](FaultScene& scene) {
         // No report can be created; the pop-up starts all the same and finds no printer.
         EXPECT_TRUE(waitUntil([] { return popupShown(L"  V1.3.3"); }, 10000));
         EXPECT_FALSE(fileExists(scene.box()));
     }},
    {"ReportHeldWithoutSharing",
     [](FaultScene& scene) {
         copyWindowStandin(scene);
         seedReport(scene);
         HANDLE held = CreateEventW(nullptr, TRUE, FALSE, kHeldEvent);
         wchar_t self[MAX_PATH];
         GetModuleFileNameW(nullptr, self, MAX_PATH);
         const bool ok = scene.holder.start(self, L"--hold-file \"" + scene.box() + L"\"") &&
                         WaitForSingleObject(held, 15000) == WAIT_OBJECT_0;
         CloseHandle(held);
         return ok ? std::string() : std::string("no process could hold box.ini");
     },
     [](FaultScene& scene) {
         // The pop-up cannot read the report either while it is held.
         EXPECT_TRUE(waitUntil([] { return popupShown(L"  V1.3.3"); }, 10000));
         scene.holder.kill();
         EXPECT_EQ(L"connect", readIni(scene.box(), L"REPORT", L"TYPE"));
         EXPECT_EQ(L"P0", readIni(scene.box(), L"REPORT", L"PRINTER"));
     }},
    {"Report10MBOfGarbage",
     [](FaultScene& scene) {
         scene.dir.copyProgram(L"tkWDBox.exe");
         const std::string bytes = garbage(10 * 1024 * 1024, 8);
         writeFile(scene.box(), bytes);
         // The fault's own cost: the service's two writes into such a file.
         TempDir other;
         writeFile(other.file(L"box.ini"), bytes);
         const DWORD start = GetTickCount();
         WritePrivateProfileStringW(L"REPORT", L"TYPE", L"cutter", other.file(L"box.ini").c_str());
         WritePrivateProfileStringW(L"REPORT", L"PRINTER", L"P1", other.file(L"box.ini").c_str());
         scene.costMs = GetTickCount() - start;
         return std::string();
     },
     [](FaultScene& scene) {
         EXPECT_EQ(L"cutter", readIni(scene.box(), L"REPORT", L"TYPE"));
         EXPECT_EQ(L"P1", readIni(scene.box(), L"REPORT", L"PRINTER"));
         EXPECT_TRUE(waitUntil([] { return popupShown(L"P1  V1.3.3"); }, 30000)) << "the real pop-up shows nothing";
     }},
};

void PrintTo(const ServiceRow& row, std::ostream* out)
{
    *out << row.name;
}

class ServiceFault : public ::testing::TestWithParam<ServiceRow> {};

TEST_P(ServiceFault, IsSurvivedAndTheNextClientServed)
{
    const ServiceRow& row = GetParam();
    FaultScene scene;
    Service service(scene.dir);
    const std::string skip = row.arrange(scene);
    if (!skip.empty())
        GTEST_SKIP() << skip;
    ASSERT_TRUE(service.start());

    const DWORD sent = GetTickCount();
    ASSERT_TRUE(sendToPipe("cutter_P1"));
    ASSERT_TRUE(waitForServiceIdle(20000 + scene.costMs)) << "the next client was not served";
    const DWORD servedMs = GetTickCount() - sent;
    std::printf("%s: next client served after %lu ms, the fault's own cost %lu ms\n", row.name, servedMs,
                scene.costMs);
    EXPECT_LE(servedMs, scene.costMs + kServedWithinMs);
    EXPECT_TRUE(service.process().running());

    row.check(scene);
    EXPECT_EQ("", narrow(visibleWindowsOf(service.process().id()), CP_UTF8))
        << "the service shows a window of its own";
    EXPECT_TRUE(service.stop()) << "\"exit\" did not end the service with 0";
}

INSTANTIATE_TEST_SUITE_P(Rows, ServiceFault, ::testing::ValuesIn(kServiceRows),
                         [](const ::testing::TestParamInfo<ServiceRow>& info) { return std::string(info.param.name); });

// Creates the status pipe as another program might, one instance only, and keeps it until killed.
int ownPipe()
{
    HANDLE pipe = CreateNamedPipeW(L"\\\\.\\pipe\\tkWDPipe", PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 512,
                                   512, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return 2;
    SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, kHeldEvent));
    Sleep(INFINITE);
    return 0;
}

TEST(PipeNameTaken, ServiceEndsAtOnceWithZeroAndALaterOneServes)
{
    TempDir dir;
    const std::wstring service = dir.copyProgram(L"tkPTSer.exe");
    {
        HANDLE held = CreateEventW(nullptr, TRUE, FALSE, kHeldEvent);
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        Process owner;
        ASSERT_TRUE(owner.start(self, L"--own-pipe"));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, 15000));
        CloseHandle(held);
        EXPECT_EQ(0, runToEnd(service, L"", 10000)) << "the service did not end at once with 0";
        EXPECT_FALSE(fileExists(dir.file(L"box.ini")));
    }
    // The name is free again.
    Service later(dir);
    ASSERT_TRUE(later.start());
    ASSERT_TRUE(sendToPipe("cutter_P1"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(L"cutter", readIni(dir.file(L"box.ini"), L"REPORT", L"TYPE"));
    EXPECT_TRUE(later.stop());
}

// --- Pop-up rows --------------------------------------------------------------------------

struct ReportRow {
    const char* name;
    std::string bytes;         // the whole of box.ini
    const wchar_t* shownTitle; // the pop-up's title, or null when nothing may be shown
};

const std::wstring kReport = L"[REPORT]\r\nTYPE=connect\r\nPRINTER=P1\r\n";
const std::string kName1000 = [] {
    std::string name;
    for (int i = 0; name.size() < 1000; ++i)
        name += static_cast<char>('A' + i % 26);
    return name;
}();
const std::wstring kTitle99 = widen(kName1000.substr(0, 99)) + L"  V1.3.3";

const ReportRow kReportRows[] = {
    {"GarbageBytes", garbage(64 * 1024, 5), nullptr},
    {"Utf16WithByteOrderMark", utf16(kReport, true), L"P1  V1.3.3"},
    // Without the mark the profile interface reads the file as ANSI text, and its zero bytes
    // leave no key that can be found.
    {"Utf16WithoutByteOrderMark", utf16(kReport, false), nullptr},
    // Read as its first 99 characters, which match no status.
    {"Type300Characters", "[REPORT]\r\nTYPE=connect" + std::string(293, 'x') + "\r\nPRINTER=P1\r\n", nullptr},
    // Read as its first 99 characters, which the title carries.
    {"Printer1000Characters", "[REPORT]\r\nTYPE=connect\r\nPRINTER=" + kName1000 + "\r\n", kTitle99.c_str()},
};

void PrintTo(const ReportRow& row, std::ostream* out)
{
    *out << row.name;
}

class DamagedReport : public ::testing::TestWithParam<ReportRow> {};

TEST_P(DamagedReport, ShowsWhatItReadsOrNothingAndNeverCrashes)
{
    const ReportRow& row = GetParam();
    TempDir dir;
    const std::wstring popup = dir.copyProgram(L"tkWDBox.exe");
    writeFile(dir.file(L"box.ini"), row.bytes);
    Process process;
    ASSERT_TRUE(process.start(popup));
    DWORD code = 1;
    if (!row.shownTitle) {
        ASSERT_TRUE(process.wait(15000, &code)) << "the pop-up shows something";
        EXPECT_EQ(0u, code);
        return;
    }
    HWND window = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto found = findWindows(kClass, row.shownTitle);
            window = found.size() == 1 && IsWindowVisible(found[0]) ? found[0] : nullptr;
            return window != nullptr;
        },
        15000))
        << "no pop-up titled " << narrow(row.shownTitle, CP_UTF8);
    EXPECT_TRUE(process.running());
    PostMessageW(window, WM_QUIT, 0, 0);  // as the service ends a pop-up
    ASSERT_TRUE(process.wait(10000, &code));
    EXPECT_EQ(0u, code);
}

INSTANTIATE_TEST_SUITE_P(Rows, DamagedReport, ::testing::ValuesIn(kReportRows),
                         [](const ::testing::TestParamInfo<ReportRow>& info) { return std::string(info.param.name); });

// Opens a file without sharing and keeps it open until killed.
int holdFile(const char* path)
{
    HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, kHeldEvent));
    Sleep(INFINITE);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-file") == 0)
        return holdFile(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--own-pipe") == 0)
        return ownPipe();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
