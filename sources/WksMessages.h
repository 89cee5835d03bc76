#pragma once
// The worksheet table source's messages: name, id and text, one a line.
#include "platform/Messages.h"

namespace wks_messages {

#define DULO_WKS_MESSAGES(M)                                                                  \
    M(kIdColumnAdded, 10147, "[%1] column added to Target Table.")                            \
    M(kIdNoFirstDataRow, 10206, "Unable to find first data row in table.")                    \
    M(kIdBadColumnName, 10207, "Warning -- Empty or Bad Column Name cell encountered in Row, Column: ") \
    M(kIdFurtherColumnsIgnored, 10208, "Warning -- All further columns will be ignored.")     \
    M(kIdFindSqlTypeFailed, 10217, "Find SQL type failed.")                                   \
    M(kIdColumnInfoFailed, 10316, "An error occurred while trying to retrieve column information from table [%1]") \
    M(kIdInvalidDate, 10332, "Invalid date/time cell encountered in row %1 col %2.")
DULO_MESSAGES(kWksMessages, DULO_WKS_MESSAGES)

}  // namespace wks_messages
