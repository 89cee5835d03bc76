#pragma once
// A sheet read as a case table: the cells that exist, row by row, without a key
// column or typed columns. Comment rows and rows of blanks are passed over, so
// the rows a sink sees are numbered without them.
#include <memory>
#include <string_view>

class TWksIO;

namespace dulo {

class CCaseSheet {
public:
    // Where the cells go; rows are numbered from 0 over the rows kept.
    struct Sink {
        virtual ~Sink() = default;
        virtual void Number(long row, long column, double value) = 0;
        virtual void Text(long row, long column, std::string_view text) = 0;
    };

    CCaseSheet();
    // A workbook opened elsewhere; it must outlive the case sheet.
    explicit CCaseSheet(TWksIO& workbook);
    ~CCaseSheet();
    CCaseSheet(const CCaseSheet&) = delete;
    CCaseSheet& operator=(const CCaseSheet&) = delete;

    // Opens the sheet of the workbook at path (its own open, never the
    // workbook cache's); false when it cannot be read.
    bool Open(const char* path, const char* sheetName);
    void Close();

    // Rows and columns up to the last cell that exists, formatted blanks
    // included, inside the sheet's own claim.
    void GetUsedArea(int& rows, int& columns);
    // Every cell of the rows kept, once, with one lookup each (two for cells
    // that are neither numbers nor texts, and for the first cell of a row).
    void Read(Sink& sink);

private:
    std::unique_ptr<TWksIO> m_owned;
    TWksIO* m_workbook = nullptr;
};

}  // namespace dulo
