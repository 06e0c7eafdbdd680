#include "foundation/text_case.h"

namespace {

char foldedLetter(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldedLetter(a[i]) != foldedLetter(b[i])) return false;
    return true;
}
