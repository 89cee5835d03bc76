#pragma once
// Where a table's data lies and what its reader found there.
#include "platform/AutoDestructArray.h"
#include "platform/OleDateTime.h"

#include <cstdint>
#include <string>

class CArchive;
class CDatabase;  // the platform's database-class connection

// A reference-counted connection (the ADO connection implements it); descriptions
// hold a counted reference: AddRef on copy, Release on destruction.
class IRefCounted {
public:
    virtual unsigned long AddRef() = 0;
    virtual unsigned long Release() = 0;

protected:
    ~IRefCounted() = default;
};

// Table type codes.
enum : int32_t {
    TABLE_TYPE_WKS = 0,
    TABLE_TYPE_PI = 1,
    TABLE_TYPE_ODBC = 2,
    TABLE_TYPE_OLE2 = 3,
    TABLE_TYPE_OLE2_EXCEL5 = 4,
    TABLE_TYPE_UNKNOWN = 6,
    TABLE_TYPE_DBF = 7,
    TABLE_TYPE_DAO = 8,
    TABLE_TYPE_OLE2_EXCEL8 = 9,
    TABLE_TYPE_ADO = 10,
};

class CIoTableDescription {
public:
    static constexpr int kStringCount = 8;

    CIoTableDescription() = default;
    // Copies the strings, timestamp, in-use flag, reserved and further numbers,
    // table type and both connections; the reader statistics are not copied.
    CIoTableDescription(const CIoTableDescription& other);
    CIoTableDescription& operator=(const CIoTableDescription& other);
    virtual ~CIoTableDescription();

    // Both directions in one order: the eight strings, the timestamp, then in
    // use, reserved A, reserved B, table type and the two further numbers.
    // Raises CArchiveException on a short or malformed archive.
    void Serialize(CArchive& ar);

    // String i, 0 <= i < 8; a bad index raises CInvalidArgException.
    const std::string& GetString(int i) const;
    void SetString(int i, const std::string& text);
    const std::string& GetSource() const { return m_Strings[0]; }
    const std::string& GetTable() const { return m_Strings[1]; }

    // Takes a counted reference to connection (null clears it).
    void SetAdoConnection(IRefCounted* connection);
    IRefCounted* GetAdoConnection() const { return m_pAdoConnection; }

    CDatabase* m_pDatabase = nullptr;  // not owned
    IRefCounted* m_pAdoConnection = nullptr;
    // 0 source (workbook or dBase path, connection text), 1 table inside it,
    // 2..6 source-specific extras, 7 the description's own label.
    std::string m_Strings[kStringCount];
    COleDateTime m_Timestamp;
    int32_t m_nInUse = 0;
    int32_t m_nReservedA = 0;
    int32_t m_nReservedB = 0;
    int32_t m_nTableType = -1;
    int32_t m_nFurtherA = -1;
    int32_t m_nFurtherB = -1;
    // Reader statistics.
    int32_t m_nSheetRowCount = -1;
    int32_t m_nSheetColumnCount = -1;
    int32_t m_nRowCount = -1;
    int32_t m_nDataColumnCount = -1;
    int32_t m_nHeaderRow = -1;
    int32_t m_nRowNameColumn = -1;
    int32_t m_nEndMarkerColumn = -1;
    int32_t m_nLastColumnOrdinal = -1;

private:
    void CopyFrom(const CIoTableDescription& other);
    void ExchangeArchived(CArchive& ar);
};

class CIoTableDescriptionArray : public CAutoDestructArray<CIoTableDescription> {
public:
    CIoTableDescriptionArray() : CAutoDestructArray<CIoTableDescription>(25) {}
};
