#include "harness.h"

#include <shlwapi.h>

#include "fake_popup.h"

#include <cstdio>

namespace harness {

namespace {

constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\tkWDPipe";

std::wstring moduleDirectory()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return directoryOf(std::wstring(path, n));
}

void removeTree(const std::wstring& dir)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring full = dir + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(full + L"\\");
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                // A pop-up that is still ending may hold its file for a moment.
                for (int i = 0; i < 50 && !DeleteFileW(full.c_str()); ++i)
                    Sleep(20);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

} // namespace

std::wstring directoryOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

namespace {

std::wstring programDirectory()
{
    wchar_t value[MAX_PATH * 4];
    const DWORD n = GetEnvironmentVariableW(L"TKWD_PROGRAM_DIR", value, MAX_PATH * 4);
    if (n == 0 || n >= MAX_PATH * 4)
        return moduleDirectory() + L"..\\";
    std::wstring dir(value, n);
    if (dir[0] == L'/')
        dir = L"Z:" + dir;  // Wine's drive for the Unix root
    for (wchar_t& c : dir)
        if (c == L'/')
            c = L'\\';
    if (dir.back() != L'\\')
        dir += L'\\';
    return dir;
}

} // namespace

std::wstring programPath(const wchar_t* fileName)
{
    return programDirectory() + fileName;
}

std::wstring ownBuildProgramPath(const wchar_t* fileName)
{
    return moduleDirectory() + L"..\\" + fileName;
}

std::wstring testFilePath(const wchar_t* relativePath)
{
    return moduleDirectory() + relativePath;
}

std::wstring standinPath(const wchar_t* fileName)
{
    return programDirectory() + L"tests\\standin\\" + fileName;
}

bool fileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TempDir::TempDir()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    for (;;) {
        wchar_t name[64];
        swprintf(name, 64, L"tkwd-%lu-%ld\\", GetCurrentProcessId(), InterlockedIncrement(&counter));
        path_ = std::wstring(base) + name;
        if (CreateDirectoryW(path_.c_str(), nullptr))
            break;
    }
}

TempDir::~TempDir()
{
    removeTree(path_);
}

std::wstring TempDir::copyProgram(const wchar_t* fileName) const
{
    return copyFile(programPath(fileName), fileName);
}

std::wstring TempDir::copyFile(const std::wstring& from, const wchar_t* name) const
{
    const std::wstring target = path_ + name;
    if (!CopyFileW(from.c_str(), target.c_str(), FALSE))
        fprintf(stderr, "harness: copying %ls failed with error %lu\n", from.c_str(), GetLastError());
    return target;
}

Process::~Process()
{
    kill();
}

Process::Process(Process&& other) noexcept : handle_(other.handle_), id_(other.id_)
{
    other.handle_ = nullptr;
    other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        kill();
        handle_ = other.handle_;
        id_ = other.id_;
        other.handle_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

bool Process::start(const std::wstring& exe, const std::wstring& arguments,
                    const std::wstring& workingDir)
{
    kill();
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    const std::wstring dir = workingDir.empty() ? directoryOf(exe) : workingDir;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Wine on a loaded machine now and then fails a process start that succeeds a moment
    // later; that is the test bed's trouble, not the program's, so it is said and tried again.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                           &startup, &info))
            break;
        const DWORD error = GetLastError();
        fprintf(stderr, "harness: starting %ls failed with error %lu (attempt %d)\n", exe.c_str(), error,
                attempt);
        if (attempt == 3)
            return false;
        Sleep(200);
    }
    CloseHandle(info.hThread);
    handle_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool Process::running() const
{
    return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

bool Process::wait(DWORD timeoutMs, DWORD* exitCode)
{
    if (!handle_ || WaitForSingleObject(handle_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(handle_, exitCode);
    return true;
}

void Process::kill()
{
    if (!handle_)
        return;
    if (WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(handle_, 99);
        WaitForSingleObject(handle_, 5000);
    }
    CloseHandle(handle_);
    handle_ = nullptr;
    id_ = 0;
}

long runToEnd(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs,
              std::string* output)
{
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (output) {
        CreatePipe(&readEnd, &writeEnd, &inherit, 0);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, output != nullptr,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    if (writeEnd)
        CloseHandle(writeEnd);
    if (!started) {
        if (readEnd)
            CloseHandle(readEnd);
        return -1;
    }
    if (output) {
        char chunk[512];
        DWORD got = 0;
        while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
            output->append(chunk, got);
        CloseHandle(readEnd);
    }
    long result = -1;
    if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        result = static_cast<long>(code);
    } else {
        TerminateProcess(info.hProcess, 99);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return result;
}

bool pipeExists()
{
    if (WaitNamedPipeW(kPipeName, 1))
        return true;
    return GetLastError() != ERROR_FILE_NOT_FOUND;
}

bool sendBytesToPipe(const void* bytes, size_t length, DWORD waitMs)
{
    const DWORD deadline = GetTickCount() + waitMs;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (;;) {
        pipe = CreateFileW(kPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE)
            break;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return false;
        if (GetLastError() == ERROR_PIPE_BUSY)
            WaitNamedPipeW(kPipeName, 200);
        else
            Sleep(20);
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(pipe, bytes, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(pipe);
    return ok && written == length;
}

bool sendToPipe(const std::string& message, DWORD waitMs)
{
    return sendBytesToPipe(message.data(), message.size(), waitMs);
}

bool waitForServiceIdle(DWORD timeoutMs)
{
    FakePopup marker(L"idle-marker  V1.3.3");
    return marker.shown() && sendToPipe("normal_idle-marker", timeoutMs) && marker.closedWithin(timeoutMs);
}

std::vector<std::wstring> readLines(const std::wstring& path)
{
    std::vector<std::wstring> lines;
    const std::wstring text = widen(readFileBytes(path), CP_UTF8);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

std::wstring readIni(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                     const wchar_t* missing)
{
    wchar_t value[1024];
    GetPrivateProfileStringW(section, key, missing, value, 1024, path.c_str());
    return value;
}

std::string readFileBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

namespace {

struct WindowQuery {
    const wchar_t* className;
    const wchar_t* title;
    std::vector<HWND>* found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM lParam)
{
    auto* query = reinterpret_cast<WindowQuery*>(lParam);
    wchar_t className[256];
    if (!GetClassNameW(window, className, 256) || lstrcmpW(className, query->className) != 0)
        return TRUE;
    if (query->title && windowTitle(window) != query->title)
        return TRUE;
    query->found->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> findWindows(const wchar_t* className, const wchar_t* title)
{
    std::vector<HWND> found;
    WindowQuery query = {className, title, &found};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&query));
    return found;
}

std::wstring windowTitle(HWND window)
{
    wchar_t title[1024];
    const int n = GetWindowTextW(window, title, 1024);
    return std::wstring(title, n > 0 ? n : 0);
}

Service::Service(const TempDir& dir) : exe_(dir.copyProgram(L"tkPTSer.exe")) {}

Service::~Service()
{
    if (process_.running())
        stop();
}

bool Service::start(const std::wstring& workingDir)
{
    if (!process_.start(exe_, L"", workingDir))
        return false;
    return waitUntil([] { return pipeExists(); }, 10000);
}

bool Service::stop()
{
    DWORD code = 1;
    return sendToPipe("exit") && process_.wait(15000, &code) && code == 0;
}

std::wstring widen(const std::string& text, UINT codePage)
{
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string narrow(const std::wstring& text, UINT codePage)
{
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], n, nullptr,
                        nullptr);
    return bytes;
}

} // namespace harness
