#pragma once

// Deletes every job waiting for the printer. Silent when it cannot be opened.
void purgeQueue(const wchar_t* printerName);

// Takes the printer off direct printing: clears PRINTER_ATTRIBUTE_DIRECT, sets
// PRINTER_ATTRIBUTE_QUEUED, writes every other field back as read. Nonzero when written.
int setQueuedPrinting(const wchar_t* printerName);
