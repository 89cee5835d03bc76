#pragma once
// Writes external-model data files byte by byte for the tests: the value
// encoding and the records, kept apart from the library's reader so that a
// fault in one does not hide in the other.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace extmodels_test {

class ByteWriter {
public:
    std::vector<unsigned char> bytes;

    void Byte(uint8_t b) { bytes.push_back(b); }
    void Word(uint16_t w) {
        Byte(uint8_t(w));
        Byte(uint8_t(w >> 8));
    }
    void DWord(uint32_t d) {
        Word(uint16_t(d));
        Word(uint16_t(d >> 16));
    }
    void Bool(bool b) { Byte(b ? 1 : 0); }
    void Int(int32_t v) { DWord(uint32_t(v)); }
    void Double(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        DWord(uint32_t(bits));
        DWord(uint32_t(bits >> 32));
    }
    void Length(uint32_t n) {
        if (n < 0xFF) {
            Byte(uint8_t(n));
        } else if (n < 0xFFFE) {
            Byte(0xFF);
            Word(uint16_t(n));
        } else {
            Byte(0xFF);
            Word(0xFFFF);
            DWord(n);
        }
    }
    void Text(const std::string& s) {
        Length(uint32_t(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    // ASCII text in the 16-bit form.
    void Utf16Text(const std::string& s) {
        Byte(0xFF);
        Word(0xFFFE);
        Length(uint32_t(s.size()));
        for (char c : s) Word(uint16_t(static_cast<unsigned char>(c)));
    }
    void Count(uint32_t n) {
        if (n < 0xFFFF) {
            Word(uint16_t(n));
        } else {
            Word(0xFFFF);
            DWord(n);
        }
    }
    void Doubles(const std::vector<double>& v) {
        Count(uint32_t(v.size()));
        for (double d : v) Double(d);
    }
    void Texts(const std::vector<std::string>& v) {
        Count(uint32_t(v.size()));
        for (const auto& s : v) Text(s);
    }
    bool Save(const std::string& path) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return bool(out);
    }
};

// What one variable record holds.
struct VariableRecord {
    bool isNew = false;
    bool isPeriodic = false;
    std::string variableType;
    std::string name;
    std::string duloName;
    std::string description;
    double min = 0, max = 1e30, minProcess = 0, maxProcess = 1e30, objFn = 1e30, initial = 1e30;
    std::vector<double> periodicMin, periodicMax, periodicObjFn, periodicInitial;
    bool isIndependent = false, expanded = false, blockControlVar = false, displayFlag = false;
    std::string switchMode;  // written only when withSwitchMode
};

inline void WriteVariable(ByteWriter& w, const VariableRecord& v, bool withSwitchMode) {
    w.Bool(v.isNew);
    w.Bool(v.isPeriodic);
    w.Text(v.variableType);
    w.Text(v.name);
    w.Text(v.duloName);
    w.Text(v.description);
    for (double d : {v.min, v.max, v.minProcess, v.maxProcess, v.objFn, v.initial}) w.Double(d);
    w.Doubles(v.periodicMin);
    w.Doubles(v.periodicMax);
    w.Doubles(v.periodicObjFn);
    w.Doubles(v.periodicInitial);
    w.Bool(v.isIndependent);
    w.Bool(v.expanded);
    w.Bool(v.blockControlVar);
    w.Bool(v.displayFlag);
    if (withSwitchMode) w.Text(v.switchMode);
}

// Which fields a file of some product version holds.
struct Layout {
    bool inputOutputMap = true;    // in the instance record
    bool perturbationSize = true;  // in the instance record
    bool switchMode = true;        // ParamsShown and each variable's switch mode
    bool blockWideFlag = true;
    bool parameters = true;
    bool parameterCount = true;  // false: the count is implied
    bool parameterValues = true;
};

struct ParameterRecord {
    VariableRecord variable;
    std::string type;  // "Double", ...; written when the layout has values
    void (*value)(ByteWriter&) = nullptr;
};

struct PortRecord {
    std::string name;
    std::string direction = "PORT_INPUT";
    bool expanded = true;
    std::vector<VariableRecord> variables;
};

struct BlockRecord {
    std::string name;
    std::string path;
    std::string type = "ZEFT_XLP";
    bool suppressed = false, expanded = true, inputPortsExpanded = false, outputPortsExpanded = false,
         internalExpanded = false, paramsShown = true, blockWide = false;
    std::vector<PortRecord> ports;
    std::vector<VariableRecord> internals;
    std::vector<ParameterRecord> parameters;
};

inline void WriteParameter(ByteWriter& w, const ParameterRecord& p, const Layout& l) {
    WriteVariable(w, p.variable, l.switchMode);
    if (!l.parameterValues) return;
    w.Text(p.type);
    if (p.value) p.value(w);
}

inline void WriteBlock(ByteWriter& w, const BlockRecord& b, const Layout& l) {
    for (int twice = 0; twice < 2; ++twice) {
        w.Text(b.name);
        w.Text(b.path);
        w.Text(b.type);
    }
    for (bool f : {b.suppressed, b.expanded, b.inputPortsExpanded, b.outputPortsExpanded, b.internalExpanded})
        w.Bool(f);
    if (l.switchMode) w.Bool(b.paramsShown);
    if (l.blockWideFlag) w.Bool(b.blockWide);
    for (const PortRecord& p : b.ports) {
        w.Text(p.name);
        w.Text(p.direction);
        w.Bool(p.expanded);
        for (const VariableRecord& v : p.variables) WriteVariable(w, v, l.switchMode);
    }
    for (const VariableRecord& v : b.internals) WriteVariable(w, v, l.switchMode);
    if (!l.parameters) return;
    if (l.parameterCount) w.Int(int32_t(b.parameters.size()));
    for (const ParameterRecord& p : b.parameters) WriteParameter(w, p, l);
}

struct InstanceRecord {
    bool expanded = true;
    int32_t inputOutputMap = 0;
    std::string perturbationSize = "1e-6";
    std::vector<BlockRecord> blocks;
};

inline ByteWriter WriteDataFile(const InstanceRecord& r, const Layout& l) {
    ByteWriter w;
    w.Bool(r.expanded);
    if (l.inputOutputMap) w.Int(r.inputOutputMap);
    w.Int(int32_t(r.blocks.size()));
    if (l.perturbationSize) w.Text(r.perturbationSize);
    for (const BlockRecord& b : r.blocks) WriteBlock(w, b, l);
    return w;
}

}  // namespace extmodels_test
