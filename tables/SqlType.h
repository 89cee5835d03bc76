#pragma once
// ODBC SQL type codes of the cell kinds and column types. Named apart from the
// ODBC headers' macros so that both can be included together.
namespace SqlType {
enum : short {
    Unknown = 0,
    Char = 1,
    Numeric = 2,
    Decimal = 3,
    Integer = 4,
    SmallInt = 5,
    Float = 6,
    Real = 7,
    Double = 8,
    Date = 9,
    Time = 10,
    TimeStamp = 11,
    VarChar = 12,
    LongVarChar = -1,
    Bit = -7,
    TinyInt = -6,
};
}  // namespace SqlType
