#include "settings/SettingCatalogue.h"

#include <ctime>

namespace dulo {

COleDateTime LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    double date = 0.0;
    if (now == std::time_t(-1) || !localtime_r(&now, &local) ||
        !CalendarToOleDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                           // A leap second counts as the last second of its minute.
                           local.tm_sec > 59 ? 59 : local.tm_sec, date))
        return COleDateTime(0.0, COleDateTime::invalid);
    return COleDateTime(date, COleDateTime::valid);
}

}  // namespace dulo

namespace {

COleDateTime CalendarDate(int year, int month, int day, int hour, int minute, int second) {
    double date = 0.0;
    if (!dulo::CalendarToOleDate(year, month, day, hour, minute, second, date))
        return COleDateTime(0.0, COleDateTime::invalid);
    return COleDateTime(date, COleDateTime::valid);
}

}  // namespace

CSettingCatalogue::CSettingCatalogue() {
    m_owned.reserve(kSettingCount);
    const COleDateTime now = dulo::LocalTimeNow();

#define NOW now
#define DATE(year, month, day, hour, minute, second) CalendarDate(year, month, day, hour, minute, second)
#define DULO_SETTING(name, type, value) Add##type(#name, value);
#include "settings/SettingCatalogue.def"
#undef DULO_SETTING
#undef DATE
#undef NOW
}

CSettingCatalogue::~CSettingCatalogue() = default;

void CSettingCatalogue::AddS(const char* name, const char* value) {
    m_owned.push_back(std::make_unique<CSettingStr>(*this, name, value));
}

void CSettingCatalogue::AddI(const char* name, int value) {
    m_owned.push_back(std::make_unique<CSettingInt>(*this, name, value));
}

void CSettingCatalogue::AddD(const char* name, double value) {
    m_owned.push_back(std::make_unique<CSettingDouble>(*this, name, value));
}

void CSettingCatalogue::AddT(const char* name, const COleDateTime& value) {
    m_owned.push_back(std::make_unique<CSettingDateTime>(*this, name, value));
}

namespace dulo {

const CSettingCatalogue& DefaultSettingsCatalogue() {
    static const CSettingCatalogue defaults;
    return defaults;
}

}  // namespace dulo

namespace {
// Build the defaults while the library loads, so that their StartDate is the load time.
[[maybe_unused]] const CSettingCatalogue& g_defaultsAtLoad = dulo::DefaultSettingsCatalogue();
}  // namespace
