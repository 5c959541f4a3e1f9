// Measures the programs against bare baselines of our own, under Wine on a virtual display.
// Every figure is taken `runs` times with the baseline and our program alternating run by
// run (the order flipping every run), so that the noise of a shared machine falls on both
// alike; the table gives median, minimum and maximum of each side and the ratio of medians.
// The programs lie beside the driver: tkPTSer.exe, tkWDBox.exe, bare_window.exe and
// bare_pipe_server.exe.
// usage: bench_driver [runs [soak messages [idle seconds [figure]]]]
//   figure: only the figures whose name starts with this text (the soak runs always)
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const wchar_t kServicePipe[] = L"\\\\.\\pipe\\tkWDPipe";
const wchar_t kBarePipe[] = L"\\\\.\\pipe\\tkBenchBarePipe";
const wchar_t kPopupClass[] = L"tavikWD";
const wchar_t kP1Title[] = L"P1  V1.3.3";
const wchar_t kBareClass[] = L"tkBenchBare";
const wchar_t kBareTitle[] = L"bare";
constexpr DWORD kWindowTimeoutMs = 20000;
constexpr int kThroughputMessages = 200;

std::wstring stageDir;
std::string onlyFigures;

double nowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "bench: %s\n", what);
    std::fflush(stderr);
    ExitProcess(1);
}

// A visible top-level window of the class and title that is not `old`, once `old` is gone.
HWND waitVisible(const wchar_t* className, const wchar_t* title, HWND old = nullptr)
{
    const double end = nowMs() + kWindowTimeoutMs;
    while (nowMs() < end) {
        if (!old || !IsWindow(old)) {
            const HWND window = FindWindowW(className, title);
            if (window && window != old && IsWindowVisible(window))
                return window;
        }
        Sleep(1);
    }
    fail("no window came");
}

// Posts WM_QUIT, as the service does, and waits until the process has ended.
void closeAndWait(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageW(window, WM_QUIT, 0, 0);
    if (process) {
        WaitForSingleObject(process, kWindowTimeoutMs);
        CloseHandle(process);
    }
    while (IsWindow(window))
        Sleep(1);
    Sleep(50);  // let the system finish with the ended process before the next run
}

// Started exactly as the service starts the pop-up.
void shellStart(const wchar_t* fileName)
{
    const std::wstring path = stageDir + fileName;
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.lpFile = path.c_str();
    execute.lpDirectory = stageDir.c_str();
    execute.nShow = SW_SHOW;
    if (!ShellExecuteExW(&execute))
        fail("cannot start a program through the shell");
}

// One client: connect (waiting while the pipe is busy), write one message, close.
void sendMessage(const wchar_t* pipeName, const char* text)
{
    for (;;) {
        const HANDLE pipe = CreateFileW(pipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(pipe, text, DWORD(std::strlen(text)), &written, nullptr);
            CloseHandle(pipe);
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_PIPE_BUSY && error != ERROR_FILE_NOT_FOUND)
            fail("cannot open a pipe");
        if (!WaitNamedPipeW(pipeName, 10000) && GetLastError() != ERROR_FILE_NOT_FOUND)
            fail("a pipe stayed busy");
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            Sleep(1);
    }
}

HANDLE startProcess(const std::wstring& commandLine)
{
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, stageDir.c_str(),
                        &startup, &info))
        fail("cannot start a process");
    CloseHandle(info.hThread);
    return info.hProcess;
}

void waitForPipe(const wchar_t* pipeName)
{
    const double end = nowMs() + kWindowTimeoutMs;
    while (!WaitNamedPipeW(pipeName, 100)) {
        if (nowMs() > end)
            fail("a pipe never came");
        Sleep(10);
    }
}

// ---- the runs ----

// Milliseconds from start() until a new visible window of the class and title is there (not
// `old`); the window is then closed and its process waited for.
template <typename Start>
double timeToWindow(Start start, const wchar_t* className, const wchar_t* title, HWND old = nullptr)
{
    const double begin = nowMs();
    start();
    const HWND window = waitVisible(className, title, old);
    const double took = nowMs() - begin;
    closeAndWait(window);
    return took;
}

double bareStart()
{
    return timeToWindow([] { shellStart(L"bare_window.exe"); }, kBareClass, kBareTitle);
}

double statusToPixels()
{
    return timeToWindow([] { sendMessage(kServicePipe, "cutter_P1"); }, kPopupClass, kP1Title);
}

double replacement()
{
    sendMessage(kServicePipe, "cutter_P1");
    const HWND old = waitVisible(kPopupClass, kP1Title);
    DWORD oldPid = 0;
    GetWindowThreadProcessId(old, &oldPid);
    const HANDLE oldProcess = OpenProcess(SYNCHRONIZE, FALSE, oldPid);
    Sleep(300);  // the old pop-up is idle on screen

    const double took = timeToWindow([] { sendMessage(kServicePipe, "paper_P1"); }, kPopupClass, kP1Title, old);
    if (oldProcess) {
        WaitForSingleObject(oldProcess, kWindowTimeoutMs);
        CloseHandle(oldProcess);
    }
    return took;
}

double popupAlone()
{
    const std::wstring report = stageDir + L"box.ini";
    WritePrivateProfileStringW(L"REPORT", L"TYPE", L"cutter", report.c_str());
    WritePrivateProfileStringW(L"REPORT", L"PRINTER", L"P1", report.c_str());
    return timeToWindow([] { shellStart(L"tkWDBox.exe"); }, kPopupClass, kP1Title);
}

// Messages per second.
double throughput(const wchar_t* pipeName, const char* text)
{
    const double start = nowMs();
    for (int i = 0; i < kThroughputMessages; ++i)
        sendMessage(pipeName, text);
    return kThroughputMessages * 1000.0 / (nowMs() - start);
}

// ---- the table ----

struct Spread {
    double median, low, high;
};

Spread spread(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

// Best-case ratio: of the minima for times, of the maxima for rates; the least disturbed
// runs of each side, which shows the floor where the machine's noise swamps the medians.
template <typename Baseline, typename Ours>
void figure(const char* name, const char* unit, const char* target, int runs, Baseline baseline, Ours ours)
{
    const bool rate = std::string(unit) == "msg/s";
    if (std::string(name).rfind(onlyFigures, 0) != 0)
        return;
    std::vector<double> base, own;
    baseline();  // one of each first, not counted: files into the cache
    ours();
    for (int run = 0; run < runs; ++run) {
        if (run % 2 == 0) {
            base.push_back(baseline());
            own.push_back(ours());
        } else {
            own.push_back(ours());
            base.push_back(baseline());
        }
    }
    const Spread b = spread(base), o = spread(own);
    const double best = rate ? o.high / b.high : o.low / b.low;
    std::printf("| %s | %s | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %.3f | %s | %.3f |\n", name, unit,
                b.median, b.low, b.high, o.median, o.low, o.high, o.median / b.median, target, best);
    std::fflush(stdout);
}

SIZE_T workingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

double cpuMs(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user))
        return -1;
    auto ms = [](FILETIME t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? _wtoi(argv[1]) : 15;
    const int soakMessages = argc > 2 ? _wtoi(argv[2]) : 10000;
    const int idleSeconds = argc > 3 ? _wtoi(argv[3]) : 10;
    for (const wchar_t* c = argc > 4 ? argv[4] : L""; *c; ++c)
        onlyFigures += char(*c);

    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    stageDir = path;
    stageDir.resize(stageDir.rfind(L'\\') + 1);

    const HANDLE service = startProcess(L"\"" + stageDir + L"tkPTSer.exe\"");
    const HANDLE bareServer = startProcess(L"\"" + stageDir + L"bare_pipe_server.exe\" " + kBarePipe);
    waitForPipe(kServicePipe);
    waitForPipe(kBarePipe);

    std::printf("Medians of %d runs, baseline and ours alternating run by run.\n\n", runs);
    std::printf("| Figure | Unit | Baseline median | min | max | Ours median | min | max | Ratio | Target "
                "| Best-case ratio |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    figure("Status to pixels", "ms", "<= 1.05", runs, bareStart, statusToPixels);
    figure("Replacement", "ms", "<= 1.25", runs, bareStart, replacement);
    figure("Pop-up start alone", "ms", "(none)", runs, bareStart, popupAlone);
    figure("Throughput, unknown word", "msg/s", ">= 1.00", runs,
           [] { return throughput(kBarePipe, "unknownword_P1"); },
           [] { return throughput(kServicePipe, "unknownword_P1"); });
    figure("Throughput, \"normal\"", "msg/s", ">= 0.95", runs,
           [] { return throughput(kBarePipe, "normal_P1"); },
           [] { return throughput(kServicePipe, "normal_P1"); });

    const SIZE_T before = workingSet(service);
    for (int i = 0; i < soakMessages; ++i)
        sendMessage(kServicePipe, i % 2 ? "normal_P1" : "unknownword_P1");
    const SIZE_T after = workingSet(service);
    const double cpuBefore = cpuMs(service);
    Sleep(DWORD(idleSeconds) * 1000);
    const double idleCpu = cpuMs(service) - cpuBefore;
    std::printf("\nSoak, %d messages (\"normal\" and an unknown word in turn): working set %zu KB before, "
                "%zu KB after, growth %.2f %% (target < 1 %%)\n",
                soakMessages, size_t(before / 1024), size_t(after / 1024),
                before ? (double(after) - double(before)) * 100.0 / double(before) : 0.0);
    std::printf("Idle for %d s: CPU time %.1f ms (target 0); the service's CPU time until then: %.1f ms\n",
                idleSeconds, idleCpu, cpuBefore);

    sendMessage(kServicePipe, "exit");
    WaitForSingleObject(service, 10000);
    TerminateProcess(bareServer, 0);
    CloseHandle(service);
    CloseHandle(bareServer);
    return 0;
}
