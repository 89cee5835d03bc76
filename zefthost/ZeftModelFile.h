#pragma once
// The stand-in's external-model file: a small JSON document that describes one
// block's equations, variables, ports and parameters. "{BLOCK}" in any name is
// the name of the block being made.
#include <cstdint>
#include <string>
#include <vector>

namespace zefthost {

struct ModelVariable {
    std::string name;
    double value = 0;
    int32_t spec = 0;  // 1 = fixed
    double lower = 0;
    double upper = 0;
    bool hasDescription = false;
    std::string description;
};

struct ModelEquation {
    std::string name;
    int32_t relation = 5;
    double lower = -1e35;
    double upper = 1e35;
    std::vector<size_t> variables;  // indexes into the model's variables
};

struct ModelPort {
    std::string name;
    int32_t direction = 0;
    std::vector<size_t> variables;
};

enum class ParamType { Integer, Double, String, Bool, Stringlist };

struct ModelParameter {
    std::string name;
    ParamType type = ParamType::Double;
    int32_t intValue = 0;
    double doubleValue = 0;
    std::string stringValue;
    bool boolValue = false;
    std::vector<std::string> listValue;
    int32_t access = 1;  // 0 = read-only
    std::string description;
};

struct ModelFile {
    std::string block;  // the name the file gives its block
    std::vector<ModelEquation> equations;
    std::vector<ModelVariable> variables;
    std::vector<ModelPort> ports;
    std::vector<ModelParameter> parameters;
};

// Reads the file at path for a block named blockName (or, when the file names
// its block and useFileBlockName is set, by that name). False with a reason
// when the file is missing or does not describe a model.
bool ReadModelFile(const std::string& path, const std::string& blockName, bool useFileBlockName, ModelFile& model,
                   std::string& reason);

}  // namespace zefthost
