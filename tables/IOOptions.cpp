// Option defaults.
#include "tables/IOOptions.h"

#include "platform/AutoDestructArray.h"

#include <algorithm>

namespace {

// Word 3 has no default of its own; it starts at 0 rather than undefined.
constexpr int32_t kDefaults[CIOOptions::kWordCount] = {1, 0, 0, 1, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0,
                                                       0, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 0};

}  // namespace

CIOOptions::CIOOptions() { std::copy(std::begin(kDefaults), std::end(kDefaults), m_Words); }

int32_t CIOOptions::GetWord(int n) const {
    if (n < 1 || n > kWordCount) throw CInvalidArgException("option word out of range");
    return m_Words[n - 1];
}

void CIOOptions::SetWord(int n, int32_t value) {
    if (n < 1 || n > kWordCount) throw CInvalidArgException("option word out of range");
    m_Words[n - 1] = value;
}
