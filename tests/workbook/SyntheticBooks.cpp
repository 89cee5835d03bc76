#include "SyntheticBooks.h"

#include "sources/workbook/BiffFormat.h"

using namespace dulo::biff;

// Formula result bytes: a number, or a typed special value (0 text, 1 logical, 2 error).
Body NumberResult(Body b, double v) { return b.f64(v); }
Body SpecialResult(Body b, int type) { return b.u8(type).u8(0).u8(0).u8(0).u8(0).u8(0).u16(0xFFFF); }


std::vector<uint8_t> Biff2Sheet(const std::vector<Biff2Cell>& cells) {
    BiffWriter w;
    w.Record(kBof2, Body().u16(2).u16(0x10));
    for (const char* f : {"General", "0.00", "d/m/yy", "h:mm", "d/m/yy h:mm"}) w.Record(kFormat2, Body().str8(f));
    w.Record(kColWidth2, Body().u8(1).u8(2).u16(0x0A4A));
    w.Record(kProtect, Body().u16(1));
    for (const Biff2Cell& c : cells) {
        Body b = CellHead2(c.row, c.column, c.attr0, c.attr1, c.attr2);
        switch (c.kind) {
            case Biff2Cell::Label: w.Record(kLabel2, b.str8(c.text)); break;
            case Biff2Cell::Integer: w.Record(kInteger2, b.u16(int(c.number))); break;
            case Biff2Cell::Number: w.Record(kNumber2, b.f64(c.number)); break;
            case Biff2Cell::TextFormula:
                w.Record(kFormula2, SpecialResult(b, 0).u8(0).u8(0));
                w.Record(kString2, Body().str8(c.text));
                break;
        }
    }
    w.Record(kEof);
    return w.Bytes();
}

Body Xf3(int format, int protection, int align) {
    return Body().u8(0).u8(format).u8(protection).u8(0).u16(align).u16(0).u16(0).u16(0);
}

std::vector<uint8_t> Biff3Sheet(int codepage) {
    BiffWriter w;
    w.Record(kBof3, Body().u16(3).u16(0x10));
    w.Record(kCodePage, Body().u16(codepage));
    w.Record(kDefColWidth, Body().u16(12));
    w.Record(kColInfo, Body().u16(2).u16(3).u16(0x0A4A).u16(0).u16(0).u16(0));
    w.Record(kColInfo, Body().u16(4).u16(300).u16(0x0A49).u16(0).u16(0).u16(0));
    for (const char* f : {"General", "0.00", "[Red]dd/mm/yyyy", "\"hours\" 0"}) w.Record(kFormat2, Body().str8(f));
    w.Record(kXf3, Xf3(0, 0x01, 0));   // 0: locked
    w.Record(kXf3, Xf3(2, 0x00, 3));   // 1: date, right aligned
    w.Record(kXf3, Xf3(3, 0x00, 1));   // 2: quoted text only, left aligned
    w.Record(kXf3, Xf3(99, 0x00, 0));  // 3: a format index beyond the list
    w.Record(kProtect, Body().u16(1));
    w.Record(kDimensions, Body().u16(0).u16(4).u16(0).u16(3));
    w.Record(kLabel, CellHead(0, 0, 0).str16("Cr\xE8me"));
    w.Record(kNumber, CellHead(0, 1, 1).f64(45000));
    w.Record(kRk, CellHead(0, 2, 2).u32(302));
    w.Record(kRk, CellHead(1, 0, 50).u32(303));  // an XF index beyond the list
    w.Record(kRString, CellHead(1, 1, 3).str16("rich").u8(1).u8(0).u8(0));
    w.Record(kBlank, CellHead(1, 2, 0));
    w.Record(kBoolErr, CellHead(2, 0, 0).u8(1).u8(0));
    w.Record(kFormula3, NumberResult(CellHead(2, 1, 0), 2.5).u16(0).u16(0));
    w.Record(kFormula3, SpecialResult(CellHead(2, 2, 0), 2).u16(0).u16(0));
    w.Record(kFormula3, SpecialResult(CellHead(3, 0, 3), 0).u16(0).u16(0));
    w.Record(kArray, Body().u16(3).u16(3).u8(0).u8(0).u16(0));
    w.Record(kString, Body().str16("via array"));
    w.Record(kLabel, CellHead(3, 1, 3).str16("-5"));
    w.Record(kLabel, CellHead(3, 2, 1).str16("r"));
    w.Record(kSelection, Body().u8(3).u16(2).u16(1).u16(0).u16(1).u16(2).u16(2).u8(1).u8(1));
    w.Record(kEof);
    w.Record(kLabel, CellHead(0, 0, 0).str16("after the end"));
    return w.Bytes();
}

Body Xf4(int format) { return Body().u8(0).u8(format).u8(0).u8(0).u16(0).u16(0).u16(0).u16(0); }

std::vector<uint8_t> Biff4Workbook() {
    BiffWriter w;
    w.Record(kBof4, Body().u16(4).u16(0x0100));
    w.Record(kBundleSheet, Body().u32(0).str8("Alpha"));
    w.Record(kBof4, Body().u16(4).u16(0x10));
    w.Record(kDimensions, Body().u16(0).u16(1).u16(0).u16(1));
    w.Record(kLabel, CellHead(0, 0, 0).str16("alpha cell"));
    w.Record(kEof);
    w.Record(kBundleSheet, Body().u32(0).str8("Beta"));
    w.Record(kBof4, Body().u16(4).u16(0x10));
    w.Record(kFormat4, Body().u16(0).str8("General"));
    w.Record(kFormat4, Body().u16(0).str8("d/m/yy"));
    w.Record(kXf4, Xf4(0));
    w.Record(kXf4, Xf4(1));
    w.Record(kDimensions, Body().u16(0).u16(2).u16(0).u16(2));
    w.Record(kNumber, CellHead(0, 0, 1).f64(45000));
    w.Record(kFormula4, NumberResult(CellHead(1, 1, 0), 6).u16(0).u16(0));
    w.Record(kEof);
    w.Record(kBundleSheet, Body().u32(0).str8(std::string(40, 'L')));
    w.Record(kBof4, Body().u16(4).u16(0x10));
    w.Record(kEof);
    w.Record(kEof);
    return w.Bytes();
}

Body Xf5(int format, int align) {
    return Body().u16(0).u16(format).u16(0x0001).u8(align).u8(0).u32(0).u32(0);
}

std::vector<uint8_t> Biff5Globals(bool date1904) {
    BiffWriter g;
    g.Record(kCodePage, Body().u16(1252));
    g.Record(kDateMode, Body().u16(date1904 ? 1 : 0));
    g.Record(kFormat4, Body().u16(164).str8("yyyy-mm-dd"));
    g.Record(kXf5, Xf5(0));
    g.Record(kXf5, Xf5(14));
    g.Record(kXf5, Xf5(164));
    g.Record(kXf5, Xf5(20, 2));
    return g.Bytes();
}

std::vector<uint8_t> Biff5DataSheet() {
    BiffWriter s;
    s.Record(kDimensions, Body().u16(0).u16(3).u16(0).u16(5));
    s.Record(kMulRk, Body().u16(0).u16(1).u16(0).u32(302).u16(0).u32(0x3FF00000).u16(1).u32(303).u16(3));
    s.Record(kMulBlank, Body().u16(1).u16(0).u16(0).u16(0).u16(0).u16(2));
    s.Record(kShrFmla, Body().u16(2).u16(2).u8(0).u8(1).u16(0).u16(0));
    s.Record(kLabel, CellHead(1, 3, 0).str16("after"));
    s.Record(kRk, CellHead(1, 4, 2).u32(uint32_t(45001 << 2) | 2));
    s.Record(kNumber, CellHead(2, 0, 1).f64(45000.5));
    s.Record(kNumber, CellHead(2, 1, 3).f64(0.25));
    s.Record(kFormula2, SpecialResult(CellHead(2, 2, 0), 0).u16(0).u32(0).u16(0));
    s.Record(kString, Body().str16("biff5 text"));
    return s.Bytes();
}
