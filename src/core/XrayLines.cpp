#include "core/XrayLines.h"

#include <climits>
#include <cmath>
#include <filesystem>

#include "base/Error.h"
#include "base/FileLock.h"
#include "base/IniFile.h"
#include "base/NumberText.h"

namespace trevasc {

std::vector<std::string> XrayLineTable::Names() const {
    return IniFile(path_).Keys("ENERGY");
}

double XrayLineTable::Energy(const std::string& name, char decimalSeparator) const {
    const std::string text = IniFile(path_).ReadString("ENERGY", name, "8000");
    double energy = 0.0;
    try {
        energy = ParseFloat(ToLocalDecimal(text, decimalSeparator));
    } catch (const TrevascError& e) {
        throw XrayLineEnergyError(e.what(), name, text);
    }
    // 0 would fail in EnergyToWavelength anyway; a negative energy would give a negative
    // wavelength that the fields clamp, so every calculation would run with a made-up value.
    if (energy == 0.0) throw XrayLineEnergyError(kZeroDivideMessage, name, text);
    if (!(energy > 0.0) || !std::isfinite(energy))
        throw XrayLineEnergyError("'" + text + "' is no photon energy above 0 eV", name, text);
    return energy;
}

int XrayLineTable::DefaultEnergyIndex() const {
    const long long v = IniFile(path_).ReadInteger("CONFIG", "DEFAULTENERGY", 0);
    return (v < INT_MIN || v > INT_MAX) ? -1 : static_cast<int>(v);
}

namespace {
constexpr const char* kTypedEnergyKey = "TYPEDENERGY";
constexpr const char* kTypedWavelengthKey = "TYPEDWAVELENGTH";
}  // namespace

std::optional<TypedXrayValue> XrayLineTable::StoredTypedValue() const {
    const IniFile ini(path_);
    for (const auto field : {TypedXrayValue::Field::Energy, TypedXrayValue::Field::Wavelength}) {
        const char* key =
            field == TypedXrayValue::Field::Energy ? kTypedEnergyKey : kTypedWavelengthKey;
        if (!ini.HasKey("CONFIG", key)) continue;
        const std::string text(Trim(ini.ReadString("CONFIG", key, "")));
        // Zero has no conversion and would only bring up a message at every start.
        const std::optional<double> value = TryParseFloat(text);
        if (!value || !(*value > 0.0)) return std::nullopt;
        return TypedXrayValue{field, ToLocalDecimal(text, '.')};
    }
    return std::nullopt;
}

void XrayLineTable::WriteDefaultEnergyIndex(int index,
                                            const std::optional<TypedXrayValue>& typed) const {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path_, ec)) return;
    try {
        const FileLock lock(path_);
        IniFile ini(path_);
        if (!ini.Loaded()) return;  // never replace a file that could not be read
        ini.WriteInteger("CONFIG", "DEFAULTENERGY", index);
        ini.EraseKey("CONFIG", kTypedEnergyKey);
        ini.EraseKey("CONFIG", kTypedWavelengthKey);
        if (index < 0 && typed)
            ini.WriteString("CONFIG",
                            typed->Which == TypedXrayValue::Field::Energy ? kTypedEnergyKey
                                                                          : kTypedWavelengthKey,
                            ToLocalDecimal(Trim(typed->Text), '.'));
        ini.TrySave();  // refused for a file not read whole
    } catch (const TrevascError&) {
        // No lock, no write: this setting is not worth a message.
    }
}

}  // namespace trevasc
