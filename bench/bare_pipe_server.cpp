// The floor for the service's throughput: a message-mode pipe server that only reads one
// message per client and disconnects. Same pipe type and buffers as the service, its own name.
// usage: bare_pipe_server <pipe name>
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    const HANDLE pipe = CreateNamedPipeW(
        argv[1], PIPE_ACCESS_DUPLEX,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        PIPE_UNLIMITED_INSTANCES, 4096, 4096, 3000, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return 1;
    for (;;) {
        if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED ||
            GetLastError() == ERROR_NO_DATA) {
            char buffer[257];
            DWORD read = 0;
            ReadFile(pipe, buffer, sizeof buffer - 1, &read, nullptr);
        }
        DisconnectNamedPipe(pipe);
    }
}
