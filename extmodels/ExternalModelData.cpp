// Reading a model's external models: the binary data files, the legacy XML
// form, and the path rules for the model files they name.
#include "extmodels/ZeftInstance.h"

#include "extmodels/ExternalModelMessages.h"
#include "platform/Messages.h"
#include "platform/archive/Archive.h"
#include "platform/xml/XmlDocument.h"
#include "settings/DuloModelFile.h"
#include "xml/ReadModelText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <strings.h>
#include <sys/stat.h>

namespace dulo {

namespace {

std::string Slashes(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

bool IsAbsolute(const std::string& path) {
    return (path.size() > 2 && path[1] == ':') || (path.size() > 1 && path[0] == '/');
}

}  // namespace

std::string ResolveModelPath(const std::string& stored, const std::string& modelDirectory) {
    std::string path = Slashes(stored);
    if (IsAbsolute(path)) return path;
    int up = 0;
    while (path.compare(0, 3, "../") == 0) {
        path.erase(0, 3);
        ++up;
    }
    std::string dir = Slashes(modelDirectory);
    if (!dir.empty() && dir.back() == '/') dir.pop_back();
    for (; up > 0; --up) {
        size_t slash = dir.rfind('/');
        if (slash == std::string::npos) break;
        dir.erase(slash);
    }
    return dir + "/" + path;
}

std::string RelativeModelPath(const std::string& absolute, const std::string& modelDirectory) {
    std::string path = Slashes(absolute);
    std::string dir = Slashes(modelDirectory);
    while (!dir.empty() && dir.back() == '/') dir.pop_back();
    if (!IsAbsolute(path) || !IsAbsolute(dir + "/")) return absolute;
    // Components in common, then one "../" for each directory left over.
    auto split = [](const std::string& text) {
        std::vector<std::string> parts;
        size_t start = 0;
        while (start <= text.size()) {
            size_t slash = text.find('/', start);
            if (slash == std::string::npos) slash = text.size();
            if (slash > start) parts.push_back(text.substr(start, slash - start));
            start = slash + 1;
        }
        return parts;
    };
    std::vector<std::string> p = split(path), d = split(dir);
    if (p.empty()) return absolute;
    size_t common = 0;
    while (common < d.size() && common + 1 < p.size() && p[common] == d[common]) ++common;
    if (common == 0 && !d.empty()) return absolute;  // nothing shared but the root: keep it absolute
    std::string out;
    for (size_t i = common; i < d.size(); ++i) out += "../";
    for (size_t i = common; i < p.size(); ++i) out += p[i] + (i + 1 < p.size() ? "/" : "");
    return out;
}

}  // namespace dulo

namespace {

using namespace extmodel_messages;

void Show(bool quiet, const dulo::Message& message, std::initializer_list<std::string_view> args = {}) {
    if (!quiet) dulo::ShowMessage(dulo::FormatString(message, args));
}

bool IsTrue(const CXmlNode& node) { return node.GetText() == "true"; }

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

// A data file of the model directory; a model written on Windows may spell its name in another case.
std::string DataFilePath(const std::string& directory, const char* file) {
    const bool separated = !directory.empty() && (directory.back() == '/' || directory.back() == '\\');
    std::string path = directory + (separated ? "" : "/") + file;
    std::string found = dulo::FindModelFile(path);
    return found.empty() ? path : found;
}

}  // namespace

void CZEFTInstance::SerializeExternalModels(const std::string& modelName, const std::string& modelDirectory,
                                            bool quiet, CArchive& ar, const std::string& versionText) {
    const CModelVersion version = CModelVersion::Parse(versionText);
    int32_t count = 0;
    try {
        Expanded = ar.ReadBool();
        if (version.HasInputOutputMap()) InputOutputMap = ar.ReadLong();
        count = ar.ReadLong();
        if (version.HasPerturbationSize()) PerturbationSize = ar.ReadString();
        for (int32_t i = 0; i < count; ++i) {
            std::string name = ar.ReadString();
            std::string relative = ar.ReadString();
            const int32_t type = ZeftModelTypeCode(ar.ReadString());
            const std::string absolute = dulo::ResolveModelPath(relative, modelDirectory);
            CZEFTBlock* block = FindBlock(name, modelName);
            if (!block &&
                AddBlock(name, modelName, dulo::RelativeModelPath(absolute, modelDirectory), absolute, type) == 0)
                block = FindBlock(name, modelName);
            if (!block) {
                Show(quiet, kMsgAddFailed, {name});
                return;
            }
            try {
                // The block's part repeats its name, path and type.
                ar.ReadString();
                ar.ReadString();
                ar.ReadString();
                block->Serialize(ar, version);
            } catch (const CArchiveException& e) {
                Show(quiet, kMsgBlockException, {e.what()});
                continue;
            }
            PerturbationSize = block->PerturbationText;
            SetBlockSuppression(*block, block->IsSuppressed);
            if (!PushBlockParameters(*block, quiet)) {
                Show(quiet, kMsgPushFailed);
                return;
            }
        }
    } catch (const CArchiveException& e) {
        Show(quiet, kMsgReadFailed, {std::string(e.what()).substr(0, 255)});
    }
}

void CZEFTInstance::ReadBlockXml(CZEFTBlock& block, const CXmlNode& element) {
    auto readVariables = [](const CXmlNode& list, CZeftVariableList& variables) {
        CXmlNodeList items = list.ChildNodes();
        for (long j = 0; j < items.Count(); ++j) {
            CXmlNode item = items.Item(j);
            if (item.NodeName() != "UserEquationVariable") continue;
            CUserDefinedEquationVariable key;
            CXmlNode name = [&] {
                CXmlNodeList c = item.ChildNodes();
                for (long k = 0; k < c.Count(); ++k)
                    if (c.Item(k).NodeName() == "Name") return c.Item(k);
                return CXmlNode();
            }();
            if (name.IsNull()) continue;
            key.Name = name.GetText();
            for (CUserDefinedEquationVariable* v : variables)
                if (v->Name == key.Name) {
                    v->ReadXml(item);
                    break;
                }
        }
    };
    auto childText = [](const CXmlNode& parent, const char* childName, bool& found) {
        CXmlNodeList c = parent.ChildNodes();
        for (long k = 0; k < c.Count(); ++k)
            if (c.Item(k).NodeName() == childName) {
                found = true;
                return c.Item(k).GetText();
            }
        found = false;
        return std::string();
    };

    CXmlNodeList children = element.ChildNodes();
    for (long i = 0; i < children.Count(); ++i) {
        CXmlNode child = children.Item(i);
        const std::string tag = child.NodeName();
        if (tag == "IsSuppressed") {
            block.IsSuppressed = IsTrue(child);
            for (CZeftDefinedEquation* eq : block.Equations) eq->SetSuppressed(block.IsSuppressed, false);
        } else if (tag == "Expanded") {
            block.Expanded = IsTrue(child);
        } else if (tag == "InputPortsExpanded") {
            block.InputPortsExpanded = IsTrue(child);
        } else if (tag == "OutputPortsExpanded") {
            block.OutputPortsExpanded = IsTrue(child);
        } else if (tag == "InternalVariablesExpanded") {
            block.InternalVariablesExpanded = IsTrue(child);
        } else if (tag == "Ports") {
            CXmlNodeList ports = child.ChildNodes();
            for (long j = 0; j < ports.Count(); ++j) {
                CXmlNode portElement = ports.Item(j);
                if (portElement.NodeName() != "Port") continue;
                bool found = false;
                const std::string portName = childText(portElement, "Name", found);
                if (!found) continue;
                CZeftPort* port = nullptr;
                for (CZeftPort* candidate : block.Ports)
                    if (candidate->Name == portName) {
                        port = candidate;
                        break;
                    }
                if (!port) continue;
                CXmlNodeList parts = portElement.ChildNodes();
                for (long k = 0; k < parts.Count(); ++k) {
                    CXmlNode part = parts.Item(k);
                    const std::string partTag = part.NodeName();
                    if (partTag == "Name") port->Name = part.GetText();
                    else if (partTag == "Direction") port->Direction = ZeftPortDirectionCode(part.GetText());
                    else if (partTag == "Expanded") port->Expanded = IsTrue(part);
                    else if (partTag == "UDEVariables") readVariables(part, port->Variables);
                }
            }
        } else if (tag == "UDEVariables") {
            readVariables(child, block.InternalVariables);
        }
    }
}

void CZEFTInstance::ReadExternalModelsXml(const CXmlNode& externalModels, const std::string& modelName,
                                          const std::string& modelDirectory) {
    CXmlNodeList children = externalModels.ChildNodes();
    for (long i = 0; i < children.Count(); ++i) {
        CXmlNode child = children.Item(i);
        const std::string tag = child.NodeName();
        if (tag == "Expanded") {
            Expanded = IsTrue(child);
        } else if (tag == "InputOutputMap") {
            InputOutputMap = IsTrue(child) ? 1 : 0;
        } else if (tag == "PerturbationSize") {
            PerturbationSize = child.GetText();
        } else if (tag == "ExternalModel") {
            std::string name, path, typeText;
            CXmlNodeList parts = child.ChildNodes();
            for (long k = 0; k < parts.Count(); ++k) {
                CXmlNode part = parts.Item(k);
                const std::string partTag = part.NodeName();
                if (partTag == "Name") name = part.GetText();
                else if (partTag == "Path") path = part.GetText();
                else if (partTag == "ModelType") typeText = part.GetText();
            }
            const std::string absolute = dulo::ResolveModelPath(path, modelDirectory);
            if (AddBlock(name, modelName, dulo::RelativeModelPath(absolute, modelDirectory), absolute,
                         ZeftModelTypeCode(typeText)) != 0)
                continue;
            if (CZEFTBlock* block = FindBlock(name, modelName)) ReadBlockXml(*block, child);
        }
    }
}

void CZEFTInstance::LoadExternalModels(CDuloModelFile& modelFile, const CXmlNode& externalModels) {
    const bool quiet = modelFile.IsQuiet();
    const CSettingCatalogue& settings = modelFile.Settings();
    auto integer = [&](const char* name) { return std::atoi(settings.GetSettingValue(name).c_str()); };
    const std::string& directory = modelFile.GetModelDirectory();
    int code = InitialiseSession(integer("XSLP_TraceLevel"), integer("XNLP_EM_AOSSolver"),
                                 integer("XNLP_EM_InputOutputMapOn"),
                                 settings.GetSettingValue("XNLP_EM_PerturbationSize"), directory);
    if (code != kZeftInitOk) {
        Show(quiet, code == kZeftInitLoadFailed ? kMsgInitNoLibrary : kMsgInitFailed);
        return;
    }
    // A directory that cannot be entered leaves the working directory as it was; the
    // models are named by absolute paths, so they still load.
    if (!directory.empty()) (void)!::chdir(directory.c_str());
    bool binary = false;
    CXmlNodeList children = externalModels.ChildNodes();
    for (long i = 0; i < children.Count() && !binary; ++i) binary = children.Item(i).NodeName() == "DataType";
    const std::string& modelName = modelFile.GetModelName();
    if (binary) {
        std::string path = DataFilePath(directory, "externalmodel18.dulb");
        if (!FileExists(path)) path = DataFilePath(directory, "externalmodel.dulb");
        std::vector<unsigned char> bytes;
        int error = 0;
        if (!CArchive::ReadFileBytes(path, bytes, &error)) {
            Show(quiet, kMsgDataUnreadable, {std::to_string(error)});
            return;
        }
        CArchive archive(std::move(bytes));
        SerializeExternalModels(modelName, directory, quiet, archive, modelFile.GetVersion());
    } else {
        ReadExternalModelsXml(externalModels, modelName, directory);
    }
    BuildInputOutputLists(InputOutputMap);
}
