#pragma once
// Reads a workbook file into a BookModel: the workbook part when opened,
// each sheet's cells when first needed.
#include "platform/engine/BookModel.h"

#include <memory>
#include <string>

namespace dulo::engine {

class ZipPackage;

class BookLoader {
public:
    virtual ~BookLoader() = default;
    // Fills book.sheets[index]; false when the sheet's data is damaged.
    virtual bool LoadSheet(BookModel& book, size_t index) = 0;
};

// What a file holds, told by its content (the extension only tells .csv
// text from other text).
enum class BookKind { Unknown, Biff8, Xlsx, Xlsb, Ods, Lotus, Csv };
BookKind DetectBookKind(const std::string& path);

// Opens a workbook of any kind above and reads its workbook part into book.
// Null for a file of no known kind, a damaged one or an encrypted one.
std::unique_ptr<BookLoader> OpenBook(const std::string& path, BookModel& book);

std::unique_ptr<BookLoader> OpenXls(const std::string& path, BookModel& book);
std::unique_ptr<BookLoader> OpenXlsx(std::unique_ptr<ZipPackage> zip, BookModel& book);
std::unique_ptr<BookLoader> OpenXlsb(std::unique_ptr<ZipPackage> zip, BookModel& book);
std::unique_ptr<BookLoader> OpenOds(std::unique_ptr<ZipPackage> zip, BookModel& book);
// A release 1-2 worksheet takes the file's name without its extension.
std::unique_ptr<BookLoader> OpenLotus(const std::string& path, BookModel& book);
// The sheet takes the file's name without its extension.
std::unique_ptr<BookLoader> OpenCsv(const std::string& path, BookModel& book);

// A whole file read into memory; false when it cannot be read or exceeds maxBytes.
bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes);

}  // namespace dulo::engine
