#pragma once
// The one workbook kept open between table reads, so that successive tables of
// one workbook share a single open reader. Process-wide; the host serialises
// its calls, so there is no lock.
#include <memory>
#include <string>

class TWksIO;

namespace dulo::WorkbookCache {

// The cached workbook when one is cached, the sheet name is non-empty and path
// names the cached file (compared without regard to case, as model files were
// written on Windows; two spellings that are different files never match).
// Otherwise the cache is emptied and the result is null.
std::shared_ptr<TWksIO> Lookup(const std::string& path, const std::string& sheet);

// Keeps workbook open under path when the sheet name is non-empty and it is of
// a kind that keeps (BIFF5 or read through the spreadsheet application), and
// returns true. Otherwise the cache is emptied and the result is false.
// The cache shares the workbook with its users: emptying it closes a workbook
// only once no open table uses it any more.
bool Register(const std::shared_ptr<TWksIO>& workbook, const std::string& path, const std::string& sheet);

// Lets go of the cached workbook and forgets its path.
void Empty();

// Whether workbook is the cached one (and so owned by the cache).
bool Holds(const TWksIO* workbook);
// The cached workbook and its path; null and empty when nothing is cached.
TWksIO* Cached();
const std::string& CachedPath();

}  // namespace dulo::WorkbookCache
