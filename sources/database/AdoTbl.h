#pragma once
// The ADO table source (table type 10): a model table read from a Microsoft
// Access file through an ADO connection that the table description supplies.
// The literal rules are those of the database-class table.
#include "platform/ado/Ado.h"
#include "sources/database/MfcOdbcTbl.h"

#include <map>
#include <memory>
#include <string>

class CAdoTbl : public CMfcOdbcTbl {
public:
    static constexpr const char* kAce16Provider = "Microsoft.ACE.OLEDB.16.0";
    static constexpr const char* kAce12Provider = "Microsoft.ACE.OLEDB.12.0";
    static constexpr const char* kAce16ClassKey = "HKCR\\CLSID\\{3BE786A2-0366-4F5C-9434-25CF162E475E}";

    CAdoTbl(std::ostream* log, CIOOptions* options);
    // Closes an open record set; releases the record set and the connection.
    ~CAdoTbl() override;

    bool OpenTable(const CIoTableDescription& description) override;
    // An open connection is left open: it belongs to the description.
    bool CloseTable(bool save) override;
    bool ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                     const char* keyFields, const char* keyValues, const char* extractColumns,
                     std::vector<std::string>* keyValuesOut, int sourceIndex) override;
    bool ReadColumns() override;

    // The column type of a field of ADO type adoType; 0 for a type not read.
    static int ColumnTypeOfAdoType(int adoType);
    // A cell of column type columnType from a field's value.
    static CIoCell* MakeCell(const VARIANT& value, int columnType);
    // The statement for the parsed selections.
    std::string BuildAdoSelect();

    // The process-wide provider state: whether the 16.0 provider is
    // registered (looked up once), and whether an opening with it failed.
    static bool IsAce16Registered();
    static bool Ace16Failed();
    // For tests: forget both, so that the next opening looks again.
    static void ResetProviderState();

    CAdoConnection* m_pConnection = nullptr;  // a counted reference
    std::unique_ptr<CAdoRecordset> m_pRecordset;
    std::map<std::string, bool> m_TextOrDate;

private:
    // Opens the connection with provider; false (and the reason logged) when it fails.
    bool OpenWithProvider(const char* provider, const std::string& path);
    int ReportAdoError(const dulo::Message& m, const std::string& name, const CComError& e);
};

// The reader entry for table type 10.
int ReadAdoTable(TableReadRequest& request);
