#pragma once
// What happens when a row name comes again. Two reads meet repeated names and
// each has rules of its own; they stand here side by side so that a change to
// one is made knowing the other.
//
//                      across workbooks              within one table
//                      (CDuloIoTable's keyed merge)  (the keyed array of the exports)
//  numbers differ      by more than 1e-6             by more than 1e-6
//  dates differ        by half a second or more      by any amount
//  texts differ        by any byte                   by any byte
//  exempt tables       PDIST PGUESS NCRDCUTS TESTRUN, the same four,
//                      in any letter case            exactly as written
//  never a conflict    ROWNAMES and TEXT columns     TEXT takes the later value;
//                                                    ROWNAMES keeps a name it has
//  event tables        RECEIVE, SHIP (any case):     -
//                      rows of one name stand side
//                      by side; one date twice is
//                      reported
//  repeats fail        -                             QBML
// An exempt table keeps the first value of a conflicting cell; any other table
// fails its read with the conflict.
#include <string_view>

namespace dulo {

struct RepeatedRowsAcrossWorkbooks {
    static constexpr double kNumberTolerance = 1e-6;
    static constexpr double kDateTolerance = 5.787037037037037e-6;  // half a second, in days
    static bool IsExemptTable(std::string_view name);
    static bool IsEventTable(std::string_view name);
};

struct RepeatedRowsWithinTable {
    static constexpr double kNumberTolerance = 1e-6;
    static bool IsExemptTable(std::string_view name);
    static bool RepeatsFail(std::string_view name) { return name == "QBML"; }
    static bool TakesLaterValue(std::string_view column) { return column == "TEXT"; }
};

}  // namespace dulo
