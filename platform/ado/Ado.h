#pragma once
// ADO over ODBC: a connection opened with an OLE DB style connection string
// ("Provider=...;Data Source=..."), whose provider name is an ODBC driver
// entry, and the record set of a command text with its fields as VARIANTs.
// Failures are raised as CComError with a description.
#include "dulo/oleauto.h"
#include "platform/dbclasses/Database.h"
#include "platform/xml/ComError.h"
#include "tables/IoTableDescription.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

enum ObjectStateEnum : long { adStateClosed = 0, adStateOpen = 1 };

enum DataTypeEnum : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBSTR = 8,
    adBoolean = 11,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adUnsignedInt = 19,
    adBigInt = 20,
    adUnsignedBigInt = 21,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// The OLE decimal as it lies over a VARIANT of type VT_DECIMAL: the type word,
// scale, sign (0x80 negative), then a 96-bit magnitude.
struct DECIMAL {
    uint16_t wReserved;
    uint8_t scale;
    uint8_t sign;
    uint32_t Hi32;
    uint64_t Lo64;
};
static_assert(sizeof(DECIMAL) <= sizeof(VARIANT), "a decimal lies inside a VARIANT");

namespace dulo::ado {

// A decimal text ("-12.3400") as VT_DECIMAL; false when it is not one or does
// not fit 96 bits.
bool DecimalFromText(const std::string& text, VARIANT& out);
// The value of a VT_DECIMAL.
double DecimalToDouble(const VARIANT& value);
// The ADO data type of a field of ODBC SQL type sqlType.
int AdoTypeOfSqlType(int sqlType);

}  // namespace dulo::ado

class CAdoRecordset;

class CAdoField {
public:
    const std::string& GetName() const { return m_strName; }
    int GetType() const { return m_nType; }
    // The value of the record set's current row; the caller clears it.
    VARIANT GetValue() const;

private:
    friend class CAdoRecordset;
    CAdoRecordset* m_pOwner = nullptr;
    short m_nIndex = 0;
    std::string m_strName;
    int m_nType = adEmpty;
};

class CAdoRecordset {
public:
    CAdoRecordset(const std::shared_ptr<CDatabase>& database, const std::string& commandText);
    ~CAdoRecordset();

    long GetState() const { return m_Recordset.IsOpen() ? adStateOpen : adStateClosed; }
    bool IsEOF() const;
    long GetFieldCount() const { return long(m_Fields.size()); }
    // Raises for an index outside the fields.
    const CAdoField& GetItem(long index) const;
    void MoveNext();
    void Close();

private:
    friend class CAdoField;
    VARIANT ValueOf(short index) const;
    [[noreturn]] void RaiseClosed() const;

    std::shared_ptr<CDatabase> m_pDatabase;  // kept while the record set lives
    mutable CRecordset m_Recordset;
    std::vector<CAdoField> m_Fields;
};

class CAdoConnection final : public IRefCounted {
public:
    // Created with one reference, which the creator releases.
    static CAdoConnection* Create() { return new CAdoConnection(); }
    unsigned long AddRef() override { return ++m_nRefs; }
    unsigned long Release() override;

    long GetState() const { return m_pDatabase && m_pDatabase->IsOpen() ? adStateOpen : adStateClosed; }
    // "Provider=NAME;Data Source=PATH[;...]": NAME is the ODBC driver entry,
    // PATH the database file. Raises when open already, when the provider is
    // not installed, or when the driver refuses.
    void Open(const std::string& connectionString, const std::string& user, const std::string& password,
              long options = -1);
    std::unique_ptr<CAdoRecordset> Execute(const std::string& commandText);
    void Close();

    // Whether an ODBC driver entry of this name is installed.
    static bool IsProviderInstalled(const std::string& provider);
    // The SQLDriverConnect text for the connection string, user and password.
    static std::string DriverConnectString(const std::string& connectionString, const std::string& user,
                                           const std::string& password, std::string* provider = nullptr);

private:
    CAdoConnection() = default;
    ~CAdoConnection() = default;

    std::atomic<unsigned long> m_nRefs{1};
    std::shared_ptr<CDatabase> m_pDatabase;
};

// The COM library calls made around an opening; no apartment exists here.
void CoUninitialize();
HRESULT CoInitialize(void* reserved);
