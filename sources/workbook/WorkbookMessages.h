#pragma once
// The workbook readers' messages: name, id and text, one a line.
#include "platform/Messages.h"

namespace workbook_messages {

#define DULO_WORKBOOK_MESSAGES(M) M(kIdInvalidFormat, 10252, "Invalid Excel spreadsheet format specified. [%1]")
DULO_MESSAGES(kWorkbookMessages, DULO_WORKBOOK_MESSAGES)

}  // namespace workbook_messages
