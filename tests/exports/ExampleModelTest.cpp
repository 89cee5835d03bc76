// The example model stays readable: every table it lists loads through LoadTableSX.
#include "ExportsSupport.h"

using namespace exports_test;

TEST(ExampleModel, EveryListedTableLoads) {
    const std::string model = std::string(DULO_FIXTURES) + "/../../examples/model";
    struct Case {
        const char* table;
        Dims dims;
    } cases[] = {
        {"BUY", {6, 7}},     {"SELL", {8, 7}},      {"CAPS", {7, 6}},     {"PERIODS", {5, 6}},
        {"BOUNDS", {7, 7}},  {"MBO_Tanks", {6, 5}}, {"UTILITY", {6, 6}},  {"ASSAY", {9, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        ResultVariant result;
        DirectoryBuffer directory(model);
        ASSERT_EQ(LoadTableSX(directory.c_str(), c.table, &result.v), 1);
        EXPECT_EQ(DimsOf(result.v), c.dims);
    }
    // BOUNDS merges its two workbooks: RVPPRM, given by both, appears once.
    ResultVariant bounds;
    DirectoryBuffer directory(model);
    ASSERT_EQ(LoadTableSX(directory.c_str(), "BOUNDS", &bounds.v), 1);
    std::vector<std::string> names;
    for (long r = 1; r < DimsOf(bounds.v).rows; ++r) names.push_back(CellText(bounds.v, r, 0));
    EXPECT_EQ(names, (std::vector<std::string>{"SULDSL", "RVPPRM", "BENPRM", "OCTREG", "AROPRM", ""}));
    CleanUpTableRead();
}
