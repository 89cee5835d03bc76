#pragma once
// The texts the settings exports hand to the host: every setting as XML, one
// default value, and the report of a model file's non-default settings.
#include "platform/xml/XmlDocument.h"
#include "settings/DuloModelFile.h"

#include <string>
#include <string_view>

namespace dulo {

// Every setting of a fresh model (catalogue defaults, StartDate and VormDate the
// time of the call) as indented XML: Settings / Setting / Name, Value, Type.
// False when the document cannot be made or built. Leaves the numeric locale at
// the user's default ("").
bool BuildModelSettingsText(const std::string& modelFilePath, std::string& text);

// The process-wide default of one setting as text, converted under the numeric
// locale in force; empty for an unknown name.
std::string DefaultSettingValue(const std::string& modelFilePath, std::string_view settingName);

// Sets the values of the Setting elements (Name and Value children) below a
// Settings element. A Setting without a Name or a Value child, or with a name
// the list does not know, changes nothing. Raises CComError from the DOM.
void ReadSettingsElement(const CXmlNode& settings, CSettingItemList& list, SettingPosition& position);

// Takes the Version text and the Settings values from a model-file document.
// A DOM failure is reported (message facility) and ends the walk; what was read
// before it stays.
void ReadModelFileSettings(const CXmlDocument& document, CDuloModelFile& model);

// The section a report request names: "General", "Recursion", "XNLP", "XSLP" and
// "Reporting" themselves; "L.P." the CPLEX or Xpress section by UseCplex; anything
// else (null included) the empty text, which means every section.
std::string ChooseReportSection(const char* sectionName, const CDuloModelFile& model);

// The non-default settings report of the model file at modelFilePath (plain or
// enciphered; a missing or unparsable file reports nothing). False only when the
// document cannot be made. Leaves the numeric locale at "C".
bool BuildNonDefaultSettingsText(const std::string& modelFilePath, const char* sectionName, std::string& text);

}  // namespace dulo
