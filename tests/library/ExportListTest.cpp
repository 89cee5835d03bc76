// The built library exposes exactly the exports, the OLE helpers, the message sink with its
// report level, the model file's table list, the UTF-8 form of a BSTR and the model-file cipher.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

std::set<std::string> DefinedDynamicSymbols(const std::string& library) {
    std::set<std::string> names;
    std::string command = "nm -D --defined-only '" + library + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return names;
    char line[1024];
    while (fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        size_t at = text.rfind(' ');
        std::string type = at >= 2 ? text.substr(at - 1, 1) : "";
        std::string name = text.substr(at + 1);
        // Linker-made section markers are not exports.
        if (type == "A" || name.empty()) continue;
        names.insert(name);
    }
    pclose(pipe);
    return names;
}

}  // namespace

TEST(LibraryExports, ExactlyTheExportsOleHelpersAndSink) {
    const std::set<std::string> expected = {
        // the fourteen exports
        "LoadExcelTable", "LoadSingleExcelTable", "LoadCaseTable", "LoadTableSX", "CleanUpTableRead",
        "LoadModelSettings", "LoadSettingValue", "GetNonDefaultModelSettings", "GetPropertyCalculator",
        "ReleasePropertyCalculator", "GetPropertyArgs", "CalcPropertyResult", "GetPropertyResult",
        "GetExternalModels",
        // message switch and sink, the report level, the model file's table list
        "DuloSetMessageSink", "DuloSetReportLevel", "DuloListModelTables",
        // the host's helpers: the UTF-8 form of a BSTR, the model-file cipher
        "DuloUtf8FromBstr", "DuloEncipherModelFile", "DuloDecipherModelFile",
        // OLE helpers of oleauto.h
        "SysAllocString", "SysAllocStringLen", "SysFreeString", "SysStringLen", "SysStringByteLen", "VariantInit",
        "VariantClear", "VariantCopy", "VariantChangeType", "VariantChangeTypeEx", "SafeArrayCreate",
        "SafeArrayCreateVector", "SafeArrayDestroy", "SafeArrayGetDim", "SafeArrayGetElemsize",
        "SafeArrayGetVartype", "SafeArrayGetLBound", "SafeArrayGetUBound", "SafeArrayPutElement",
        "SafeArrayGetElement", "SafeArrayPtrOfIndex", "SafeArrayAccessData", "SafeArrayUnaccessData",
        "VariantTimeToSystemTime", "SystemTimeToVariantTime"};
    std::set<std::string> actual = DefinedDynamicSymbols(DULO_LIBRARY_FILE);
    ASSERT_FALSE(actual.empty()) << "nm found no symbols in " << DULO_LIBRARY_FILE;
    std::string extra, missing;
    for (const auto& name : actual)
        if (!expected.count(name)) extra += name + " ";
    for (const auto& name : expected)
        if (!actual.count(name)) missing += name + " ";
    EXPECT_EQ(extra, "") << "symbols that should be hidden";
    EXPECT_EQ(missing, "") << "exports that are missing";
}
