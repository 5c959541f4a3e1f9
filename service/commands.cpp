#include "commands.h"

#include <cstring>
#include <iterator>

namespace {

// Order and words as the driver's sender uses them, typos included ("labelunkown").
const CommandWord kCommands[] = {
    {"exit", CommandAction::Exit, false},
    {"devCancel", CommandAction::PurgeQueue, false},
    {"closeNewDev", CommandAction::CloseNewPrinterPopup, false},
    {"newconnect", CommandAction::NewConnect, false},
    {"newdisconnect", CommandAction::CloseNewPrinterPopup, false},
    {"connect", CommandAction::ShowStatus, true},
    {"usb", CommandAction::ShowStatus, true},
    {"addNewDev", CommandAction::AddNewDevice, true},
    {"disconnect", CommandAction::ShowStatus, true},
    {"stopByHuman", CommandAction::ShowStatus, true},
    {"normal", CommandAction::ClosePrinterPopups, false},
    {"temper", CommandAction::ShowStatus, true},
    {"cutter", CommandAction::ShowStatus, true},
    {"carbon", CommandAction::ShowStatus, true},
    {"busy", CommandAction::ShowStatus, true},
    {"adapter", CommandAction::ShowStatus, true},
    {"unlock", CommandAction::ShowStatus, true},
    {"lockopened", CommandAction::ShowStatus, true},
    {"labelmore", CommandAction::ShowStatus, true},
    {"labelbox", CommandAction::ShowStatus, true},
    {"labelunkown", CommandAction::ShowStatus, true},
    {"paper", CommandAction::ShowStatus, true},
    {"labelerr", CommandAction::ShowStatus, true},
    {"rfiderr", CommandAction::ShowStatus, true},
    {"rfidInvalid", CommandAction::ShowStatus, true},
    {"rfidUnSupport", CommandAction::ShowStatus, true},
    {"dpi", CommandAction::ShowStatus, true},
    // These five keep the PRINTER of an earlier report on purpose.
    {"antifake", CommandAction::ShowStatus, false},
    {"netbusy", CommandAction::ShowStatus, false},
    {"socketSnErr", CommandAction::ShowStatus, false},
    {"poweroff", CommandAction::ShowStatus, false},
    {"height", CommandAction::ShowStatus, false},
};

} // namespace

const CommandWord* findCommand(const char* command)
{
    for (const CommandWord& row : kCommands)
        if (std::strcmp(row.word, command) == 0)
            return &row;
    return nullptr;
}

const CommandWord* commandTable(int* count)
{
    *count = static_cast<int>(std::size(kCommands));
    return kCommands;
}
