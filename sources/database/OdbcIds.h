#pragma once
// Message ids of the ODBC source (texts in OdbcMessages.inc) and the type-code
// helper its parts share.
namespace odbc_ids {

enum MessageId : int {
    kIdNoMatch = 10106,
    kIdKeyCountMismatch = 10111,
    kIdBadKeyFields = 10112,
    kIdAllocEnvFailed = 10601,
    kIdCheckDrivers = 10602,
    kIdAllocConnectFailed = 10603,
    kIdSetTimeoutFailed = 10604,
    kIdConnectFailed = 10605,
    kIdConnectParameters = 10606,
    kIdDataSourceName = 10607,
    kIdUserName = 10608,
    kIdPassword = 10609,
    kIdAllocStmtFailed = 10610,
    kIdColumnsFailed = 10611,
    kIdColumnSkipped = 10612,
    kIdFreeStmtFailed = 10613,
    kIdTypeInfoFailed = 10614,
    kIdBindColFailed = 10615,
    kIdGetInfoFailed = 10616,
    kIdNoDelimitedIdentifiers = 10617,
    kIdSqlState = 10618,
    kIdSqlErrorFailed = 10619,
    kIdSqlErrorBadHandle = 10620,
    kIdNoExtractColumn = 10621,
    kIdCannotFreeStatement = 10622,
    kIdUnknownSqlType = 10623,
    kIdBinaryFetchFailed = 10624,
    kIdColumnName = 10625,
    kIdInvalidHandle = 10626,
    kIdDataTypeSkipped = 10627,
    kIdDisconnectFailed = 10628,
    kIdFreeConnectFailed = 10629,
    kIdFreeEnvFailed = 10630,
    kIdStatementTooLong = 10631,
    kIdTextNotWhole = 10632,
};

// The date, time and timestamp codes of ODBC 3 (91, 92, 93) as the cells know
// them (9, 10, 11); every other code unchanged.
short Odbc2Type(short type);

}  // namespace odbc_ids
