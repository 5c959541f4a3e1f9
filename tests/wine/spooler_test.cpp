// The real tkPTSer.exe under Wine, driven through its pipe, with a stand-in spooler beside it
// (standins/winspool.cpp): purging a printer's queue, switching a new printer to queued
// printing, the printer handles it keeps, and the worker thread's one-name slot.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "fake_popup.h"
#include "harness.h"

using namespace harness;

namespace {

constexpr wchar_t kReleaseEvent[] = L"tkWDSpoolerRelease";  // cuts the stand-in's delays short
constexpr DWORD kHeldMs = 60000;                              // a delay that only the event ends
constexpr DWORD kTimeoutMs = 15000;

std::wstring popupTitleOf(const std::wstring& printer) { return printer + L"  V1.3.3"; }

struct PrinterSetup {
    std::wstring name;
    std::wstring port;
    DWORD attributes;
    DWORD jobs;
    bool accessDenied;
    DWORD delayMs;
};

PrinterSetup printer(const std::wstring& name, DWORD attributes, DWORD jobs = 0)
{
    return {name, L"USB001", attributes, jobs, false, 0};
}

// One line of the stand-in's call log.
struct SpoolerCall {
    std::string call;
    std::string outcome;
    DWORD attributes;
    std::wstring printer;

    std::string summary() const { return call + " " + outcome + " " + narrow(printer, CP_UTF8); }
};

// A directory with the service, the stand-in spooler and its printers; optionally a stand-in
// pop-up program that records each start.
class SpoolerBed {
public:
    SpoolerBed() : service_(dir_)
    {
        dir_.copyFile(standinPath(L"winspool.drv"), L"winspool.drv");
    }

    void addPrinter(const PrinterSetup& printer)
    {
        const std::wstring section = L"printer " + printer.name;
        wchar_t number[16];
        write(section, L"Port", printer.port);
        swprintf(number, 16, L"0x%08lx", static_cast<unsigned long>(printer.attributes));
        write(section, L"Attributes", number);
        write(section, L"Jobs", std::to_wstring(printer.jobs));
        write(section, L"AccessDenied", printer.accessDenied ? L"1" : L"0");
        write(section, L"DelayMs", std::to_wstring(printer.delayMs));
        write(section, L"NotSelectedTimeout", L"15000");
        write(section, L"RetryTimeout", L"45000");
    }

    // The stand-in pop-up, which records each start in starts.log.
    void addPopup() { dir_.copyFile(standinPath(L"tkWDBox.exe"), L"tkWDBox.exe"); }

    // The stand-in is taken only where Wine was started with the override (spooler.cmake
    // sets it): a child's overrides come from Wine's own start, not from a variable the parent
    // changes with SetEnvironmentVariableW.
    bool start()
    {
        wchar_t overrides[1024] = L"";
        GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
        if (!wcsstr(overrides, L"winspool.drv=n")) {
            ADD_FAILURE() << "run under WINEDLLOVERRIDES=winspool.drv=n,b (ctest sets it)";
            return false;
        }
        return service_.start();
    }

    bool stop() { return service_.stop(); }
    Service& service() { return service_; }
    const TempDir& dir() const { return dir_; }

    std::vector<SpoolerCall> calls() const
    {
        std::vector<SpoolerCall> calls;
        const std::string log = readFileBytes(dir_.file(L"spooler.log"));
        size_t start = 0;
        // Only whole lines: the service may be writing the next one.
        for (size_t end = log.find('\n'); end != std::string::npos; end = log.find('\n', start)) {
            std::string line = log.substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::vector<std::string> fields;
            for (size_t from = 0;;) {
                const size_t tab = line.find('\t', from);
                fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
                if (tab == std::string::npos)
                    break;
                from = tab + 1;
            }
            if (fields.size() == 4)
                calls.push_back({fields[0], fields[1], static_cast<DWORD>(strtoul(fields[2].c_str(), nullptr, 0)),
                                 widen(fields[3], CP_UTF8)});
        }
        return calls;
    }

    std::vector<SpoolerCall> callsFor(const std::wstring& printer) const
    {
        std::vector<SpoolerCall> selected;
        for (const SpoolerCall& call : calls()) {
            if (call.printer == printer)
                selected.push_back(call);
        }
        return selected;
    }

    size_t count(const char* call, const std::wstring& printer) const
    {
        size_t n = 0;
        for (const SpoolerCall& c : callsFor(printer))
            n += c.call == call && c.outcome == "ok";
        return n;
    }

    // Waits until the printer has been closed n times: an operation on it has ended.
    bool waitForClose(const std::wstring& printer, size_t n = 1) const
    {
        return waitUntil([&] { return count("close", printer) >= n; }, kTimeoutMs);
    }

    std::wstring value(const std::wstring& printer, const wchar_t* key) const
    {
        return readIni(dir_.file(L"spooler.ini"), (L"printer " + printer).c_str(), key);
    }
    DWORD attributes(const std::wstring& printer) const
    {
        return static_cast<DWORD>(wcstoul(value(printer, L"Attributes").c_str(), nullptr, 0));
    }
    std::wstring openHandles() const { return readIni(dir_.file(L"spooler.ini"), L"spooler", L"OpenHandles"); }
    std::vector<std::wstring> popupStarts() const { return readLines(dir_.file(L"starts.log")); }

private:
    void write(const std::wstring& section, const wchar_t* key, const std::wstring& value)
    {
        WritePrivateProfileStringW(section.c_str(), key, value.c_str(), dir_.file(L"spooler.ini").c_str());
    }

    TempDir dir_;
    Service service_;
};

// Closes the release event, which ends the stand-in's delays, when the test ends.
class ReleaseEvent {
public:
    ReleaseEvent() : event_(CreateEventW(nullptr, TRUE, FALSE, kReleaseEvent)) {}
    ~ReleaseEvent()
    {
        release();
        CloseHandle(event_);
    }
    ReleaseEvent(const ReleaseEvent&) = delete;
    ReleaseEvent& operator=(const ReleaseEvent&) = delete;
    bool valid() const { return event_ != nullptr; }
    void release() { SetEvent(event_); }

private:
    HANDLE event_;
};

std::vector<std::string> summaries(const std::vector<SpoolerCall>& calls)
{
    std::vector<std::string> lines;
    for (const SpoolerCall& call : calls)
        lines.push_back(call.summary());
    return lines;
}

// "devCancel": only the named printer's queue is purged; no pop-up is closed or started and
// box.ini stays as it was, whether it exists or not.
struct PurgeCase {
    const char* label;
    const char* message;
    bool accessDenied;                // P1 may not be administered
    const char* boxIni;               // bytes of box.ini before, or null for none
    DWORD jobsAfter;                  // on P1, which has 3 waiting
    std::vector<std::string> calls;   // the stand-in's whole log
};

TEST(PurgeQueue, DeletesTheWaitingJobsOfThatPrinterOnly)
{
    const char* const existingReport = "[REPORT]\r\nTYPE=cutter\r\nPRINTER=P9\r\n";
    const PurgeCase cases[] = {
        {"three jobs, no box.ini", "devCancel_P1", false, nullptr, 0,
         {"open ok P1", "purge ok P1", "close ok P1"}},
        {"three jobs, box.ini kept", "devCancel_P1", false, existingReport, 0,
         {"open ok P1", "purge ok P1", "close ok P1"}},
        {"unknown printer", "devCancel_Nobody", false, existingReport, 3, {"open unknown Nobody"}},
        {"access refused", "devCancel_P1", true, nullptr, 3, {"open denied P1"}},
    };
    for (const PurgeCase& c : cases) {
        SCOPED_TRACE(c.label);
        SpoolerBed bed;
        PrinterSetup p1 = printer(L"P1", PRINTER_ATTRIBUTE_QUEUED, 3);
        p1.accessDenied = c.accessDenied;
        bed.addPrinter(p1);
        bed.addPrinter(printer(L"P2", PRINTER_ATTRIBUTE_QUEUED, 2));
        bed.addPopup();
        const std::wstring boxIni = bed.dir().file(L"box.ini");
        if (c.boxIni) {
            HANDLE file = CreateFileW(boxIni.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, c.boxIni, static_cast<DWORD>(strlen(c.boxIni)), &written, nullptr);
            CloseHandle(file);
        }
        ASSERT_TRUE(bed.start());

        const std::string printerName = std::string(c.message).substr(sizeof "devCancel_" - 1);
        FakePopup popup(popupTitleOf(widen(printerName)));
        ASSERT_TRUE(popup.shown());
        ASSERT_TRUE(sendToPipe(c.message));
        ASSERT_TRUE(waitForServiceIdle());
        EXPECT_EQ(0, popup.quitsReceived());

        ASSERT_TRUE(bed.stop());
        EXPECT_EQ(c.calls, summaries(bed.calls()))
            << (bed.calls().empty() ? "the stand-in spooler was not loaded" : "");
        EXPECT_EQ(std::to_wstring(c.jobsAfter), bed.value(L"P1", L"Jobs"));
        EXPECT_EQ(L"2", bed.value(L"P2", L"Jobs"));
        EXPECT_EQ(c.boxIni != nullptr, fileExists(boxIni));
        if (c.boxIni) {
            EXPECT_EQ(c.boxIni, readFileBytes(boxIni));
        }
        EXPECT_TRUE(bed.popupStarts().empty());
        if (c.calls.size() > 1) {
            EXPECT_EQ(L"0", bed.openHandles());
        }
    }
}

// "addNewDev": the worker clears the direct bit and sets the queued bit, and writes every
// other bit and field back as read, whatever the length of the names.
struct QueuedCase {
    const char* label;
    PrinterSetup printer;
    DWORD expected;
};

TEST(QueuedPrinting, AddNewDevSwitchesThePrinterToQueuedAndReportsIt)
{
    constexpr DWORD otherBits = PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_NETWORK | PRINTER_ATTRIBUTE_HIDDEN |
                                PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS | PRINTER_ATTRIBUTE_ENABLE_BIDI | 0x00400000;
    const std::wstring longName = L"Label printer on the second floor, left of the stairs (spare)";
    std::wstring longPort = L"USB-";
    while (longPort.size() < 120)
        longPort += L"0123456789";
    const QueuedCase cases[] = {
        {"printing directly", printer(L"P1", PRINTER_ATTRIBUTE_DIRECT | otherBits),
         PRINTER_ATTRIBUTE_QUEUED | otherBits},
        {"already queued", printer(L"P1", PRINTER_ATTRIBUTE_QUEUED | PRINTER_ATTRIBUTE_WORK_OFFLINE | otherBits),
         PRINTER_ATTRIBUTE_QUEUED | PRINTER_ATTRIBUTE_WORK_OFFLINE | otherBits},
        {"both bits set", printer(L"P1", PRINTER_ATTRIBUTE_QUEUED | PRINTER_ATTRIBUTE_DIRECT),
         PRINTER_ATTRIBUTE_QUEUED},
        {"names longer than 256 bytes", {longName, longPort, PRINTER_ATTRIBUTE_DIRECT | PRINTER_ATTRIBUTE_LOCAL, 0, false, 0},
         PRINTER_ATTRIBUTE_QUEUED | PRINTER_ATTRIBUTE_LOCAL},
    };
    // The last row only means something when its record does not fit 256 bytes.
    ASSERT_GT(sizeof(PRINTER_INFO_5W) + (longName.size() + 1 + longPort.size() + 1) * sizeof(wchar_t), 256u);
    for (const QueuedCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring& name = c.printer.name;
        SpoolerBed bed;
        bed.addPrinter(c.printer);
        bed.addPrinter(printer(L"Bystander", PRINTER_ATTRIBUTE_DIRECT));
        bed.addPopup();
        ASSERT_TRUE(bed.start());

        FakePopup popup(popupTitleOf(name));
        ASSERT_TRUE(popup.shown());
        ASSERT_TRUE(sendToPipe("addNewDev_" + narrow(name)));
        ASSERT_TRUE(waitUntil([&] { return bed.count("set", name) > 0; }, kTimeoutMs))
            << (bed.calls().empty() ? "the stand-in spooler was not loaded" : "no level-5 write");
        EXPECT_TRUE(bed.waitForClose(name)) << "the printer handle stays open";
        EXPECT_TRUE(popup.closedWithin(kTimeoutMs));
        ASSERT_TRUE(waitUntil([&] { return bed.popupStarts().size() == 1; }, kTimeoutMs));
        EXPECT_EQ(L"addNewDev|" + name, bed.popupStarts().at(0));
        EXPECT_EQ(L"addNewDev", readIni(bed.dir().file(L"box.ini"), L"REPORT", L"TYPE"));
        EXPECT_EQ(name, readIni(bed.dir().file(L"box.ini"), L"REPORT", L"PRINTER"));
        ASSERT_TRUE(bed.stop());

        const std::vector<SpoolerCall> calls = bed.callsFor(name);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ("open ok", calls.front().call + " " + calls.front().outcome);
        EXPECT_EQ("close ok", calls.back().call + " " + calls.back().outcome);
        EXPECT_EQ(1u, bed.count("set", name));
        EXPECT_EQ(c.expected, bed.attributes(name));
        EXPECT_EQ(c.printer.port, bed.value(name, L"Port"));
        EXPECT_EQ(L"15000", bed.value(name, L"NotSelectedTimeout"));
        EXPECT_EQ(L"45000", bed.value(name, L"RetryTimeout"));
        EXPECT_TRUE(bed.callsFor(L"Bystander").empty());
        EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_DIRECT), bed.attributes(L"Bystander"));
        EXPECT_EQ(L"0", bed.openHandles());
    }
}

// Over a long run, successes and failures alike, every printer handle is closed again.
TEST(PrinterHandles, NoneStaysOpenAfterManyMessages)
{
    SpoolerBed bed;
    bed.addPrinter(printer(L"P1", PRINTER_ATTRIBUTE_DIRECT));
    bed.addPrinter(printer(L"P2", PRINTER_ATTRIBUTE_QUEUED, 3));
    PrinterSetup locked = printer(L"Locked", PRINTER_ATTRIBUTE_DIRECT, 3);
    locked.accessDenied = true;
    bed.addPrinter(locked);
    bed.addPrinter(printer(L"Last", PRINTER_ATTRIBUTE_DIRECT));
    ASSERT_TRUE(bed.start());

    const char* const messages[] = {"addNewDev_P1", "devCancel_P2",     "addNewDev_Locked",
                                    "devCancel_Locked", "addNewDev_Ghost", "devCancel_Ghost"};
    constexpr int kRounds = 9;  // 54 messages
    for (int round = 0; round < kRounds; ++round) {
        for (const char* message : messages)
            ASSERT_TRUE(sendToPipe(message)) << message;
    }
    // The worker always ends on the name its slot holds last.
    ASSERT_TRUE(sendToPipe("addNewDev_Last"));
    ASSERT_TRUE(bed.waitForClose(L"Last"));
    ASSERT_TRUE(bed.stop());

    EXPECT_EQ(L"0", bed.openHandles());
    size_t opened = 0;
    size_t closed = 0;
    for (const SpoolerCall& call : bed.calls()) {
        opened += call.call == "open" && call.outcome == "ok";
        closed += call.call == "close";
    }
    EXPECT_EQ(opened, closed);
    EXPECT_EQ(static_cast<size_t>(kRounds), bed.count("purge", L"P2"));  // the listener skips none
    EXPECT_GE(bed.count("set", L"P1"), 1u);
    EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_QUEUED), bed.attributes(L"P1"));
    EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_QUEUED), bed.attributes(L"Last"));
    EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_DIRECT), bed.attributes(L"Locked"));
    EXPECT_EQ(L"3", bed.value(L"Locked", L"Jobs"));
}

// Names handed over while the worker is busy replace each other in its one slot: it runs once
// more, with the last name. A later wake-up by "exit" ends it without touching a printer, even
// though the slot still holds a name.
TEST(WorkerSlot, BusyWorkerTakesTheLastNameAndExitTouchesNoPrinter)
{
    ReleaseEvent release;
    ASSERT_TRUE(release.valid());
    SpoolerBed bed;
    PrinterSetup slow = printer(L"Slow", PRINTER_ATTRIBUTE_DIRECT);
    slow.delayMs = kHeldMs;
    bed.addPrinter(slow);
    bed.addPrinter(printer(L"Skipped", PRINTER_ATTRIBUTE_DIRECT));
    bed.addPrinter(printer(L"Latest", PRINTER_ATTRIBUTE_DIRECT));
    ASSERT_TRUE(bed.start());

    ASSERT_TRUE(sendToPipe("addNewDev_Slow"));
    ASSERT_TRUE(waitUntil([&] { return bed.count("open", L"Slow") == 1; }, kTimeoutMs));
    // The worker is now held inside the spooler for Slow.
    ASSERT_TRUE(sendToPipe("addNewDev_Skipped"));
    ASSERT_TRUE(sendToPipe("addNewDev_Latest"));
    ASSERT_TRUE(waitForServiceIdle());
    release.release();
    ASSERT_TRUE(bed.waitForClose(L"Latest"));

    // One printer at a time, each from open to close; Skipped, if the worker took it at all,
    // only before Latest.
    std::vector<std::wstring> order;
    std::wstring inHand;
    for (const SpoolerCall& call : bed.calls()) {
        if (call.call == "open") {
            EXPECT_EQ(L"", inHand) << "opened " << narrow(call.printer) << " before closing the previous one";
            inHand = call.printer;
            order.push_back(call.printer);
        } else {
            EXPECT_EQ(inHand, call.printer) << call.summary();
            if (call.call == "close")
                inHand.clear();
        }
    }
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(L"Slow", order.front());
    EXPECT_EQ(L"Latest", order.back());
    EXPECT_LE(order.size(), 3u);
    const size_t callsBeforeExit = bed.calls().size();

    ASSERT_TRUE(bed.stop());
    EXPECT_EQ(callsBeforeExit, bed.calls().size()) << "the worker touched a printer after \"exit\"";
    EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_QUEUED), bed.attributes(L"Slow"));
    EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_QUEUED), bed.attributes(L"Latest"));
    EXPECT_EQ(1u, bed.count("open", L"Latest"));
    EXPECT_EQ(L"0", bed.openHandles());
}

} // namespace
