#include "settings/SettingsTexts.h"

#include "settings/ModelSettings.h"
#include "xml/ReadModelText.h"

#include <clocale>
#include <new>

namespace dulo {

namespace {

void AppendTextElement(CXmlDocument& document, CXmlNode parent, std::string_view name, std::string_view text) {
    CXmlElement element = document.CreateElement(name);
    element.SetText(text);
    parent.AppendChild(element);
}

bool WriteSettingsDocument(const CDuloModelFile& model, std::string& text) {
    std::unique_ptr<CXmlDocument> document = CXmlDocument::CreateDocument();
    if (!document) return false;
    document->SetAsync(false);
    try {
        document->AppendChild(
            document->CreateProcessingInstruction("xml", "version = \"1.0\" encoding = \"UTF-8\""));
        CXmlNode root = document->AppendChild(document->CreateElement("Settings"));
        for (const CSettingItem* item : model.Settings()) {
            CXmlNode setting = root.AppendChild(document->CreateElement("Setting"));
            AppendTextElement(*document, setting, "Name", item->GetName());
            AppendTextElement(*document, setting, "Value", item->GetValueString());
            AppendTextElement(*document, setting, "Type", SettingTypeName(item->GetType()));
        }
        text = SerializeIndented(*document);
    } catch (const CComError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

bool BuildModelSettingsText(const std::string& modelFilePath, std::string& text) {
    std::setlocale(LC_NUMERIC, "C");
    bool built = false;
    {
        CDuloModelFile model;
        model.RecordPath(modelFilePath);
        built = WriteSettingsDocument(model, text);
    }
    // The user's default, not whatever was in force before the call.
    std::setlocale(LC_NUMERIC, "");
    return built;
}

std::string DefaultSettingValue(const std::string& modelFilePath, std::string_view settingName) {
    CDuloModelFile model;
    model.RecordPath(modelFilePath);
    model.CopyDefaultSettings();
    return model.Settings().GetSettingValue(settingName);
}

void ReadSettingsElement(const CXmlNode& settings, CSettingItemList& list, SettingPosition& position) {
    CXmlNodeList children = settings.ChildNodes();
    for (long i = 0; i < children.Count(); ++i) {
        CXmlNode setting = children.Item(i);
        if (setting.NodeName() != "Setting") continue;
        // Each Setting stands on its own: a missing child is not borrowed from the one before.
        bool hasName = false, hasValue = false;
        std::string name, value;
        CXmlNodeList parts = setting.ChildNodes();
        for (long j = 0; j < parts.Count(); ++j) {
            CXmlNode part = parts.Item(j);
            std::string partName = part.NodeName();
            if (partName == "Name") {
                name = part.GetText();
                hasName = true;
            } else if (partName == "Value") {
                value = part.GetText();
                hasValue = true;
            }
        }
        if (hasName && hasValue) list.SetSettingValue(name, value, position);
    }
}

void ReadModelFileSettings(const CXmlDocument& document, CDuloModelFile& model) {
    SettingPosition position = kNoSettingPosition;
    try {
        CXmlNodeList children = document.DocumentElement().ChildNodes();
        for (long i = 0; i < children.Count(); ++i) {
            CXmlNode child = children.Item(i);
            std::string name = child.NodeName();
            if (name == "Version")
                model.SetVersion(child.GetText());
            else if (name == "Settings")
                ReadSettingsElement(child, model.Settings(), position);
        }
    } catch (const CComError& error) {
        ReportComError(error);
    }
}

std::string ChooseReportSection(const char* sectionName, const CDuloModelFile& model) {
    if (!sectionName) return {};
    std::string_view requested = sectionName;
    if (requested == "General" || requested == "Recursion" || requested == "XNLP" || requested == "XSLP" ||
        requested == "Reporting")
        return std::string(requested);
    if (requested == "L.P.") {
        const auto* useCplex = dynamic_cast<const CSettingInt*>(model.Settings().FindSetting("UseCplex"));
        return useCplex && useCplex->GetValue() != 0 ? "CPLEX L.P." : "Xpress L.P.";
    }
    return {};
}

bool BuildNonDefaultSettingsText(const std::string& modelFilePath, const char* sectionName, std::string& text) {
    CDuloModelFile model;
    model.RecordPath(modelFilePath);
    model.CopyDefaultSettings();

    std::string modelText = ReadModelText(modelFilePath);
    std::unique_ptr<CXmlDocument> document = CXmlDocument::CreateDocument();
    if (!document) return false;
    document->SetAsync(false);
    // Stored values are written with a decimal point: read them under "C", which
    // the report leaves in force anyway.
    std::setlocale(LC_NUMERIC, "C");
    if (document->LoadXml(modelText)) ReadModelFileSettings(*document, model);

    CModelSettings report(model, ChooseReportSection(sectionName, model));
    text = report.BuildXml();
    return true;
}

}  // namespace dulo
