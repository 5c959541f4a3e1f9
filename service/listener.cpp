#include "listener.h"

#include <objbase.h>

#include "config.h"
#include "dispatch.h"
#include "message.h"
#include "owned.h"

namespace {

// The shell may hand a program's start to COM objects, and asks its callers for an
// apartment-threaded COM without OLE1 DDE on the calling thread.
class ComApartment {
public:
    ComApartment()
        : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
    {
    }
    ~ComApartment()
    {
        if (initialised_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\tkWDPipe";
constexpr DWORD kPipeBufferBytes = 4096;
constexpr DWORD kPipeDefaultTimeoutMs = 3000;
// A client that connects and then stalls is given up after this long.
constexpr DWORD kReadTimeoutMs = 3000;
// Pause after an unexpected connection failure, so that a failing pipe is never spun on.
constexpr DWORD kReconnectPauseMs = 10;

// Waits for the next client. Nonzero when one is connected, including a quick client that
// came before the wait (and may already have closed, leaving its message in the pipe).
int waitForClient(HANDLE pipe, HANDLE ioEvent)
{
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ioEvent;
    if (ConnectNamedPipe(pipe, &overlapped))
        return 1;
    switch (GetLastError()) {
    case ERROR_PIPE_CONNECTED:
    case ERROR_NO_DATA:
        return 1;
    case ERROR_IO_PENDING: {
        DWORD unused = 0;
        return GetOverlappedResult(pipe, &overlapped, &unused, TRUE) ? 1 : 0;
    }
    default:
        return 0;
    }
}

// Reads one message into buffer, which is zero-filled first. Fails for a client that wrote
// nothing, a message longer than size (the pipe reports more data: dropped whole) and a
// client that writes nothing within kReadTimeoutMs.
int readMessage(HANDLE pipe, HANDLE ioEvent, char* buffer, DWORD size)
{
    ZeroMemory(buffer, size);
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ioEvent;
    DWORD read = 0;
    if (ReadFile(pipe, buffer, size, &read, &overlapped))
        return 1;
    if (GetLastError() != ERROR_IO_PENDING)
        return 0;
    if (WaitForSingleObject(ioEvent, kReadTimeoutMs) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        // The buffer must outlive the cancelled read.
        GetOverlappedResult(pipe, &overlapped, &read, TRUE);
        return 0;
    }
    return GetOverlappedResult(pipe, &overlapped, &read, FALSE) ? 1 : 0;
}

// Disconnects the pipe's client, so that the next one can connect.
void endConnection(HANDLE pipe)
{
    // No flush first: the service never writes into the pipe, so a flush would wait for
    // nothing, and it cost a round trip to the system per message (some 15 % of the rate).
    DisconnectNamedPipe(pipe);
}

} // namespace

DWORD WINAPI listenerMain(LPVOID parameter)
{
    const ServiceConfig& config = *static_cast<const ServiceConfig*>(parameter);
    const ComApartment com;

    // One instance, reused for every client. Overlapped, so that a stalled client can be
    // given up; local only, because one of the commands purges print queues.
    UniqueHandle pipe(CreateNamedPipeW(
        kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        PIPE_UNLIMITED_INSTANCES, kPipeBufferBytes, kPipeBufferBytes, kPipeDefaultTimeoutMs, nullptr));
    if (!pipe)
        return 0;
    UniqueHandle ioEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ioEvent)
        return 0;

    for (;;) {
        if (!waitForClient(pipe.get(), ioEvent.get())) {
            DisconnectNamedPipe(pipe.get());
            Sleep(kReconnectPauseMs);
            continue;
        }

        // One byte beyond what is read stays zero, so that a message without a terminator
        // still ends inside the buffer.
        char buffer[kMessageBytes + 1] = {};
        char command[kFieldBytes];
        char printerName[kFieldBytes];
        AfterMessage after = AfterMessage::Serve;
        if (readMessage(pipe.get(), ioEvent.get(), buffer, kMessageBytes) &&
            splitMessage(buffer, kMessageBytes, command, printerName)) {
            wchar_t printer[kFieldBytes] = {};  // never more characters than bytes
            // The system's ANSI code page, as the sender writes it: the thread's would follow
            // the user's formats, which may differ from it.
            if (!MultiByteToWideChar(CP_ACP, 0, printerName, -1, printer, kFieldBytes))
                printer[0] = L'\0';
            after = dispatchCommand(config, command, printer);
        }
        endConnection(pipe.get());
        if (after == AfterMessage::Stop) {
            finishExit();
            return 0;
        }
    }
}
