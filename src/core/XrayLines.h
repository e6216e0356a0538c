#pragma once
// X-ray line table (xray.ini): the tube lines and their energies. The conversions between energy,
// wavelength, spacing and angle are in DiffractionGeometry.h.
#include <optional>
#include <string>
#include <vector>

#include "base/Error.h"
#include "core/DiffractionGeometry.h"

namespace trevasc {

// A number the user typed into the energy or the wavelength field of an X-ray tube selector.
struct TypedXrayValue {
    enum class Field { Energy, Wavelength };
    Field Which = Field::Energy;
    std::string Text;  // as typed, trimmed, with "." as decimal mark
};

// A stored transition energy that gives no wavelength: no number, 0 or negative. what() is the
// message a selector shows (the conversion message, the division message for 0); Line() and
// Value() name the damaged entry for reports outside a window.
class XrayLineEnergyError : public TrevascError {
  public:
    XrayLineEnergyError(const std::string& message, std::string line, std::string value)
        : TrevascError(message), line_(std::move(line)), value_(std::move(value)) {}
    const std::string& Line() const { return line_; }
    const std::string& Value() const { return value_; }

  private:
    std::string line_;
    std::string value_;
};

// The transitions of xray.ini: names (keys of section ENERGY in file order) and energies in eV.
// Nothing is cached: every call reads the file again, so hand edits take effect at once.
class XrayLineTable {
  public:
    explicit XrayLineTable(std::string xrayIniPath) : path_(std::move(xrayIniPath)) {}

    const std::string& Path() const { return path_; }
    // Key names of section ENERGY in file order; empty when the file is missing.
    std::vector<std::string> Names() const;
    // Energy of a transition: the key's value (default "8000") with "." or "," as decimal mark.
    // Every caller gets a usable energy or an XrayLineEnergyError: a value that is not a number
    // (float conversion message), 0 (the division message its wavelength would give) or a
    // negative or infinite value.
    double Energy(const std::string& name, char decimalSeparator = '.') const;
    // CONFIG/DEFAULTENERGY: the list index selected at the last program end (default 0).
    int DefaultEnergyIndex() const;
    // The value typed at the last program end when no line was selected: CONFIG/TYPEDENERGY or
    // CONFIG/TYPEDWAVELENGTH. None when neither is there or the text is no number above 0
    // (a hand edit): the selector then starts as without it.
    std::optional<TypedXrayValue> StoredTypedValue() const;
    // Stores CONFIG/DEFAULTENERGY and, with index -1, the typed value beside it (the key of the
    // other field, or both keys without a typed value, are removed), atomically; write errors
    // are ignored. A missing xray.ini is not created just for these keys: it would stop the file
    // from being seeded at the next start.
    void WriteDefaultEnergyIndex(int index,
                                 const std::optional<TypedXrayValue>& typed = std::nullopt) const;

  private:
    std::string path_;
};

}  // namespace trevasc
