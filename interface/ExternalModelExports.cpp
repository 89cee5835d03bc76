// GetExternalModels: loads a model's external models into the host session and
// returns their blocks and variables as five arrays.
#include "dulo/DuloModelDataLib.h"

#include "extmodels/ZeftInstance.h"
#include "interface/ExportGuard.h"
#include "interface/TableArray.h"
#include "platform/oleauto/ScopedVariant.h"
#include "platform/xml/XmlDocument.h"
#include "settings/DuloModelFile.h"
#include "xml/ReadModelText.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr long kVariableColumns = 15;

std::string Bool(bool value) { return value ? "true" : "false"; }

std::string Int(int32_t value) { return std::to_string(value); }

// One 1 x N array of block texts.
bool BlockArray(const CZEFTInstance* instance, std::string (*text)(const CZEFTBlock&), VARIANT* result) {
    dulo::CTableArray array;
    const long n = instance ? instance->Blocks.GetSize() : 0;
    if (!array.Create(1, n)) return false;
    for (long b = 0; b < n; ++b) array.PutText(0, b, text(*instance->Blocks.GetAt(int(b))));
    array.HandOver(result);
    return true;
}

bool VariableArray(const CZEFTInstance* instance, VARIANT* result) {
    dulo::CTableArray array;
    const long n = instance ? instance->Variables.GetSize() : 0;
    if (!array.Create(n, kVariableColumns)) return false;
    for (long r = 0; r < n; ++r) {
        const CUserDefinedEquationVariable& v = *instance->Variables.GetAt(int(r));
        const std::string cells[] = {
            v.VariableType,
            v.Name,
            v.DuloName,
            FormatG(v.Min),
            FormatG(v.Max),
            FormatG(v.ObjFn),
            FormatG(v.Initial),
            Bool(v.IsIndependent),
            Bool(v.HostSpec == 1),
            Bool(v.Expanded),
            FormatG(v.Value == kUnsetValue ? v.Initial : v.Value),
            Bool(v.IsBlockFlagged),
            Int(v.HostIndex),
            Int(v.HostSpec),
        };
        for (long c = 0; c < long(std::size(cells)); ++c) array.PutText(r, c, cells[c]);
    }
    array.HandOver(result);
    return true;
}

std::string AbsoluteDirectory(const std::string& directory) {
    std::string path = directory;
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.empty() || path[0] == '/') return path;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

// The model file's Version and ExternalModels, in document order; the walk
// ends at ExternalModels, so a Version after it is not seen.
void LoadFromModelFile(CXmlDocument& document, CDuloModelFile& modelFile) {
    if (!document.HasDocumentElement()) return;
    CXmlNodeList children = document.DocumentElement().ChildNodes();
    for (long i = 0; i < children.Count(); ++i) {
        CXmlNode child = children.Item(i);
        const std::string name = child.NodeName();
        if (name == "Version") {
            modelFile.SetVersion(child.GetText());
        } else if (name == "ExternalModels") {
            CZEFTInstance::Get().LoadExternalModels(modelFile, child);
            return;
        }
    }
}

// The session instance lives only for one call, however the call ends.
struct ReleaseInstanceAtExit {
    ReleaseInstanceAtExit() = default;
    ReleaseInstanceAtExit(const ReleaseInstanceAtExit&) = delete;
    ReleaseInstanceAtExit& operator=(const ReleaseInstanceAtExit&) = delete;
    ~ReleaseInstanceAtExit() { CZEFTInstance::Release(); }
};

int GetExternalModelsImpl(const char* modelDirectory, VARIANT* const (&results)[5]) {
    ReleaseInstanceAtExit release;
    CDuloModelFile modelFile;
    // Loading makes the model directory the working directory, so a relative
    // one is taken against the working directory of the call first.
    std::string directory = AbsoluteDirectory(modelDirectory);
    modelFile.SetModelDirectory(directory);
    modelFile.CopyDefaultSettings();
    const bool separated = !directory.empty() && (directory.back() == '/' || directory.back() == '\\');
    const std::string text =
        dulo::ReadModelText(directory + (separated || directory.empty() ? "" : "/") + "DuloModel.dulx");
    if (!CZEFTInstance::Current()) {
        std::unique_ptr<CXmlDocument> document = CXmlDocument::CreateDocument();
        if (!document) return 0;
        document->SetAsync(false);
        if (document->LoadXml(text)) LoadFromModelFile(*document, modelFile);
    }
    const CZEFTInstance* instance = CZEFTInstance::Current();
    dulo::ScopedVariant out[5];
    bool made = BlockArray(instance, [](const CZEFTBlock& b) { return b.Name; }, &out[0].v) &&
                BlockArray(instance, [](const CZEFTBlock& b) { return b.AbsolutePath; }, &out[1].v) &&
                BlockArray(instance, [](const CZEFTBlock& b) { return Int(b.ModelType); }, &out[2].v) &&
                BlockArray(instance, [](const CZEFTBlock& b) { return Int(b.IsSuppressed ? 1 : 0); }, &out[3].v) &&
                VariableArray(instance, &out[4].v);
    if (!made) return 0;
    for (int i = 0; i < 5; ++i) out[i].HandOver(results[i]);
    return 1;
}

}  // namespace

extern "C" int GetExternalModels(const char* modelDirectory, VARIANT* names, VARIANT* paths, VARIANT* types,
                                 VARIANT* suppressed, VARIANT* variables) {
    if (!modelDirectory || !names || !paths || !types || !suppressed || !variables) return 0;
    VARIANT* const results[5] = {names, paths, types, suppressed, variables};
    return dulo::ExportGuard(0, [&] { return GetExternalModelsImpl(modelDirectory, results); });
}
