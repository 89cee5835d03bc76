#pragma once
// The ODBC source's messages: name, id and text, one a line.
#include "platform/Messages.h"

namespace odbc_messages {

#define DULO_ODBC_MESSAGES(M) \
    M(kIdAllocEnvFailed, 10601, "ODBC call to SQLAllocEnv failed.")                                 \
    M(kIdCheckDrivers, 10602, "Make sure that ODBC drivers are available and properly configuerd.") \
    M(kIdAllocConnectFailed, 10603, "ODBC call to SQLAllocConnect failed.")                         \
    M(kIdSetTimeoutFailed, 10604, "ODBC call to SQLSetConnectOption function to set SQL connection timeout failed.") \
    M(kIdConnectFailed, 10605, "Failed to connect to ODBC data source.")                            \
    M(kIdConnectParameters, 10606, "The following SQL connection parameters were used:")            \
    M(kIdDataSourceName, 10607, "Data Source Name: [%1]")                                           \
    M(kIdUserName, 10608, "UserName: [%1]")                                                         \
    M(kIdPassword, 10609, "Password: [%1]")                                                         \
    M(kIdAllocStmtFailed, 10610, "ODBC SQLAllocStmt failed.")                                       \
    M(kIdColumnsFailed, 10611, "ODBC SQLColumns Level 1 Function Failed.")                          \
    M(kIdColumnSkipped, 10612, " Column [%1] with unsupported data type skipped.")                  \
    M(kIdFreeStmtFailed, 10613, "ODBC SQLFreeStmt function failed.")                                \
    M(kIdTypeInfoFailed, 10614, "ODBC SQLGetTypeInfo Level 1 Function Failed.")                     \
    M(kIdBindColFailed, 10615, "ODBC SQLBindCol Statement Execution Error encountered.")            \
    M(kIdGetInfoFailed, 10616, "ODBC SQLGetInfo Level 1 Function Failed.")                          \
    M(kIdNoDelimitedIdentifiers, 10617, "Warning:  Database does not support delimited identifiers.  Column names with blanks will not be supported.  Other features may also not work.") \
    M(kIdSqlState, 10618, "SQL State: ")                                                            \
    M(kIdSqlErrorFailed, 10619, "ODBC SQLError function failed to return error condition information.") \
    M(kIdSqlErrorBadHandle, 10620, "Bad Handle passed to ODBC SQLError function.")                  \
    M(kIdNoExtractColumn, 10621, "Can Not Find Extract Column.")                                    \
    M(kIdCannotFreeStatement, 10622, "Can Not Free SQL Statement.")                                 \
    M(kIdUnknownSqlType, 10623, "Unknown SQL Data Type Encountered.")                               \
    M(kIdBinaryFetchFailed, 10624, "SQL BINARY Data Fetch Failed.")                                 \
    M(kIdColumnName, 10625, "Column Name: ")                                                        \
    M(kIdInvalidHandle, 10626, "ODBC SQL Invalid Handle Error encountered.")                        \
    M(kIdDataTypeSkipped, 10627, "Warning:  ODBC Data type skipped.  Please check your data results carefully.") \
    M(kIdDisconnectFailed, 10628, "ODBC SQLDisconnect function failed.  This error will normally occur if the program failed to connect to a specified ODBC data source.") \
    M(kIdFreeConnectFailed, 10629, "ODBC SQLFreeConnect function failed.")                          \
    M(kIdFreeEnvFailed, 10630, "ODBC SqlFreeEnv function failed.")                                  \
    M(kIdStatementTooLong, 10631, "SQL statement of %1 bytes refused: the statement buffer holds %2 bytes.") \
    M(kIdTextNotWhole, 10632, "The text of column [%1] could not be read whole.")                  
DULO_MESSAGES(kOdbcMessages, DULO_ODBC_MESSAGES)

}  // namespace odbc_messages
