<nul set /p=cutter_P1> \\.\pipe\tkWDPipe
