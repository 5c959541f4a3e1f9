// Helpers for the Windows test programs: temporary directories, the programs of the build
// directory, child processes, the status pipe, box.ini and pop-up windows.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace harness {

// A program under test, e.g. L"tkPTSer.exe": from the directory TKWD_PROGRAM_DIR names (a
// Unix or Windows path; the lane of the shipped 32-bit programs sets it), or else from the
// test program's own build directory, one level above the test programs.
std::wstring programPath(const wchar_t* fileName);
// A program of the test program's own build directory, whatever TKWD_PROGRAM_DIR says.
std::wstring ownBuildProgramPath(const wchar_t* fileName);
// A file beside the test programs themselves, e.g. L"examples\\send_status.exe".
std::wstring testFilePath(const wchar_t* relativePath);
// A stand-in built beside the programs under test (tests\standin\ there), e.g. L"tkWDBox.exe".
std::wstring standinPath(const wchar_t* fileName);
std::wstring directoryOf(const std::wstring& path);  // with its trailing backslash
bool fileExists(const std::wstring& path);

// A fresh directory under %TEMP%, removed with everything in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }  // ends in a backslash
    std::wstring file(const wchar_t* name) const { return path_ + name; }
    // Copies a program of the build directory here; returns its new path.
    std::wstring copyProgram(const wchar_t* fileName) const;
    // Copies any file here under a new name; returns its new path.
    std::wstring copyFile(const std::wstring& from, const wchar_t* name) const;

private:
    std::wstring path_;
};

// A child process; terminated when the object goes away while it still runs.
class Process {
public:
    Process() = default;
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts exe with a command line tail, in workingDir (empty: the exe's directory).
    bool start(const std::wstring& exe, const std::wstring& arguments = L"",
               const std::wstring& workingDir = L"");
    bool running() const;
    // Waits up to timeoutMs; true with exitCode set when the process has ended.
    bool wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    void kill();
    DWORD id() const { return id_; }
    HANDLE handle() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
};

// Runs exe to its end (at most timeoutMs) and gives its exit code, or -1 when it did not end.
long runToEnd(const std::wstring& exe, const std::wstring& arguments = L"", DWORD timeoutMs = 20000,
              std::string* output = nullptr);

// Writes bytes to the status pipe as a client does (waits for a busy pipe up to waitMs,
// one write, close). True when the whole message was written.
bool sendBytesToPipe(const void* bytes, size_t length, DWORD waitMs = 10000);
bool sendToPipe(const std::string& message, DWORD waitMs = 10000);
bool pipeExists();

// Returns once the service has finished every message sent before: it sends "normal" for a
// title that only a window of the test's own carries and waits until that window is gone.
bool waitForServiceIdle(DWORD timeoutMs = 20000);

// Lines of a UTF-8 text file (e.g. the stand-in pop-up's starts.log), empty when it is missing.
std::vector<std::wstring> readLines(const std::wstring& path);

// Polls condition every 20 ms until it holds or timeoutMs has passed.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// box.ini and other profile files.
std::wstring readIni(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                     const wchar_t* missing = L"<missing>");
std::string readFileBytes(const std::wstring& path);

// Top-level windows of a class, optionally with an exact title.
std::vector<HWND> findWindows(const wchar_t* className, const wchar_t* title = nullptr);
std::wstring windowTitle(HWND window);

// The status service in a directory of its own: started there, stopped with "exit".
class Service {
public:
    explicit Service(const TempDir& dir);
    ~Service();
    bool start(const std::wstring& workingDir = L"");  // waits until the pipe exists
    // Sends "exit" and waits for the process to end; true when it ended with exit code 0.
    bool stop();
    Process& process() { return process_; }

private:
    std::wstring exe_;
    Process process_;
};

std::wstring widen(const std::string& text, UINT codePage = CP_ACP);
std::string narrow(const std::wstring& text, UINT codePage = CP_ACP);

} // namespace harness
