// Stand-in for the print spooler's winspool.drv, loaded by the real tkPTSer.exe in the spooler
// tests (the file lies beside it and WINEDLLOVERRIDES holds "winspool.drv=n"). Wine's own
// spooler refuses level-5 writes and the purge, so the tests keep their printers here.
//
// spooler.ini beside this file holds the printers, one section "printer <name>" each:
//   Port, Attributes (0x...), Jobs (waiting jobs), AccessDenied (1: opening the printer for
//   administration is refused), NotSelectedTimeout, RetryTimeout, and DelayMs: GetPrinterW and
//   SetPrinterW first wait that long, or until the event "tkWDSpoolerRelease" is set, so that
//   a test can keep a caller busy for as long as it needs.
// Section "spooler", key OpenHandles: handles opened and not yet closed, written at each
// open and close.
// spooler.log beside this file: one line per call, in order,
//   "<call>\t<outcome>\t<attributes, 0x%08lx>\t<printer, UTF-8>\r\n"
// with call open/get/set/purge/close and outcome ok/unknown/denied/short/refused.
#include <windows.h>
#include <winspool.h>

#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kReleaseEvent[] = L"tkWDSpoolerRelease";
constexpr wchar_t kStateSection[] = L"spooler";
constexpr wchar_t kMissing[] = L"\x01";
constexpr int kMaxHandles = 64;
constexpr size_t kNameCapacity = 260;

// One open printer handle; the handle given out is the slot's address.
struct OpenPrinterSlot {
    bool inUse;
    DWORD access;
    wchar_t name[kNameCapacity];
};

OpenPrinterSlot slots[kMaxHandles];
SRWLOCK stateLock = SRWLOCK_INIT;  // the service calls from its listener and its worker

std::wstring besideThisFile(const wchar_t* fileName)
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&besideThisFile), &self);
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    std::wstring dir(path, length < MAX_PATH ? length : 0);
    return dir.substr(0, dir.find_last_of(L'\\') + 1) + fileName;
}

std::wstring section(const wchar_t* printer) { return std::wstring(L"printer ") + printer; }

std::wstring readValue(const wchar_t* printer, const wchar_t* key)
{
    wchar_t value[1024];
    GetPrivateProfileStringW(section(printer).c_str(), key, kMissing, value, 1024,
                             besideThisFile(L"spooler.ini").c_str());
    return value;
}

DWORD readNumber(const wchar_t* printer, const wchar_t* key)
{
    return static_cast<DWORD>(wcstoul(readValue(printer, key).c_str(), nullptr, 0));
}

void writeValue(const wchar_t* sectionName, const wchar_t* key, const wchar_t* value)
{
    WritePrivateProfileStringW(sectionName, key, value, besideThisFile(L"spooler.ini").c_str());
}

void writeNumber(const wchar_t* printer, const wchar_t* key, const wchar_t* format, DWORD number)
{
    wchar_t text[16];
    swprintf(text, 16, format, number);
    writeValue(section(printer).c_str(), key, text);
}

bool printerExists(const wchar_t* printer)
{
    return printer && wcslen(printer) < kNameCapacity && readValue(printer, L"Attributes") != kMissing;
}

void logCall(const char* call, const char* outcome, DWORD attributes, const wchar_t* printer)
{
    char name[kNameCapacity * 3] = "";
    if (printer)
        WideCharToMultiByte(CP_UTF8, 0, printer, -1, name, sizeof name, nullptr, nullptr);
    char line[sizeof name + 64];
    const int length = snprintf(line, sizeof line, "%s\t%s\t0x%08lx\t%s\r\n", call, outcome,
                                static_cast<unsigned long>(attributes), name);
    HANDLE log = CreateFileW(besideThisFile(L"spooler.log").c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(log, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(log);
}

// Called with stateLock held.
void writeOpenHandles()
{
    DWORD open = 0;
    for (const OpenPrinterSlot& slot : slots)
        open += slot.inUse ? 1 : 0;
    wchar_t text[16];
    swprintf(text, 16, L"%lu", static_cast<unsigned long>(open));
    writeValue(kStateSection, L"OpenHandles", text);
}

OpenPrinterSlot* slotOf(HANDLE printer)
{
    for (OpenPrinterSlot& slot : slots) {
        if (&slot == printer && slot.inUse)
            return &slot;
    }
    return nullptr;
}

// Keeps the caller busy, outside the lock so that calls for other printers go on.
void delayFor(const wchar_t* printer)
{
    const DWORD delayMs = readNumber(printer, L"DelayMs");
    if (!delayMs)
        return;
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, kReleaseEvent);
    if (release) {
        WaitForSingleObject(release, delayMs);
        CloseHandle(release);
    } else {
        Sleep(delayMs);
    }
}

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

} // namespace

extern "C" {

WINBOOL WINAPI OpenPrinterW(LPWSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults)
{
    if (!printer)
        return fail(ERROR_INVALID_PARAMETER);
    *printer = nullptr;
    AcquireSRWLockExclusive(&stateLock);
    BOOL result = FALSE;
    DWORD error = ERROR_SUCCESS;
    const DWORD access = defaults ? defaults->DesiredAccess : PRINTER_ACCESS_USE;
    if (!printerExists(printerName)) {
        logCall("open", "unknown", 0, printerName);
        error = ERROR_INVALID_PRINTER_NAME;
    } else if ((access & PRINTER_ACCESS_ADMINISTER) && readNumber(printerName, L"AccessDenied")) {
        logCall("open", "denied", readNumber(printerName, L"Attributes"), printerName);
        error = ERROR_ACCESS_DENIED;
    } else {
        error = ERROR_NOT_ENOUGH_MEMORY;
        for (OpenPrinterSlot& slot : slots) {
            if (slot.inUse)
                continue;
            slot.inUse = true;
            slot.access = access;
            wcscpy(slot.name, printerName);
            *printer = &slot;
            writeOpenHandles();
            logCall("open", "ok", readNumber(printerName, L"Attributes"), printerName);
            result = TRUE;
            break;
        }
    }
    ReleaseSRWLockExclusive(&stateLock);
    return result ? TRUE : fail(error);
}

WINBOOL WINAPI ClosePrinter(HANDLE printer)
{
    AcquireSRWLockExclusive(&stateLock);
    OpenPrinterSlot* slot = slotOf(printer);
    if (slot) {
        slot->inUse = false;
        writeOpenHandles();
        logCall("close", "ok", readNumber(slot->name, L"Attributes"), slot->name);
    }
    ReleaseSRWLockExclusive(&stateLock);
    return slot ? TRUE : fail(ERROR_INVALID_HANDLE);
}

WINBOOL WINAPI GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD bufferBytes, LPDWORD needed)
{
    AcquireSRWLockShared(&stateLock);
    OpenPrinterSlot* slot = slotOf(printer);
    wchar_t name[kNameCapacity];
    if (slot)
        wcscpy(name, slot->name);
    ReleaseSRWLockShared(&stateLock);
    if (!slot)
        return fail(ERROR_INVALID_HANDLE);
    if (level != 5)
        return fail(ERROR_INVALID_LEVEL);
    delayFor(name);

    AcquireSRWLockExclusive(&stateLock);
    const std::wstring port = readValue(name, L"Port");
    PRINTER_INFO_5W record = {};
    record.Attributes = readNumber(name, L"Attributes");
    record.DeviceNotSelectedTimeout = readNumber(name, L"NotSelectedTimeout");
    record.TransmissionRetryTimeout = readNumber(name, L"RetryTimeout");
    // The record, then the printer name, then the port name, as the spooler lays them out.
    const size_t nameBytes = (wcslen(name) + 1) * sizeof(wchar_t);
    const size_t portBytes = (port.size() + 1) * sizeof(wchar_t);
    const DWORD size = static_cast<DWORD>(sizeof record + nameBytes + portBytes);
    if (needed)
        *needed = size;
    BOOL result = FALSE;
    if (!buffer || bufferBytes < size) {
        logCall("get", "short", record.Attributes, name);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    } else {
        auto* nameCopy = reinterpret_cast<wchar_t*>(buffer + sizeof record);
        auto* portCopy = reinterpret_cast<wchar_t*>(buffer + sizeof record + nameBytes);
        memcpy(nameCopy, name, nameBytes);
        memcpy(portCopy, port.c_str(), portBytes);
        record.pPrinterName = nameCopy;
        record.pPortName = portCopy;
        memcpy(buffer, &record, sizeof record);
        logCall("get", "ok", record.Attributes, name);
        result = TRUE;
    }
    ReleaseSRWLockExclusive(&stateLock);
    return result;
}

WINBOOL WINAPI SetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command)
{
    AcquireSRWLockShared(&stateLock);
    OpenPrinterSlot* slot = slotOf(printer);
    wchar_t name[kNameCapacity];
    DWORD access = 0;
    if (slot) {
        wcscpy(name, slot->name);
        access = slot->access;
    }
    ReleaseSRWLockShared(&stateLock);
    if (!slot)
        return fail(ERROR_INVALID_HANDLE);
    if (level != 0 && level != 5)
        return fail(ERROR_INVALID_LEVEL);
    if (!(access & PRINTER_ACCESS_ADMINISTER)) {
        logCall(level ? "set" : "purge", "refused", 0, name);
        return fail(ERROR_ACCESS_DENIED);
    }

    if (level == 0) {
        AcquireSRWLockExclusive(&stateLock);
        const DWORD attributes = readNumber(name, L"Attributes");
        const bool purge = command == PRINTER_CONTROL_PURGE;
        if (purge)
            writeNumber(name, L"Jobs", L"%lu", 0);
        logCall("purge", purge ? "ok" : "refused", attributes, name);
        ReleaseSRWLockExclusive(&stateLock);
        return purge ? TRUE : fail(ERROR_INVALID_PRINTER_COMMAND);
    }

    // Level 5: the caller's record, whose names must be this printer's and a port.
    PRINTER_INFO_5W record = {};
    if (buffer)
        memcpy(&record, buffer, sizeof record);
    if (!buffer || command != 0 || !record.pPrinterName || !record.pPortName ||
        lstrcmpiW(record.pPrinterName, name) != 0) {
        logCall("set", "refused", record.Attributes, name);
        return fail(ERROR_INVALID_PARAMETER);
    }
    delayFor(name);
    AcquireSRWLockExclusive(&stateLock);
    writeValue(section(name).c_str(), L"Port", record.pPortName);
    writeNumber(name, L"Attributes", L"0x%08lx", record.Attributes);
    writeNumber(name, L"NotSelectedTimeout", L"%lu", record.DeviceNotSelectedTimeout);
    writeNumber(name, L"RetryTimeout", L"%lu", record.TransmissionRetryTimeout);
    logCall("set", "ok", record.Attributes, name);
    ReleaseSRWLockExclusive(&stateLock);
    return TRUE;
}

} // extern "C"
