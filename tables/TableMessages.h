#pragma once
// The messages of the tables: name, id and text, one a line.
#include "platform/Messages.h"

namespace table_messages {

#define DULO_TABLE_MESSAGES(M)                                                   \
    M(kIdInvalidTableType, 10204, "Invalid Table Type Specified.")               \
    M(kIdDuplicateCoefficient, 15022, "Duplicate coefficient in table %1 for row %2 column %3")
DULO_MESSAGES(kTableMessages, DULO_TABLE_MESSAGES)

}  // namespace table_messages
