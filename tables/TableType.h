#pragma once
// Table type strings: "WKS", "DBF", "PI(a,b,c)", "ODBC(source,user,password)",
// "DAO(a,b,c)", "OLE2(Excel8,Sheet1)".
#include <string>
#include <vector>

// Parses a type string. Accepted: returns true with type set to its code and
// args to the arguments (OLE2 and the three-argument keywords). Rejected:
// returns false with type 6 and, when message is given, the message
// "[" + text + "] " followed by the text of kIdInvalidTableType.
bool ParseTableType(const std::string& text, int& type, std::vector<std::string>& args,
                    std::string* message = nullptr);

// The message for a rejected type string.
std::string InvalidTableTypeMessage(const std::string& text);
