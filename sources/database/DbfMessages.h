#pragma once
// The dBase source's messages: name, id and text, one a line.
#include "platform/Messages.h"

namespace dbf_messages {

#define DULO_DBF_MESSAGES(M)                                                                  \
    M(kIdDamagedHeader, 10360, "Invalid or damaged DBF file header encountered.")             \
    M(kIdUnsupportedVersion, 10361, "Unsupported DBF version encountered.  Only DBF versions 3 and 4 are allowed.") \
    M(kIdUnsupportedFieldType, 10362, "Unkown or unsupported data type for column  [%1]")     \
    M(kIdRecordReadFailed, 10363, "An error occurred while trying to read the next record.\n\nMake sure the file has not been corrupted.") \
    M(kIdUnknownSqlType, 10364, "Unknown SQL Data Type Encountered.")
DULO_MESSAGES(kDbfMessages, DULO_DBF_MESSAGES)

}  // namespace dbf_messages
