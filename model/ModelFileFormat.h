#pragma once
// The model file "DuloModel.dulx" as this library reads it: root DuloConfiguration,
// its children taken by name (case-sensitive), values as element texts.
//
// LoadTableSX: ReadModelTableList(path, table) gives the File texts of the enabled
// Table entries named table (any case); SplitTableFileText splits "book.xls[Sheet]".
#include "platform/xml/XmlDocument.h"

#include <string>
#include <string_view>
#include <vector>

namespace dulo {

inline constexpr std::string_view kModelFileName = "DuloModel.dulx";
inline constexpr std::string_view kModelRootName = "DuloConfiguration";

// Decimal integer prefix: leading white space, an optional sign, digits; 0 without
// digits; saturates at the int range.
int ReadIntegerText(std::string_view text);
// True when the integer prefix is not 0 ("2" and "-1" true, "abc" false).
bool ReadFlagText(std::string_view text);

// The first child element of parent with this exact name, or a null node.
CXmlNode FindChildElement(const CXmlNode& parent, std::string_view name);

// One Table element of the Tables section.
struct CModelTableEntry {
    bool hasName = false;
    bool hasFile = false;
    std::string name;
    std::string file;
    bool enabled = false;  // a missing Enabled counts as disabled
    int tableType = 0;
};
CModelTableEntry ReadTableElement(const CXmlNode& table);

// File texts of the enabled Table entries whose Name matches tableName without
// regard to (ASCII) case, in document order, from every Tables child of the
// root. Entries without Name or File are skipped. Raises CComError from the DOM.
// With tableTypes, the TableType of each entry goes there, in the same order.
std::vector<std::string> CollectTableFiles(const CXmlDocument& document, std::string_view tableName,
                                           std::vector<int>* tableTypes = nullptr);

enum class ETableListResult {
    Read,              // files holds what the model lists (possibly nothing)
    NoModelFile,       // no file at the path: nothing listed, not a failure
    DocumentNotCreated,
    ParseFailed,       // the text is not XML (also: enciphered text that did not decode)
    ComError,          // a DOM operation failed; already reported through the message facility
};

struct CModelTableList {
    ETableListResult result = ETableListResult::Read;
    std::vector<std::string> files;
    std::vector<int> tableTypes;  // the TableType of each file
    std::string parseErrorReason;  // set for ParseFailed; not for showing
};

// Reads the model file (plain or enciphered) and collects the table's files.
CModelTableList ReadModelTableList(const std::string& modelFilePath, std::string_view tableName);

// Every Table entry of the model file (plain or enciphered) in document order, as
// ReadModelTableList reads the file; files and tableTypes stay empty.
struct CModelTableEntries {
    ETableListResult result = ETableListResult::Read;
    std::vector<CModelTableEntry> entries;
};
CModelTableEntries ReadModelTableEntries(const std::string& modelFilePath);

// "book.xls[Sheet 1]" gives "book.xls" and "Sheet 1". Without "[" after the first
// character, or without the closing "]" at the end, the whole text is the file
// name and the sheet is empty.
void SplitTableFileText(std::string_view fileText, std::string& fileName, std::string& sheetName);

}  // namespace dulo
