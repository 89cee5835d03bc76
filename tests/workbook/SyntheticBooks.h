#pragma once
// Workbooks built record by record, shared by the reading and the damaged-input tests.
#include "WorkbookSupport.h"

#include <string>
#include <vector>

// Formula result bytes: a number, or a special value (0 text, 1 logical, 2 error).
Body NumberResult(Body b, double v);
Body SpecialResult(Body b, int type);

struct Biff2Cell {
    int row, column;
    enum { Label, Integer, Number, TextFormula } kind;
    int attr0, attr1, attr2;
    double number;
    std::string text;
};

// A protected BIFF2 sheet with five FORMAT records (General, 0.00, d/m/yy, h:mm,
// d/m/yy h:mm), columns 1-2 eleven wide, and the cells in the order given.
std::vector<uint8_t> Biff2Sheet(const std::vector<Biff2Cell>& cells);

// A protected BIFF3 sheet of 4 x 3 cells covering every cell record, four XFs,
// widths from DEFCOLWIDTH and COLINFO, a SELECTION record, and a record after the end.
Body Xf3(int format, int protection, int align);
std::vector<uint8_t> Biff3Sheet(int codepage = 1252);

// A BIFF4 workbook of the sheets Alpha, Beta and one with a 40-character name.
Body Xf4(int format);
std::vector<uint8_t> Biff4Workbook();

// BIFF5 globals (code page, date mode, a custom format 164, XFs: 0 plain, 1 built-in 14,
// 2 custom 164, 3 built-in 20 centred) and a 3 x 5 data sheet with MULRK,
// MULBLANK, SHRFMLA, labels, numbers and a text formula.
Body Xf5(int format, int align = 0);
std::vector<uint8_t> Biff5Globals(bool date1904);
std::vector<uint8_t> Biff5DataSheet();
