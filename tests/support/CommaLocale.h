#pragma once
// The C library's numbers with a decimal comma, as on a desktop whose environment asks for it
// (Qt sets the C locale from the environment).
#include <clocale>
#include <cstdlib>
#include <string>

#include "support/TempDir.h"

namespace trevasc::test {

// Builds a locale with nothing but LC_NUMERIC (decimal mark ",", "." grouping), so that the
// tests need no installed locales, and puts it in force for its lifetime.
class CommaLocale {
  public:
    CommaLocale() {
        const std::string source = dir_.Write("comma.src",
                                              "LC_NUMERIC\n"
                                              "decimal_point \"<U002C>\"\n"
                                              "thousands_sep \"<U002E>\"\n"
                                              "grouping 3;3\n"
                                              "END LC_NUMERIC\n");
        // -c: the other categories are missing on purpose (localedef then answers 1).
        std::system(
            ("localedef -c -i '" + source + "' '" + dir_.File("xx_XX") + "' 2>/dev/null").c_str());
        ::setenv("LOCPATH", dir_.Path().c_str(), 1);
        active_ = std::setlocale(LC_NUMERIC, "xx_XX") != nullptr;
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, "C");
        ::unsetenv("LOCPATH");
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    bool Active() const { return active_; }

  private:
    TempDir dir_;
    bool active_ = false;
};

}  // namespace trevasc::test
