#pragma once
// What the parts of the ODBC source share: their messages (the source's own and
// those of every table source) and the type-code helper.
#include "sources/SourceMessages.h"
#include "sources/database/OdbcMessages.h"

namespace odbc_ids {

using namespace ::odbc_messages;
using namespace ::source_messages;

// The date, time and timestamp codes of ODBC 3 (91, 92, 93) as the cells know
// them (9, 10, 11); every other code unchanged.
short Odbc2Type(short type);

}  // namespace odbc_ids
