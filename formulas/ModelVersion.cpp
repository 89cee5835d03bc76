#include "formulas/ModelVersion.h"

#include <climits>
#include <tuple>

namespace {

// The value of the leading digits; 0 without any, INT_MAX when they overflow.
int LeadingNumber(std::string_view text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return INT_MAX;
    }
    return int(value);
}

}  // namespace

CModelVersion CModelVersion::Parse(std::string_view text) {
    size_t first = text.find('.');
    if (first == std::string_view::npos) return CModelVersion(0, 0, LeadingNumber(text));
    size_t last = text.rfind('.');
    int minor = last > first ? LeadingNumber(text.substr(first + 1, last - first - 1)) : 0;
    return CModelVersion(LeadingNumber(text.substr(0, first)), minor, LeadingNumber(text.substr(last + 1)));
}

bool CModelVersion::AtLeast(int x, int y, int z) const {
    return std::tie(m_major, m_minor, m_patch) >= std::tie(x, y, z);
}

// The flag came with three maintenance lines at once, so a later minor of an
// older line does not carry it.
bool CModelVersion::HasBlockWideFlag() const {
    if (m_major != 19) return m_major > 19;
    return m_minor > 9 || (m_minor == 9 && m_patch >= 112) || (m_minor == 8 && m_patch >= 25) ||
           (m_minor == 7 && m_patch >= 59);
}

// Early files of this line stored their parameters without a count.
bool CModelVersion::HasImpliedParameterCount() const { return m_major == 17 && m_minor >= 9 && m_patch <= 3; }
