#pragma once
// Worksheet data with keys chosen by the caller; no reading path of the
// library uses more than the worksheet table it derives from.
#include "sources/WksTbl.h"

class CWksData : public CWksTbl {
public:
    using CWksTbl::CWksTbl;
};
