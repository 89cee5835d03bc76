/*
 * DuloModelDataLib: the model-data library of the planning system.
 *
 * A host reads model tables, settings, property formulas and external models
 * through these fourteen functions. Every VARIANT the library hands over
 * belongs to the caller, who releases it with VariantClear. On failure the
 * caller's VARIANT is left untouched.
 */
#ifndef DULO_MODEL_DATA_LIB_H
#define DULO_MODEL_DATA_LIB_H

#include "dulo/oleauto.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque property calculator handed to the host. */
typedef void* DuloPropertyCalculator;

/* Worksheet loaders: 0 read, 9 empty heading, 16 repeated row in QBML,
   18 repeated row with a conflicting value, 20 table not read. */
DULO_API int LoadExcelTable(const char* tableName, const char* directory, int fileCount, const char* fileNames,
                            const char* sheetNames, VARIANT* result, char* rowName, char* colName);
DULO_API int LoadSingleExcelTable(const char* tableName, const char* filePath, const char* sheetName, int sourceType,
                                  VARIANT* result, char* rowName, char* colName);
DULO_API int LoadCaseTable(const char* filePath, const char* sheetName, VARIANT* result, char* rowName,
                           char* colName);
/* 1 done (also when nothing is listed for the table), 0 failed. */
DULO_API int LoadTableSX(const char* modelDirectory, const char* tableName, VARIANT* result);
/* Closes the cached workbook and ends the spreadsheet application: 1, or 0 when ending it failed. */
DULO_API int CleanUpTableRead(void);

DULO_API int LoadModelSettings(const char* modelFilePath, VARIANT* result);
DULO_API int LoadSettingValue(const char* modelFilePath, const char* settingName, VARIANT* value);
DULO_API int GetNonDefaultModelSettings(const char* modelFilePath, const char* sectionName, VARIANT* result);

DULO_API DuloPropertyCalculator GetPropertyCalculator(const char* propertyName, const char* formula);
DULO_API int ReleasePropertyCalculator(DuloPropertyCalculator calculator);
DULO_API int GetPropertyArgs(const char* propertyName, const char* formula, double* values1, double* values2,
                             VARIANT* argNames, VARIANT* result1, VARIANT* result2);
DULO_API int CalcPropertyResult(DuloPropertyCalculator* calculator, const char* propertyName, const char* formula,
                                double* values, VARIANT* result);
DULO_API int GetPropertyResult(const char* propertyName, const char* formula, double* values, VARIANT* result);

DULO_API int GetExternalModels(const char* modelDirectory, VARIANT* names, VARIANT* paths, VARIANT* types,
                               VARIANT* suppressed, VARIANT* variables);

/* Message switch and sink. Messages go to standard error as "Error: <text>"
   until a host installs its own sink; enabled = 0 turns them off. */
typedef void (*DuloMessageSink)(const char* caption, const char* text, void* context);
DULO_API void DuloSetMessageSink(DuloMessageSink sink, void* context, int enabled);

/* Reasons on request. The reading paths keep what went wrong to themselves
   unless a host asks: level 1 sends every error the table sources record
   (for example "Unable to open table [...]") and the formula evaluator's
   message with its position to the message sink, level 2 their warnings too,
   0 (the default) neither. The message switch above still applies, and no
   return code changes. */
DULO_API void DuloSetReportLevel(int level);

/* The Table entries of the model file in modelDirectory, read as LoadTableSX
   reads it (plain or enciphered): a (entries + 1) x 5 table array whose first
   row holds the headings Name, File, Sheet, Enabled, TableType, then one row
   per entry in the file's order (Enabled 1 or 0). 1 listed, 2 no model file in
   the directory, 0 the model file could not be read; except for 1 the result is
   left untouched. */
DULO_API int DuloListModelTables(const char* modelDirectory, VARIANT* result);

/* The UTF-8 form of a BSTR the library handed over (text is UTF-16 inside),
   copied to buffer: at most size - 1 bytes, never a character cut in two,
   always terminated (nothing is written for a null buffer or a size of 0).
   Returns the length in bytes of the whole UTF-8 form, so that a host can ask
   with a null buffer first (-1 when memory runs out); a null BSTR is the empty
   text. */
DULO_API int DuloUtf8FromBstr(BSTR text, char* buffer, int size);

/* The model-file cipher under the library's model-file key, file to file:
   DuloEncipherModelFile writes the enciphered form of the plain model file at
   inPath to outPath, DuloDecipherModelFile the plain form of an enciphered one.
   1 done, 0 inPath could not be read, 2 the text did not encipher (or
   decipher, or memory ran out), 3 outPath could not be written; outPath is
   left alone unless the text converted. */
DULO_API int DuloEncipherModelFile(const char* inPath, const char* outPath);
DULO_API int DuloDecipherModelFile(const char* inPath, const char* outPath);

#ifdef __cplusplus
}
#endif

#endif
