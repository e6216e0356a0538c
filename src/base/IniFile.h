#pragma once
// INI file access: read and write strings, integers and booleans, list sections and keys in
// file order. Writing goes through a temporary file and a rename.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trevasc {

class IniFile {
  public:
    // What becomes of a key that a section holds more than once (hand-edited files).
    enum class RepeatedKeys {
        // One key with the value of its last occurrence; Save writes it once.
        LastWins,
        // Every occurrence stays: Keys lists each in file order, ReadString gives the value of
        // the first (as the Windows profile functions read such a file). Save writes every value,
        // the occurrences of a key together at its first place, under its first spelling.
        // WriteString replaces every occurrence of its key by one.
        KeepEach,
    };

    // Loads the file if it exists; a missing or unreadable file gives an empty document.
    explicit IniFile(std::string fileName, RepeatedKeys repeated = RepeatedKeys::LastWins);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Replaces the document with `text`, read as the content of an INI file.
    void LoadText(std::string_view text);
    // The document as Save writes it.
    std::string Text() const;

    const std::string& FileName() const { return fileName_; }
    bool Loaded() const { return loaded_; }

    // Section names in file order.
    std::vector<std::string> Sections() const;
    // Key names of a section in file order (with KeepEach, a repeated key once per occurrence).
    std::vector<std::string> Keys(const std::string& section) const;
    bool HasKey(const std::string& section, const std::string& key) const;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // Decimal integers; "$" or "0x" prefixed hexadecimal also read. Unreadable: def.
    long long ReadInteger(const std::string& section, const std::string& key, long long def) const;
    // "1"/"0" (also "true"/"false"); unreadable: def.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, long long value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void EraseSection(const std::string& section);
    // Removes one key (nothing happens when it is absent).
    void EraseKey(const std::string& section, const std::string& key);

    // Saves atomically; throws TrevascError on failure.
    void Save() const;
    // Save() that swallows write errors (configuration writes are not reported to the user).
    bool TrySave() const noexcept;

  private:
    struct Impl;
    std::string fileName_;
    bool loaded_ = false;
    std::unique_ptr<Impl> impl_;
};

}  // namespace trevasc
