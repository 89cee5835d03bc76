#include "model/ModelFileFormat.h"

#include "xml/ReadModelText.h"

#include <climits>
#include <memory>

namespace dulo {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

int ReadIntegerText(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

bool ReadFlagText(std::string_view text) { return ReadIntegerText(text) != 0; }

CXmlNode FindChildElement(const CXmlNode& parent, std::string_view name) {
    CXmlNodeList children = parent.ChildNodes();
    for (long i = 0; i < children.Count(); ++i) {
        CXmlNode child = children.Item(i);
        if (child.IsElement() && child.NodeName() == name) return child;
    }
    return CXmlNode();
}

CModelTableEntry ReadTableElement(const CXmlNode& table) {
    CModelTableEntry entry;
    CXmlNodeList children = table.ChildNodes();
    for (long i = 0; i < children.Count(); ++i) {
        CXmlNode child = children.Item(i);
        if (!child.IsElement()) continue;
        const std::string name = child.NodeName();
        if (name == "Name") {
            entry.hasName = true;
            entry.name = child.GetText();
        } else if (name == "File") {
            entry.hasFile = true;
            entry.file = child.GetText();
        } else if (name == "Enabled") {
            entry.enabled = ReadFlagText(child.GetText());
        } else if (name == "TableType") {
            entry.tableType = ReadIntegerText(child.GetText());
        }
    }
    return entry;
}

namespace {

// Calls visit for every Table element of every Tables child of the root.
template <class Visit>
void ForEachTableElement(const CXmlDocument& document, Visit visit) {
    CXmlNodeList sections = document.DocumentElement().ChildNodes();
    for (long i = 0; i < sections.Count(); ++i) {
        CXmlNode section = sections.Item(i);
        if (!section.IsElement() || section.NodeName() != "Tables") continue;
        CXmlNodeList tables = section.ChildNodes();
        for (long j = 0; j < tables.Count(); ++j) {
            CXmlNode table = tables.Item(j);
            if (table.IsElement() && table.NodeName() == "Table") visit(ReadTableElement(table));
        }
    }
}

// Loads the model file into a document and hands it to read; the outcome says
// whether the file was there and read.
template <class Read>
ETableListResult ReadModelDocument(const std::string& modelFilePath, std::string* parseErrorReason, Read read) {
    if (FindModelFile(modelFilePath).empty()) return ETableListResult::NoModelFile;
    const std::string text = ReadModelText(modelFilePath);
    std::unique_ptr<CXmlDocument> document = CXmlDocument::CreateDocument();
    if (!document) return ETableListResult::DocumentNotCreated;
    try {
        document->SetAsync(false);
        if (!document->LoadXml(text)) {
            if (parseErrorReason) *parseErrorReason = document->ParseErrorReason();
            return ETableListResult::ParseFailed;
        }
        read(*document);
    } catch (const CComError& error) {
        ReportComError(error);
        return ETableListResult::ComError;
    }
    return ETableListResult::Read;
}

}  // namespace

std::vector<std::string> CollectTableFiles(const CXmlDocument& document, std::string_view tableName,
                                           std::vector<int>* tableTypes) {
    std::vector<std::string> files;
    ForEachTableElement(document, [&](const CModelTableEntry& entry) {
        // An entry that does not say which table or which file names nothing to read.
        if (!entry.hasName || !entry.hasFile) return;
        if (entry.enabled && EqualsNoCase(entry.name, tableName)) {
            files.push_back(entry.file);
            if (tableTypes) tableTypes->push_back(entry.tableType);
        }
    });
    return files;
}

CModelTableList ReadModelTableList(const std::string& modelFilePath, std::string_view tableName) {
    CModelTableList list;
    list.result = ReadModelDocument(modelFilePath, &list.parseErrorReason, [&](const CXmlDocument& document) {
        list.files = CollectTableFiles(document, tableName, &list.tableTypes);
    });
    if (list.result != ETableListResult::Read) {
        list.files.clear();
        list.tableTypes.clear();
    }
    return list;
}

CModelTableEntries ReadModelTableEntries(const std::string& modelFilePath) {
    CModelTableEntries list;
    list.result = ReadModelDocument(modelFilePath, nullptr, [&](const CXmlDocument& document) {
        ForEachTableElement(document, [&](const CModelTableEntry& entry) { list.entries.push_back(entry); });
    });
    if (list.result != ETableListResult::Read) list.entries.clear();
    return list;
}

void SplitTableFileText(std::string_view fileText, std::string& fileName, std::string& sheetName) {
    const size_t p = fileText.find('[');
    // Without the closing bracket there is no sheet part: cutting the last
    // character would silently shorten a sheet or file name.
    if (p == std::string_view::npos || p < 1 || fileText.back() != ']') {
        fileName.assign(fileText);
        sheetName.clear();
        return;
    }
    fileName.assign(fileText.substr(0, p));
    sheetName.assign(fileText.substr(p + 1, fileText.size() - p - 2));
}

}  // namespace dulo
