#include "zefthost/ZeftModelFile.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <stdexcept>

namespace zefthost {

namespace {

using nlohmann::json;

struct Malformed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

const json& Member(const json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end()) throw Malformed(std::string("missing \"") + key + "\"");
    return *it;
}

std::string Text(const json& object, const char* key, const std::string& block) {
    const json& value = Member(object, key);
    if (!value.is_string()) throw Malformed(std::string("\"") + key + "\" is not a string");
    std::string text = value.get<std::string>();
    ReplaceAll(text, "{BLOCK}", block);
    return text;
}

double Number(const json& object, const char* key, double fallback, bool required = false) {
    auto it = object.find(key);
    if (it == object.end()) {
        if (required) throw Malformed(std::string("missing \"") + key + "\"");
        return fallback;
    }
    if (!it->is_number()) throw Malformed(std::string("\"") + key + "\" is not a number");
    return it->get<double>();
}

int32_t Integer(const json& object, const char* key, int32_t fallback) {
    auto it = object.find(key);
    if (it == object.end()) return fallback;
    if (!it->is_number_integer()) throw Malformed(std::string("\"") + key + "\" is not an integer");
    return it->get<int32_t>();
}

const json& List(const json& object, const char* key) {
    auto it = object.find(key);
    static const json empty = json::array();
    if (it == object.end()) return empty;
    if (!it->is_array()) throw Malformed(std::string("\"") + key + "\" is not a list");
    return *it;
}

std::vector<size_t> VariableRefs(const json& object, const std::string& block,
                                 const std::map<std::string, size_t>& index) {
    std::vector<size_t> refs;
    for (const json& name : List(object, "variables")) {
        if (!name.is_string()) throw Malformed("a variable reference is not a string");
        std::string text = name.get<std::string>();
        ReplaceAll(text, "{BLOCK}", block);
        auto it = index.find(text);
        if (it == index.end()) throw Malformed("unknown variable " + text);
        refs.push_back(it->second);
    }
    return refs;
}

void ReadParameter(const json& p, const std::string& block, ModelParameter& out) {
    out.name = Text(p, "name", block);
    const std::string type = Text(p, "type", block);
    const json& value = Member(p, "value");
    if (type == "Integer" && value.is_number_integer()) {
        out.type = ParamType::Integer;
        out.intValue = value.get<int32_t>();
    } else if (type == "Double" && value.is_number()) {
        out.type = ParamType::Double;
        out.doubleValue = value.get<double>();
    } else if (type == "String" && value.is_string()) {
        out.type = ParamType::String;
        out.stringValue = value.get<std::string>();
    } else if (type == "Bool" && value.is_boolean()) {
        out.type = ParamType::Bool;
        out.boolValue = value.get<bool>();
    } else if (type == "Stringlist" && value.is_array()) {
        out.type = ParamType::Stringlist;
        for (const json& s : value) {
            if (!s.is_string()) throw Malformed("a string list holds a non-string");
            out.listValue.push_back(s.get<std::string>());
        }
    } else {
        throw Malformed("parameter " + out.name + " has a bad type or value");
    }
    out.access = Integer(p, "access", 1);
    if (p.contains("description")) out.description = Text(p, "description", block);
}

}  // namespace

bool ReadModelFile(const std::string& path, const std::string& blockName, bool useFileBlockName, ModelFile& model,
                   std::string& reason) {
    std::ifstream in(path);
    if (!in) {
        reason = "cannot open " + path;
        return false;
    }
    try {
        const json doc = json::parse(in);
        if (!doc.is_object()) throw Malformed("not a JSON object");
        model = ModelFile{};
        model.block = blockName;
        if (useFileBlockName && doc.contains("block")) model.block = Text(doc, "block", blockName);
        const std::string& block = model.block;
        std::map<std::string, size_t> index;
        for (const json& v : List(doc, "variables")) {
            ModelVariable var;
            var.name = Text(v, "name", block);
            var.value = Number(v, "value", 0, true);
            var.spec = Integer(v, "spec", 0);
            var.lower = Number(v, "lower", -1e35);
            var.upper = Number(v, "upper", 1e35);
            if (v.contains("description")) {
                var.hasDescription = true;
                var.description = Text(v, "description", block);
            }
            if (!index.emplace(var.name, model.variables.size()).second) throw Malformed("variable twice: " + var.name);
            model.variables.push_back(var);
        }
        for (const json& e : List(doc, "equations")) {
            ModelEquation eq;
            eq.name = Text(e, "name", block);
            eq.relation = Integer(e, "relation", 5);
            eq.lower = Number(e, "lower", -1e35);
            eq.upper = Number(e, "upper", 1e35);
            eq.variables = VariableRefs(e, block, index);
            model.equations.push_back(eq);
        }
        for (const json& p : List(doc, "ports")) {
            ModelPort port;
            port.name = Text(p, "name", block);
            port.direction = Integer(p, "direction", 0);
            port.variables = VariableRefs(p, block, index);
            model.ports.push_back(port);
        }
        for (const json& p : List(doc, "parameters")) {
            ModelParameter param;
            ReadParameter(p, block, param);
            model.parameters.push_back(param);
        }
        return true;
    } catch (const std::exception& e) {
        reason = path + ": " + e.what();
        return false;
    }
}

}  // namespace zefthost
