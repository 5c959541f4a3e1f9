// tkWDSend: sends one status message to the status service, as the driver package does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
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
    "3 pipe busy past the time-out; 5 write failed; 4 refused, because the service would\n"
    "drop or misread it: a command or printer name over 99 bytes, holding a control\n"
    "character, or with a character that the ANSI code page cannot hold exactly.\n";

int fail(int code, const char* text)
{
    // Plain puts: a formatted print would link a whole formatter into this small program.
    std::fputs("tkWDSend: ", stderr);
    std::fputs(text, stderr);
    std::fputs("\n", stderr);
    return code;
}

// "tkWDSend: the <what> <reason>" on stderr, for a refused part.
void refusePart(const char* what, const char* reason, const char* detail = "")
{
    std::fputs("tkWDSend: the ", stderr);
    std::fputs(what, stderr);
    std::fputs(reason, stderr);
    std::fputs(detail, stderr);
    std::fputs("\n", stderr);
}

// Room for more than a part may hold, so that a long part is told apart from a bad one.
constexpr size_t kConvertBytes = 1024;

// Converts a command or printer name (`what`) to the ANSI code page exactly, as the service
// will read it back. Refuses, on stderr, a character without an exact form there (a best-fit
// look-alike, such as a full-width name turned into ASCII, could name another printer) and
// what checkPart refuses.
int toExactAnsi(const wchar_t* text, const char* what, char (&bytes)[kConvertBytes], size_t* length)
{
    const UINT codePage = GetACP();
    // UTF-8 takes neither the flag nor the default-character answer; the round trip checks it.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int needed =
        WideCharToMultiByte(CP_ACP, flags, text, -1, nullptr, 0, nullptr, utf8 ? nullptr : &usedDefault);
    int exact = needed > 0 && !usedDefault;
    if (exact && static_cast<size_t>(needed) <= kConvertBytes) {
        WideCharToMultiByte(CP_ACP, flags, text, -1, bytes, needed, nullptr, nullptr);
        *length = static_cast<size_t>(needed) - 1;
        wchar_t back[kConvertBytes];
        exact = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, -1, back, kConvertBytes) > 0 &&
                std::wcscmp(back, text) == 0;
    }
    if (!exact) {
        char number[12];
        _ultoa(codePage, number, 10);
        refusePart(what, " cannot be written exactly in the ANSI code page ", number);
        return 0;
    }
    const PartProblem problem = static_cast<size_t>(needed) > kConvertBytes
                                    ? PartProblem::TooLong
                                    : checkPart(bytes, *length);
    static_assert(kMaxPartBytes == 99, "the message below names the limit");
    if (problem == PartProblem::TooLong)
        refusePart(what, " is longer than 99 bytes");
    else if (problem == PartProblem::ControlCharacter)
        refusePart(what, " holds a control character");
    return problem == PartProblem::None;
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

    char command[kConvertBytes];
    char printer[kConvertBytes];
    size_t commandLength = 0, printerLength = 0;
    if (!toExactAnsi(argv[1], "command", command, &commandLength) ||
        (argc == 3 && !toExactAnsi(argv[2], "printer name", printer, &printerLength)))
        return kRefused;

    // "<command>_<printer>", or the command alone: at most 199 bytes.
    char message[2 * kMaxPartBytes + 1];
    std::memcpy(message, command, commandLength);
    size_t length = commandLength;
    if (argc == 3) {
        message[length++] = '_';
        std::memcpy(message + length, printer, printerLength);
        length += printerLength;
    }
    return send(reinterpret_cast<const unsigned char*>(message), length);
}
