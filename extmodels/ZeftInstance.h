#pragma once
// The process-wide external-model instance: the blocks of the host simulation,
// every variable of every block, and the session with the host library.
#include "extmodels/ZeftHostLibrary.h"
#include "extmodels/ZeftObjects.h"

#include <functional>
#include <string>

class CDuloModelFile;
class CXmlNode;

// InitialiseSession results.
enum EZeftInitResult : int {
    kZeftInitOk = 0,
    kZeftInitCommandFailed = 1,
    kZeftInitNoZeftTop = 9,
    kZeftInitNoBinDir = 10,
    kZeftInitNoPath = 12,
    kZeftInitLoadFailed = 13,
    kZeftInitDirectoryRaised = 14,
    kZeftInitMessageCallback = 15,
    kZeftInitEventCallback = 16,
    kZeftInitNoProductDirectory = 20,
    kZeftInitNoExeDir = 22
};

// AddBlock results.
enum EZeftAddResult : int {
    kZeftAddOk = 0,
    kZeftAddLineFailed = 1,
    kZeftAddEquationsFailed = 2,
    kZeftAddJacobianFailed = 3,
    kZeftAddVariablesFailed = 4,
    kZeftAddPortsFailed = 5,
    kZeftAddParametersFailed = 6,
    kZeftAddNoBlock = 7
};

class CZEFTInstance {
public:
    CZEFTInstance();
    // Closes the session: deletes the blocks in the host, ends the simulation,
    // unloads the host library.
    virtual ~CZEFTInstance();
    CZEFTInstance(const CZEFTInstance&) = delete;
    CZEFTInstance& operator=(const CZEFTInstance&) = delete;

    // The instance, created (and the session initialised with the defaults) when there is none.
    static CZEFTInstance& Get();
    // The instance when one exists.
    static CZEFTInstance* Current();
    // Destroys the instance, if any.
    static void Release();

    // Blocks and variables.
    CZEFTBlock* FindBlock(const std::string& name, const std::string& modelName) const;
    // Blocks of that model name, compared without regard to case.
    int CountBlocks(const std::string& modelName) const;
    void BuildInputOutputLists(int flag);
    bool DeleteAllBlocks();

    // The session.
    int InitialiseSession(int messageLevel, int solverIndex, int inputOutputMap, const std::string& perturbationSize,
                          const std::string& modelDirectory);
    // On success with type 7, name becomes the name the host gave the block.
    int AddBlock(std::string& name, const std::string& modelName, const std::string& relativePath,
                 const std::string& absolutePath, int32_t modelType);
    void SetBlockSuppression(CZEFTBlock& block, bool suppressed);
    bool PushBlockParameters(CZEFTBlock& block, bool quiet);
    bool PushParameter(CZEFTBlock& block, int index);
    bool ExecuteScriptLine(const std::string& line);

    // Loading a model's external models.
    void LoadExternalModels(CDuloModelFile& modelFile, const CXmlNode& externalModels);
    void SerializeExternalModels(const std::string& modelName, const std::string& modelDirectory, bool quiet,
                                 CArchive& archive, const std::string& version);
    void ReadExternalModelsXml(const CXmlNode& externalModels, const std::string& modelName,
                               const std::string& modelDirectory);

    void* HostLibrary = nullptr;
    CAutoDestructArray<CZEFTBlock> Blocks;  // Name, then model name order
    CZeftVariableList Variables;            // owned; Name order
    bool Expanded = true;
    const std::string SimulationName = "DULOExternalModels";
    int32_t InputOutputMap = 0;
    std::string PerturbationSize = "1e-6";

private:
    void CloseSession();
    bool BuildEquationsAndVariables(CZEFTBlock& block);
    bool BuildPorts(CZEFTBlock& block);
    bool BuildParameters(CZEFTBlock& block);
    bool ReadParameter(CZEFTBlock& block, int index, CUserDefinedParameter& parameter);
    void DropVariablesOf(CZEFTBlock& block);
    void ReadBlockXml(CZEFTBlock& block, const CXmlNode& element);
};

namespace dulo {

// Process-wide session state, visible for tests and for the host callbacks.
struct CZeftSessionState {
    int32_t simulation = -1;
    int solverIndex = 2;
    int messageLevel = 0;
    bool pathExtended = false;
    // The entry points of the loaded host library (all null when none is loaded).
    CZeftHostEntryPoints host;
    // Where event names, pushed values and host messages go; none by default.
    std::function<void(const std::string&)> messageSink;
};
CZeftSessionState& ZeftSession();

// A stored path against the model directory: "\" reads as "/"; a path that
// starts with "/" (or a drive letter and ":") is already absolute; each leading
// "../" climbs one directory.
std::string ResolveModelPath(const std::string& path, const std::string& modelDirectory);
// The inverse of ResolveModelPath for a path inside the model directory; other paths unchanged.
std::string RelativeModelPath(const std::string& path, const std::string& modelDirectory);

}  // namespace dulo
