// The real tkPTSer.exe under a storm of hostile clients, then a soak of messages that show
// nothing. The pop-up is a stand-in that records each start (the report's TYPE and PRINTER)
// in starts.log and ends at once.
//
// Storm: 1000 clients, played by four client processes (this program started again with
// --storm-client), all following one plan drawn from a fixed seed. What can be expected of
// concurrent senders, and so what is checked:
//  - Every valid status is acted on exactly once: the number of starts equals the number of
//    valid statuses sent, whatever their order.
//  - A pop-up reads the report some time after its start, by when the service may already
//    have written a later one, so a start cannot be matched to its own message. What each
//    start reads must come from the valid statuses sent, though: nothing else ever reaches
//    the report.
//  - Each printer belongs to one client process, which sends its statuses in plan order, so
//    each printer has a known last status. The report ends holding a printer and that
//    printer's last status, and nothing but section REPORT with TYPE and PRINTER.
//
// Soak: 10,000 messages that show nothing; the service's working set may grow by less than 5 %.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "harness.h"

using namespace harness;

namespace {

constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\tkWDPipe";
constexpr wchar_t kGoEvent[] = L"tkwd-storm-go";
constexpr unsigned kSeed = 20261211;
constexpr int kClientProcesses = 4;
constexpr int kPrinters = 20;
constexpr int kAsciiPrinters = 16;  // the others have GBK names
constexpr int kSoakMessages = 10000;
// Clients queue behind the stalling ones (3 s each): they wait for the pipe this long.
constexpr DWORD kClientWaitMs = 120000;

// Twenty printers, the last four with GBK names ("打印机" and a number).
std::string printerName(int printer)
{
    char name[32];
    if (printer < kAsciiPrinters)
        std::snprintf(name, sizeof name, "Storm-%02d", printer);
    else
        std::snprintf(name, sizeof name, "\xb4\xf2\xd3\xa1\xbb\xfa-%d", printer);
    return name;
}

// The status words that write both TYPE and PRINTER and need no printer of the spooler.
const char* const kStatusWords[] = {"connect", "usb",     "disconnect",  "stopByHuman", "temper",
                                    "cutter",  "carbon",  "busy",        "adapter",     "unlock",
                                    "lockopened", "labelmore", "labelbox", "labelunkown", "paper",
                                    "labelerr", "rfiderr", "rfidInvalid", "rfidUnSupport", "dpi"};

enum Kind {
    Status,           // a valid status for one of the twenty printers
    ZeroInside,       // a valid status, a zero byte, then more bytes: acted on as the status
    Normal,           // "normal" for a printer: closes its pop-ups, shows nothing
    UnknownWord,      // a near-miss word: capital letter, trailing blank, no such word
    EmptyWrite,       // one write of no bytes
    ConnectAndClose,  // opens the pipe and closes it without writing
    Message300,       // longer than the service reads: dropped whole
    Full256,          // 256 bytes without a zero
    PartOver99,       // a command or a name of 100 bytes or more
    ControlBytes,     // a valid status with a byte below 0x20 in its command or name
    RandomBytes,      // random bytes, never starting with a letter
    PartialWrite,     // a status written in two writes: only the first, a word's start, counts
    Killed,           // a client process killed while connected
    Stall,            // connects and writes nothing: costs the read time-out
    kKinds
};

const char* const kKindNames[kKinds] = {"valid status", "zero byte inside", "normal", "unknown word",
                                        "empty write", "connect and close", "300 bytes", "256 bytes, no zero",
                                        "part over 99 bytes", "control bytes", "random bytes",
                                        "partial write", "killed while connected", "stall"};
const int kKindCounts[kKinds] = {339, 60, 60, 60, 50, 50, 50, 50, 60, 80, 80, 50, 8, 3};

bool actedOn(Kind kind)
{
    return kind == Status || kind == ZeroInside;
}

struct Client {
    Kind kind;
    int process;      // which client process plays it
    int printer;      // for the kinds that name a printer, else -1
    const char* word; // the status word of Status and ZeroInside
    std::string bytes;
};

std::string randomText(std::mt19937& random, size_t length, char from, char to)
{
    std::string text(length, ' ');
    for (char& c : text)
        c = static_cast<char>(from + random() % (to - from + 1));
    return text;
}

// The whole storm, the same in every process that draws it.
std::vector<Client> stormPlan()
{
    std::mt19937 random(kSeed);
    std::vector<Kind> kinds;
    for (int k = 0; k < kKinds; ++k)
        kinds.insert(kinds.end(), kKindCounts[k], static_cast<Kind>(k));
    std::shuffle(kinds.begin(), kinds.end(), random);

    std::vector<Client> plan;
    for (size_t i = 0; i < kinds.size(); ++i) {
        Client c{kinds[i], static_cast<int>(i % kClientProcesses), -1, nullptr, {}};
        // Printer p belongs to client process p % 4, so its statuses keep their plan order.
        const int printer = c.process + kClientProcesses * static_cast<int>(random() % (kPrinters / kClientProcesses));
        const char* word = kStatusWords[random() % std::size(kStatusWords)];
        const std::string status = std::string(word) + "_" + printerName(printer);
        switch (c.kind) {
        case Status:
            c.printer = printer;
            c.word = word;
            c.bytes = status;
            break;
        case ZeroInside:
            c.printer = printer;
            c.word = word;
            c.bytes = status + std::string(1, '\0') + "cutter_" + randomText(random, 1 + random() % 20, 'a', 'z');
            break;
        case Normal:
            c.bytes = "normal_" + printerName(printer);
            break;
        case UnknownWord: {
            const char* const nearMisses[] = {"Connect_", "connect _", "CUTTER_", "cutter-", "status_", "connected_"};
            c.bytes = nearMisses[random() % std::size(nearMisses)] + printerName(printer);
            break;
        }
        case Message300:
            c.bytes = status + "_" + randomText(random, 300 - status.size() - 1, 'a', 'z');
            break;
        case Full256:
            c.bytes = status + "_" + randomText(random, 256 - status.size() - 1, 'a', 'z');
            break;
        case PartOver99:
            if (random() % 2)
                c.bytes = randomText(random, 100 + random() % 50, 'a', 'z') + "_" + printerName(printer);
            else
                c.bytes = std::string(word) + "_" + randomText(random, 100 + random() % 50, 'A', 'Z');
            break;
        case ControlBytes: {
            c.bytes = status;
            const size_t at = random() % c.bytes.size();
            c.bytes.insert(at, 1, static_cast<char>(1 + random() % 31));
            break;
        }
        case RandomBytes:
            c.bytes.assign(1 + random() % 256, '\0');
            for (char& b : c.bytes)
                b = static_cast<char>(random() % 256);
            c.bytes[0] = static_cast<char>(0x80 | (random() % 128));
            break;
        case PartialWrite:
            c.bytes = status;  // the first write is the word's first two letters: no word at all
            break;
        default:
            break;
        }
        plan.push_back(c);
    }
    return plan;
}

HANDLE openPipe(DWORD waitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE pipe = CreateFileW(kPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE || GetTickCount() - start >= waitMs)
            return pipe;
        if (GetLastError() == ERROR_PIPE_BUSY)
            WaitNamedPipeW(kPipeName, 200);
        else
            Sleep(5);
    }
}

// Plays one client; false when a client that has to reach the service did not.
bool playClient(const Client& c, const std::wstring& self)
{
    switch (c.kind) {
    case ConnectAndClose: {
        HANDLE pipe = openPipe(kClientWaitMs);
        if (pipe == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(pipe);
        return true;
    }
    case Stall: {
        HANDLE pipe = openPipe(kClientWaitMs);
        if (pipe == INVALID_HANDLE_VALUE)
            return false;
        Sleep(3500);  // past the service's read time-out
        CloseHandle(pipe);
        return true;
    }
    case PartialWrite: {
        HANDLE pipe = openPipe(kClientWaitMs);
        if (pipe == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        const BOOL first = WriteFile(pipe, c.bytes.data(), 2, &written, nullptr);
        Sleep(1);
        // The service has read the first write as the whole message; this one may fail.
        WriteFile(pipe, c.bytes.data() + 2, static_cast<DWORD>(c.bytes.size() - 2), &written, nullptr);
        CloseHandle(pipe);
        return first != FALSE;
    }
    case Killed: {
        wchar_t eventName[64];
        std::swprintf(eventName, 64, L"tkwd-storm-held-%lu", GetCurrentProcessId());
        HANDLE connected = CreateEventW(nullptr, TRUE, FALSE, eventName);
        Process holder;
        const bool held = holder.start(self, std::wstring(L"--hold-pipe ") + eventName) &&
                          WaitForSingleObject(connected, kClientWaitMs) == WAIT_OBJECT_0;
        holder.kill();
        CloseHandle(connected);
        return held;
    }
    default:
        return sendBytesToPipe(c.bytes.data(), c.bytes.size(), kClientWaitMs);
    }
}

// The client process's body: waits for the common start, then plays its share in plan
// order. Exit code: the number of clients that could not do their part.
int stormClient(int process)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, kGoEvent);
    if (!go || WaitForSingleObject(go, 60000) != WAIT_OBJECT_0)
        return 100;
    int failed = 0;
    for (const Client& c : stormPlan())
        if (c.process == process && !playClient(c, self))
            ++failed;
    return std::min(failed, 99);
}

// Connects and hangs until killed, after telling eventName.
int holdPipe(const wchar_t* eventName)
{
    HANDLE pipe = openPipe(kClientWaitMs);
    if (pipe == INVALID_HANDLE_VALUE)
        return 2;
    SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName));
    Sleep(INFINITE);
    return 0;
}

// Messages that show nothing, in a fixed cycle: closes for printers without pop-ups,
// near-miss words, dropped messages and empty writes.
int soakClient(int process, int count)
{
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, kGoEvent);
    if (!go || WaitForSingleObject(go, 60000) != WAIT_OBJECT_0)
        return 100;
    const std::string name = printerName(process);
    const std::string messages[] = {"normal_" + name, "Connect_" + name, "busy_" + name + "\r\n[X]",
                                    std::string(120, 'c') + "_" + name, "", "cutter " + name,
                                    std::string(300, 'z')};
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        const std::string& m = messages[i % std::size(messages)];
        if (!sendBytesToPipe(m.data(), m.size(), kClientWaitMs))
            ++failed;
    }
    return std::min(failed, 99);
}

// Starts the client processes with sub-command and arguments, lets them go at once, and
// waits for all of them; true when every one ended with 0.
bool runClientProcesses(const std::wstring& subCommand, int count, const std::wstring& extra)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, kGoEvent);
    std::vector<Process> clients(count);
    bool ok = true;
    for (int i = 0; i < count; ++i)
        ok = clients[i].start(self, subCommand + L" " + std::to_wstring(i) + extra) && ok;
    SetEvent(go);
    for (int i = 0; i < count; ++i) {
        DWORD code = 1;
        const bool ended = clients[i].wait(180000, &code);
        EXPECT_TRUE(ended) << "client process " << i << " did not end";
        EXPECT_EQ(0u, code) << "client process " << i << ": clients that could not do their part";
        ok = ok && ended && code == 0;
    }
    CloseHandle(go);
    return ok;
}

SIZE_T workingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

TEST(Storm, HostileClientsThenSoak)
{
    TempDir dir;
    dir.copyFile(standinPath(L"log\\tkWDBox.exe"), L"tkWDBox.exe");
    Service service(dir);
    ASSERT_TRUE(service.start());
    const std::wstring box = dir.file(L"box.ini");
    const std::wstring log = dir.file(L"starts.log");

    // What the plan must lead to.
    const std::vector<Client> plan = stormPlan();
    int byKind[kKinds] = {};
    size_t expectedStarts = 0, toGbkNames = 0;
    std::set<std::wstring> validWords = {L""}, validPrinters = {L""};
    std::map<std::wstring, std::wstring> lastStatus;  // printer -> its last status word
    for (const Client& c : plan) {
        ++byKind[c.kind];
        if (!actedOn(c.kind))
            continue;
        ++expectedStarts;
        toGbkNames += c.printer >= kAsciiPrinters;
        const std::wstring printer = widen(printerName(c.printer)), word = widen(c.word);
        validWords.insert(word);
        validPrinters.insert(printer);
        lastStatus[printer] = word;
    }

    const DWORD stormStart = GetTickCount();
    const bool clientsOk = runClientProcesses(L"--storm-client", kClientProcesses, L"");
    ASSERT_TRUE(waitForServiceIdle(60000)) << "the service no longer serves";
    // The last pop-ups may still be starting.
    waitUntil([&] { return readLines(log).size() >= expectedStarts; }, 30000);
    const DWORD stormMs = GetTickCount() - stormStart;
    Sleep(2000);  // a start counted twice would show by now
    const std::vector<std::wstring> starts = readLines(log);

    std::printf("storm: %zu clients from %d processes in %lu ms\n", plan.size(), kClientProcesses, stormMs);
    for (int k = 0; k < kKinds; ++k)
        std::printf("  %-24s %4d%s\n", kKindNames[k], byKind[k], actedOn(static_cast<Kind>(k)) ? "  (acted on)" : "");
    std::printf("  pop-ups started %zu, valid statuses %zu (%zu of them to GBK names)\n", starts.size(),
                expectedStarts, toGbkNames);

    EXPECT_TRUE(clientsOk);
    EXPECT_TRUE(service.process().running());
    EXPECT_EQ(expectedStarts, starts.size()) << "every valid status starts exactly one pop-up";
    // A pop-up that reads while the service rewrites the report may see the new TYPE beside
    // the old PRINTER, or an empty file; never anything that no valid status carried.
    int foreign = 0;
    for (const std::wstring& start : starts) {
        const size_t bar = start.find(L'|');
        const bool known = bar != std::wstring::npos && validWords.count(start.substr(0, bar)) &&
                           validPrinters.count(start.substr(bar + 1));
        if (!known && ++foreign <= 5)
            ADD_FAILURE() << "a pop-up read a report no valid status wrote: " << narrow(start, CP_UTF8);
    }

    const std::wstring finalPrinter = readIni(box, L"REPORT", L"PRINTER");
    ASSERT_TRUE(lastStatus.count(finalPrinter)) << narrow(finalPrinter, CP_UTF8);
    EXPECT_EQ(lastStatus[finalPrinter], readIni(box, L"REPORT", L"TYPE"))
        << "the report holds an earlier status of " << narrow(finalPrinter, CP_UTF8);
    wchar_t sections[256] = {};
    GetPrivateProfileSectionNamesW(sections, 256, box.c_str());
    EXPECT_EQ(std::wstring(L"REPORT"), sections);
    EXPECT_EQ(0, sections[wcslen(sections) + 1]) << "a second section";
    wchar_t keys[256] = {};
    GetPrivateProfileStringW(L"REPORT", nullptr, L"", keys, 256, box.c_str());
    EXPECT_EQ(std::wstring(L"TYPE"), keys);
    EXPECT_EQ(std::wstring(L"PRINTER"), keys + 5);
    EXPECT_EQ(0, keys[13]) << "a third key";

    // Soak.
    const SIZE_T before = workingSet(service.process().handle());
    const DWORD soakStart = GetTickCount();
    const bool soakOk = runClientProcesses(L"--soak-client", kClientProcesses,
                                           L" " + std::to_wstring(kSoakMessages / kClientProcesses));
    ASSERT_TRUE(waitForServiceIdle(60000)) << "the service no longer serves after the soak";
    const DWORD soakMs = GetTickCount() - soakStart;
    const SIZE_T after = workingSet(service.process().handle());
    std::printf("soak: %d messages that show nothing in %lu ms; working set %zu -> %zu bytes (%+.2f %%)\n",
                kSoakMessages, soakMs, before, after, 100.0 * (double(after) - double(before)) / double(before));
    EXPECT_TRUE(soakOk);
    EXPECT_EQ(starts.size(), readLines(log).size()) << "the soak showed something";
    ASSERT_GT(before, 0u) << "no working set to compare";
    EXPECT_LT(double(after), double(before) * 1.05) << "the working set grew by 5 % or more";

    EXPECT_TRUE(service.stop()) << "\"exit\" did not end the service with 0";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--storm-client") == 0)
        return stormClient(std::atoi(argv[2]));
    if (argc == 4 && std::strcmp(argv[1], "--soak-client") == 0)
        return soakClient(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "--hold-pipe") == 0) {
        wchar_t eventName[64];
        std::swprintf(eventName, 64, L"%hs", argv[2]);
        return holdPipe(eventName);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
