// Sends one status to the printer status service: send_status cutter_P1
// The message is the command line's text as it stands, in the ANSI code page.
#include <windows.h>
#include <cstdio>
#include <cstring>

// 0 when the service has the message; 2 when it is not running; 3 when it stayed busy;
// 5 when the write failed.
int sendStatus(const char* message)
{
    const char* pipeName = "\\\\.\\pipe\\tkWDPipe";
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 10; ++attempt) {
        pipe = CreateFileA(pipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE)
            break;
        if (GetLastError() != ERROR_PIPE_BUSY)
            return 2;  // no such pipe: the service is not running
        // Another sender holds the pipe; wait for it to be free (3 s, the pipe's default).
        if (!WaitNamedPipeA(pipeName, NMPWAIT_USE_DEFAULT_WAIT) && GetLastError() == ERROR_FILE_NOT_FOUND)
            return 2;
    }
    if (pipe == INVALID_HANDLE_VALUE)
        return 3;
    // One write is one message; without a terminating zero. Nothing comes back.
    DWORD length = static_cast<DWORD>(std::strlen(message));
    DWORD written = 0;
    BOOL ok = WriteFile(pipe, message, length, &written, nullptr);
    CloseHandle(pipe);
    return ok && written == length ? 0 : 5;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: send_status <command>_<printer>\n", stderr);
        return 1;
    }
    return sendStatus(argv[1]);
}
