#pragma once
#include <stdexcept>
#include <string>

namespace trevasc {

// An action failed with a fixed message meant for the user's error box.
class TrevascError : public std::runtime_error {
  public:
    explicit TrevascError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace trevasc
