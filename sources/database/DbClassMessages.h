#pragma once
// The database-class and ADO sources' messages: name, id and text, one a line.
#include "platform/Messages.h"

namespace dbclass_messages {

#define DULO_DBCLASS_MESSAGES(M)                                                              \
    M(kIdOpenDatabaseFailed, 10701, "Unable to open database [%1]")                           \
    M(kIdOpenTableFailed, 10702, "Unable to open table [%1]")                                 \
    M(kIdColumnInfoFailed, 10703, "An error occurred while trying to retrieve column information from table [%1]")
DULO_MESSAGES(kDbClassMessages, DULO_DBCLASS_MESSAGES)

}  // namespace dbclass_messages
