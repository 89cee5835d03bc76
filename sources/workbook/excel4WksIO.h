#pragma once
// BIFF4 worksheets, and BIFF4 workbooks: there each sheet's records follow the
// BUNDLESHEET record that names it.
#include "sources/workbook/excel3WksIO.h"

class excel4WksIO : public excel3WksIO {
public:
    // An empty sheet name reads the file as one worksheet.
    excel4WksIO(const std::string& path, const std::string& sheetName);

    static constexpr size_t kMaxSheetName = 31;

protected:
    excel4WksIO(const std::string& path, int version);
    // Whether the 8-bit sheet name stored in the file equals the requested
    // UTF-8 name, without regard to case.
    bool SheetNameMatches(const uint8_t* stored, size_t length, const std::string& wanted) const;

private:
    bool LoadBundledSheet(const std::vector<uint8_t>& file, const std::string& sheetName);
};
