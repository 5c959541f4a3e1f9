// The command words of the status pipe and what each one does, in the order they are tested.
#pragma once

enum class CommandAction {
    Exit,                 // close every pop-up, stop the worker, end the service
    PurgeQueue,           // delete the printer's waiting jobs
    CloseNewPrinterPopup, // close the "newconnect" pop-up only
    NewConnect,           // report and show "newconnect" unless its pop-up is already up
    ClosePrinterPopups,   // close the printer's pop-ups, nothing else
    ShowStatus,           // close the printer's pop-ups, write the report, start the pop-up
    AddNewDevice,         // hand the printer to the worker, then as ShowStatus
};

struct CommandWord {
    const char* word;
    CommandAction action;
    bool writesPrinter;   // the report's PRINTER key is written too (ShowStatus, AddNewDevice)
};

// The row whose word equals command whole, byte for byte with letter case; null for none.
const CommandWord* findCommand(const char* command);

// All rows in test order, for callers that list them.
const CommandWord* commandTable(int* count);
