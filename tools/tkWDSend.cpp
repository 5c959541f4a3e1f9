// tkWDSend: sends one status message to the status service, as the driver package does.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "sender_args.h"

namespace {

constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\tkWDPipe";
constexpr int kMaxOpenAttempts = 20;  // another client may take the pipe each time it frees

const char kUsage[] =
    "usage: tkWDSend <command> [<printer>]\n"
    "       tkWDSend --hex <bytes>\n"
    "       tkWDSend --help\n"
    "\n"
    "Sends <command>_<printer> (or <command> alone) to the status service over the pipe\n"
    "\\\\.\\pipe\\tkWDPipe as one message in the ANSI code page, without a terminating zero.\n"
    "It waits for a busy pipe with the pipe's default time-out, writes once and closes.\n"
    "--hex sends the given bytes as they stand, e.g. --hex \"63 6f 6e\" (up to 4096 bytes,\n"
    "longer than the service accepts on purpose, to exercise bad input).\n"
    "\n"
    "Exit codes: 0 sent; 1 usage error; 2 no pipe (the service is not running);\n"
    "3 pipe busy past the time-out; 4 message over 256 bytes; 5 write failed.\n";

int fail(int code, const char* text)
{
    // Plain puts: a formatted print would link a whole formatter into this small program.
    std::fputs("tkWDSend: ", stderr);
    std::fputs(text, stderr);
    std::fputs("\n", stderr);
    return code;
}

// Appends text converted to the ANSI code page; 0 when it does not fit.
int appendAnsi(char* out, size_t capacity, size_t* length, const wchar_t* text)
{
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || *length + static_cast<size_t>(needed) > capacity)
        return 0;
    WideCharToMultiByte(CP_ACP, 0, text, -1, out + *length, needed, nullptr, nullptr);
    *length += static_cast<size_t>(needed) - 1;
    return 1;
}

int send(const unsigned char* bytes, size_t length)
{
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; pipe == INVALID_HANDLE_VALUE; ++attempt) {
        pipe = CreateFileW(kPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE)
            break;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return fail(kNoPipe, "no status pipe: the service is not running");
        if (error != ERROR_PIPE_BUSY)
            return fail(kWriteFailed, "cannot open the status pipe");
        if (attempt >= kMaxOpenAttempts || !WaitNamedPipeW(kPipeName, NMPWAIT_USE_DEFAULT_WAIT)) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND)
                return fail(kNoPipe, "no status pipe: the service is not running");
            return fail(kPipeBusy, "the status pipe stayed busy past its time-out");
        }
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(pipe, bytes, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(pipe);
    if (!ok || written != length)
        return fail(kWriteFailed, "writing to the status pipe failed");
    return kSent;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && std::wcscmp(argv[1], L"--help") == 0) {
        std::fputs(kUsage, stdout);
        return kSent;
    }
    if (argc == 3 && std::wcscmp(argv[1], L"--hex") == 0) {
        static unsigned char bytes[kMaxHexBytes];
        size_t length = 0;
        if (!parseHexBytes(argv[2], bytes, kMaxHexBytes, &length) || length == 0)
            return fail(kUsageError, "--hex wants pairs of hex digits, 1 to 4096 bytes");
        return send(bytes, length);
    }
    if (argc < 2 || argc > 3 || std::wcsncmp(argv[1], L"--", 2) == 0) {
        std::fputs(kUsage, stderr);
        return kUsageError;
    }

    // Room for more than a status message, so that a long one is told apart from a bad one.
    char message[4 * kMaxStatusBytes];
    size_t length = 0;
    message[0] = '\0';
    const bool fits = appendAnsi(message, sizeof message, &length, argv[1]) &&
                      (argc < 3 || (appendAnsi(message, sizeof message, &length, L"_") &&
                                    appendAnsi(message, sizeof message, &length, argv[2])));
    if (!fits || length > kMaxStatusBytes)
        return fail(kMessageTooLong, "the message is longer than 256 bytes");
    return send(reinterpret_cast<const unsigned char*>(message), length);
}
