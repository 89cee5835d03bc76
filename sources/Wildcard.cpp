#include "sources/Wildcard.h"

#include <algorithm>
#include <string_view>

namespace {

const char* Text(const char* s) { return s ? s : ""; }

}  // namespace

bool WildcardMatch(const char* text, const char* pattern) {
    std::string_view t = Text(text), p = Text(pattern);
    // The common cases: every text, and a plain name.
    if (p == "*") return true;
    if (p.find_first_of("*?") == std::string_view::npos) return t == p;
    // The set of pattern positions reachable after the characters read so far.
    // A "*" may be skipped only before a character is read, which gives the
    // end rule: a used-up text leaves a rest of "" or "*" only.
    std::vector<char> states(p.size() + 1, 0), next(p.size() + 1, 0);
    states[0] = 1;
    for (char c : t) {
        for (size_t j = 0; j < p.size(); ++j)
            if (states[j] && p[j] == '*') states[j + 1] = 1;
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (size_t j = 0; j < p.size(); ++j) {
            if (!states[j]) continue;
            if (p[j] == '*') next[j] = 1, any = true;
            else if (p[j] == '?' || p[j] == c) next[j + 1] = 1, any = true;
        }
        if (!any) return false;
        states.swap(next);
    }
    for (size_t j = 0; j <= p.size(); ++j)
        if (states[j] && (j == p.size() || p.substr(j) == "*")) return true;
    return false;
}

std::vector<std::string> SplitSelection(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            items.push_back(text.substr(start));
            return items;
        }
        items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}
