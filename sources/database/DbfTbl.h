#pragma once
// The dBase table source (table type 7): a model table read straight from a
// .dbf file (versions 3 and 4), records filtered by key values. The file is
// only ever read.
#include "sources/BaseTbl.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dulo {
class CSingleByteDecoder;
}

class CDbfTbl : public CBaseTbl {
public:
    CDbfTbl(std::ostream* log, CIOOptions* options);
    // Closes the file if it is still open.
    ~CDbfTbl() override;

    int GetTableType() const override { return 7; }
    // Opens the file named by the description's string 0 and reads its header.
    bool OpenTable(const CIoTableDescription& description) override;
    bool CloseTable(bool save) override;
    int GetRecordCount() override;
    int GetColumnCount() override { return m_Columns.GetSize(); }
    bool IsLastRecord() override { return true; }
    bool IsLastColumn() override { return m_nCurrentColumn + 1 == GetColumnCount(); }
    int GetRecordLimit() override { return 0; }
    // Always by key: an empty key-fields text fails.
    bool ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                     const char* keyFields, const char* keyValues, const char* extractColumns,
                     std::vector<std::string>* keyValuesOut, int sourceIndex) override;
    // The header and the field descriptors; every length is checked against the file.
    bool ReadColumns() override;

    // The code page of the character fields, from the language-driver byte.
    static int CodepageOfLanguageDriver(uint8_t driver);

    uint32_t m_nRecordCount = 0;
    uint16_t m_nHeaderLength = 0;
    uint16_t m_nRecordLength = 0;
    uint8_t m_nVersion = 0;
    uint8_t m_nLanguageDriver = 0;
    std::vector<unsigned char> m_RecordBuffer;
    std::FILE* m_pFile = nullptr;
    // Byte offset of each column within a record, in column order.
    std::vector<uint32_t> m_FieldOffsets;

private:
    // The field's bytes up to the first zero byte, trailing spaces removed.
    std::string_view FieldText(int column) const;
    // The field's cell by column type (a null cell for an empty text); null
    // for a column type without a cell kind.
    CIoCell* MakeCell(int column, std::string_view text, int record, int sourceIndex) const;
    // The text the key test compares: the converted text, "%f" of a number,
    // a date cell's text, "TRUE" or "FALSE"; empty for an empty field.
    std::string KeyText(int column, std::string_view text) const;
    // Bytes of the file's code page as UTF-8.
    std::string CharacterText(std::string_view bytes) const;

    std::unique_ptr<dulo::CSingleByteDecoder> m_pDecoder;
};

// The reader entry for table type 7.
int ReadDbfTable(TableReadRequest& request);
