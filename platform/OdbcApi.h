#pragma once
// The driver manager's headers beside the OLE types: unixODBC declares its own
// ULONG (unsigned long) where the OLE layer has a 32-bit one, so its name is
// moved aside while the headers are read. Include this, never <sql.h> itself.
#include "dulo/oleauto.h"

#define ULONG DuloOdbcULONG
#include <sql.h>
#include <sqlext.h>
#undef ULONG
