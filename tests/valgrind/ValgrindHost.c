/* valgrind_host FIXTURES EXAMPLE_MODEL: calls the exports as a host does - a
   table from every kind the library reads, the settings, a formula and the
   external models - frees everything it is given and fails when an export
   does not give what it should. */
#include "dulo/DuloModelDataLib.h"

#include <stdio.h>
#include <string.h>

static int g_failures = 0;

static void Expect(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "valgrind_host: %s failed\n", what);
        ++g_failures;
    }
}

static int IsArray(const VARIANT* v) { return v->vt == (VT_ARRAY | VT_VARIANT) && v->parray != NULL; }

/* An array with at least one element in its first dimension. */
static int IsFilled(const VARIANT* v) {
    LONG lower = 0, upper = -1;
    return IsArray(v) && SafeArrayGetLBound(v->parray, 1, &lower) == S_OK &&
           SafeArrayGetUBound(v->parray, 1, &upper) == S_OK && upper >= lower;
}

static void SingleTable(const char* fixtures, const char* file, const char* table, const char* sheet, int type) {
    char path[4096], row[1024] = "", column[1024] = "";
    VARIANT result;
    VariantInit(&result);
    snprintf(path, sizeof path, "%s/%s", fixtures, file);
    Expect(LoadSingleExcelTable(table, path, sheet, type, &result, row, column) == 0 && IsFilled(&result), file);
    VariantClear(&result);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s FIXTURES EXAMPLE_MODEL\n", argv[0]);
        return 2;
    }
    const char* fixtures = argv[1];
    const char* model = argv[2];
    DuloSetMessageSink(NULL, NULL, 0);

    SingleTable(fixtures, "formats/biff5/Plant.xls", "SAME", "same", 0);
    SingleTable(fixtures, "formats/biff8/Plant.xls", "SAME", "same", 0);
    SingleTable(fixtures, "formats/xlsx/Plant.xlsx", "SAME", "same", 0);
    SingleTable(fixtures, "dbf/keyed.dbf", "KEYED", "", 7);
    {
        VARIANT result;
        VariantInit(&result);
        Expect(LoadTableSX(model, "BUY", &result) == 1 && IsFilled(&result), "LoadTableSX");
        VariantClear(&result);
    }
    {
        char path[4096];
        VARIANT result;
        snprintf(path, sizeof path, "%s/DuloModel.dulx", model);
        VariantInit(&result);
        Expect(LoadModelSettings(path, &result) == 1 && IsArray(&result), "LoadModelSettings");
        VariantClear(&result);
        VariantInit(&result);
        Expect(GetNonDefaultModelSettings(path, "", &result) == 1, "GetNonDefaultModelSettings");
        VariantClear(&result);
    }
    {
        double values[] = {2, 3, 5};
        VARIANT result;
        VariantInit(&result);
        /* (2 + 3) / 5 - 2 */
        Expect(GetPropertyResult("VISB", "(VIS+A)/B-VIS", values, &result) == 1 && result.vt == VT_R8 &&
                   result.dblVal == -1.0,
               "GetPropertyResult");
        VariantClear(&result);
    }
    {
        VARIANT names, paths, types, suppressed, variables;
        VariantInit(&names);
        VariantInit(&paths);
        VariantInit(&types);
        VariantInit(&suppressed);
        VariantInit(&variables);
        Expect(GetExternalModels(model, &names, &paths, &types, &suppressed, &variables) == 1 && IsFilled(&names),
               "GetExternalModels");
        VariantClear(&names);
        VariantClear(&paths);
        VariantClear(&types);
        VariantClear(&suppressed);
        VariantClear(&variables);
    }
    Expect(CleanUpTableRead() == 1, "CleanUpTableRead");
    return g_failures ? 1 : 0;
}
