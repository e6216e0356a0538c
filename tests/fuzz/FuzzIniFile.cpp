// libFuzzer target: IniFile on arbitrary text. Every section and key it lists must be readable,
// and what it saves must load again with the same sections, keys and values. Their order and
// the comments may change: SimpleIni writes the section without a name first and attaches
// comments to entries by its own rules.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "base/IniFile.h"

using trevasc::IniFile;

namespace {

// Every section, key and value.
std::set<std::string> Entries(const IniFile& ini) {
    std::set<std::string> out;
    for (const std::string& section : ini.Sections()) {
        // The section without a name has no header line: without keys it is not written.
        if (!section.empty()) out.insert("[" + section + "]");
        for (const std::string& key : ini.Keys(section)) {
            if (!ini.HasKey(section, key)) std::abort();
            out.insert("[" + section + "]" + key + "=" + ini.ReadString(section, key, ""));
            ini.ReadInteger(section, key, 0);
            ini.ReadBool(section, key, false);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IniFile ini("");  // no file: the text comes from the fuzzer
    ini.LoadText(std::string_view(reinterpret_cast<const char*>(data), size));
    IniFile again("");
    again.LoadText(ini.Text());
    if (Entries(again) != Entries(ini)) std::abort();
    return 0;
}
