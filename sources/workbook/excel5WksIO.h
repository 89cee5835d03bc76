#pragma once
// BIFF5 workbooks: a compound document whose "Book" stream holds the workbook
// globals and every sheet. The chosen sheet's records are put behind the
// globals records, with MULRK records expanded into RK records.
#include "sources/workbook/excel4WksIO.h"

class excel5WksIO : public excel4WksIO {
public:
    // Why opening the workbook failed.
    enum OpenError {
        NoError = 0,
        DocumentFailed = 1,  // the compound document would not open
        StreamFailed = 2,    // no "Book" stream
        SizeFailed = 3,      // the stream's size is unusable
        ReadFailed = 4,      // allocating or reading the stream
        SheetFailed = 5,     // the sheet is not there, or its records are damaged
    };

    // An empty sheet name selects the first sheet.
    excel5WksIO(const std::string& path, const std::string& sheetName);

    bool SelectSheet(const char* name) override;
    bool WriteFile(const char* path) override;
    bool GetFormatString(int formatIndex, int& length, const char*& text) override;
    int ClassifyFormat(int length, const char* text) override;
    bool UsesBiff5Xf() override;

    int GetOpenError() const override { return m_openError; }
    // Names of the sheets in workbook order (UTF-8).
    std::vector<std::string> GetSheetNames() const;

private:
    struct BoundSheet {
        uint32_t offset;
        const uint8_t* name;
        size_t nameLength;
    };
    bool ReadBook();
    bool ReadGlobals(std::vector<BoundSheet>& sheets, size_t& globalsEnd);
    bool BuildSheet(const std::string& sheetName);

    StreamBuffer m_book;  // the whole "Book" stream
    int m_openError = NoError;
};
