// Table type strings.
#include "tables/TableType.h"

#include "tables/IoTableDescription.h"
#include "tables/TableMessages.h"

#include <strings.h>

namespace {

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

// The text between the first "(" and its matching ")"; false without one.
bool ArgumentText(const std::string& text, size_t open, std::string& inside) {
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')' && --depth == 0) {
            inside = text.substr(open + 1, i - open - 1);
            return true;
        }
    }
    return false;
}

}  // namespace

std::string InvalidTableTypeMessage(const std::string& text) {
    return "[" + text + "] " + table_messages::kIdInvalidTableType.text;
}

bool ParseTableType(const std::string& text, int& type, std::vector<std::string>& args, std::string* message) {
    args.clear();
    auto reject = [&] {
        type = TABLE_TYPE_UNKNOWN;
        args.clear();
        if (message) *message = InvalidTableTypeMessage(text);
        return false;
    };

    size_t open = text.find('(');
    std::string keyword = text.substr(0, open);
    if (keyword == "WKS") {
        type = TABLE_TYPE_WKS;
        return true;
    }
    if (keyword == "DBF") {
        type = TABLE_TYPE_DBF;
        return true;
    }
    if (keyword == "PI") type = TABLE_TYPE_PI;
    else if (keyword == "DAO") type = TABLE_TYPE_DAO;
    else if (keyword == "ODBC") type = TABLE_TYPE_ODBC;
    else if (keyword == "OLE2") type = TABLE_TYPE_OLE2;
    else return reject();

    std::string inside;
    if (open == std::string::npos || !ArgumentText(text, open, inside)) return reject();
    args = SplitAtCommas(inside);

    if (type == TABLE_TYPE_OLE2) {
        if (args.size() != 2) return reject();
        if (strcasecmp(args[0].c_str(), "Excel5") == 0) type = TABLE_TYPE_OLE2_EXCEL5;
        else if (strcasecmp(args[0].c_str(), "Excel8") == 0 || strcasecmp(args[0].c_str(), "Excel") == 0)
            type = TABLE_TYPE_OLE2_EXCEL8;
        else return reject();
        return true;
    }
    if (args.size() != 3) return reject();
    return true;
}
