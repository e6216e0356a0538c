#pragma once
// A line of the clipboard reflection table for tests of the tabs and the batch tool.
#include <string>

namespace trevasc::test {

// Two reflections: d in columns 1-7, h k l in 12-20, the second at 24 and 35; a third reflection
// of d 0 (ignored by the reader) and "I" in column 80.
inline std::string ReflectionTableLine(const char* d1, const char* hkl1, const char* d2,
                                       const char* hkl2) {
    std::string s(80, ' ');
    s.replace(0, std::string(d1).size(), d1);
    s.replace(11, std::string(hkl1).size(), hkl1);
    s.replace(23, std::string(d2).size(), d2);
    s.replace(34, std::string(hkl2).size(), hkl2);
    s.replace(46, 1, "0");
    s.replace(57, 9, "  0  0  0");
    s[79] = 'I';
    return s;
}

}  // namespace trevasc::test
