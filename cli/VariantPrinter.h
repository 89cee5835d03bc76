#pragma once
// Prints what the exports hand back: JSON, an aligned text table, or CSV.
#include "dulo/oleauto.h"

#include <string>

namespace dulocli {

std::string Utf8FromBstr(BSTR bstr);

// JSON of one VARIANT: null, number, string, {"date": d}, true/false,
// {"array": [...]} or {"vt": code, "value": ...}.
std::string VariantToJson(const VARIANT& v);
std::string JsonString(const std::string& text);
std::string JsonNumber(double value);

// Display text of a scalar: numbers with up to 15 significant digits, dates as ISO dates.
std::string VariantToText(const VARIANT& v);

// A 2-D table array as aligned columns, or any other VARIANT as its text.
std::string VariantToTable(const VARIANT& v);
// A 2-D (or 1-D) array as CSV lines; any other VARIANT as one field.
std::string VariantToCsv(const VARIANT& v);

// Dimensions of an array VARIANT: false when it holds no array.
bool ArrayDims(const VARIANT& v, long& rows, long& cols);

}  // namespace dulocli
