#pragma once
// Reads a workbook file into a BookModel: the workbook part when opened,
// each sheet's cells when first needed.
#include "platform/engine/BookModel.h"

#include <memory>
#include <string>

namespace dulo::engine {

class BookLoader {
public:
    virtual ~BookLoader() = default;
    // Fills book.sheets[index]; false when the sheet's data is damaged.
    virtual bool LoadSheet(BookModel& book, size_t index) = 0;
};

// Opens a BIFF8 workbook or an OOXML package and reads its workbook part into
// book. Null for any other file, a damaged one or an encrypted one.
std::unique_ptr<BookLoader> OpenBook(const std::string& path, BookModel& book);

std::unique_ptr<BookLoader> OpenXlsx(const std::string& path, BookModel& book);
std::unique_ptr<BookLoader> OpenXls(const std::string& path, BookModel& book);

}  // namespace dulo::engine
