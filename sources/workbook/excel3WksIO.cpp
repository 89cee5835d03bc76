#include "sources/workbook/excel3WksIO.h"

excel3WksIO::excel3WksIO(const std::string& path) : excel2WksIO(path, 3) { LoadWholeFile(); }

excel3WksIO::excel3WksIO(const std::string& path, int version) : excel2WksIO(path, version) {}
