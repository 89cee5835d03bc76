#pragma once
// BIFF3 worksheets: cells carry an XF index; XF records give format, protection and alignment.
#include "sources/workbook/excel2WksIO.h"

class excel3WksIO : public excel2WksIO {
public:
    explicit excel3WksIO(const std::string& path);

protected:
    excel3WksIO(const std::string& path, int version);
};
