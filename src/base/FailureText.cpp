#include "base/FailureText.h"

#include <exception>
#include <new>

namespace trevasc {

std::string CurrentFailureText() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    }
}

}  // namespace trevasc
