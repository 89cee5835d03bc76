#pragma once
// The messages every table source may give: name, id and text, one a line.
#include "platform/Messages.h"

namespace source_messages {

#define DULO_SOURCE_MESSAGES(M)                                                               \
    M(kIdWarning, 10012, "Warning")                                                           \
    M(kIdNoExtractColumns, 10038, "No Extract Columns Specified.")                            \
    M(kIdNoKeyValues, 10063, "No Key Values Specified.")                                      \
    M(kIdNoMatch, 10106, "No Match for Source Key Value.")                                    \
    M(kIdKeyCountMismatch, 10111, "The number of Key Fields does not match the number of Key Values.") \
    M(kIdBadKeyFields, 10112, "Key Fields are incorrectly specified.")                        \
    M(kIdNoKeyField, 10121, "Error: No key field specified.")                                 \
    M(kIdCannotOpenTable, 10315, "Unable to open table [%1]")                                 \
    M(kIdKeyFieldNotFound, 10322, "[%1] KeyField not Found. ")                                \
    M(kIdExtractColumnNotFound, 10324, "Can Not Find Extract Column [%1].")                   \
    M(kIdEmptyKeysSkipped, 10331, "Row %1 with all empty key values skipped.")
DULO_MESSAGES(kSourceMessages, DULO_SOURCE_MESSAGES)

}  // namespace source_messages
