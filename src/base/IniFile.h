#pragma once
// INI file access: read and write strings, integers and booleans, list sections and keys in
// file order. Writing goes through a temporary file and a rename.
//
// Values with a control character (a line break, say) or with spaces at either end could not be
// stored as they are: they would add lines of their own or lose the spaces. Such a value, and
// one that begins with a double quote, is written as "..." with %XX for the control
// characters, '%' and '"'; ReadString decodes a value that stands in double quotes. Every other
// value (every ordinary path) is written and read unchanged.
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

    // Loads the file if it exists; a missing file gives an empty document. A file that exists but
    // cannot be read whole (unreadable, not a regular file, or holding NUL bytes) gives what
    // could be read of it, and Problem() says why: such a file is never written back.
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
    // Why the file could not be read whole; empty when it was (or does not exist).
    const std::string& Problem() const { return problem_; }

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

    // Throws TrevascError for a section or key name the file could not hold as it is: a control
    // character, "]" in a section name; "=", or a leading "[", ";" or "#", in a key name; spaces
    // at either end of either. The value is encoded where needed (see above).
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, long long value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void EraseSection(const std::string& section);
    // Removes one key (nothing happens when it is absent).
    void EraseKey(const std::string& section, const std::string& key);

    // Saves atomically; throws TrevascError on failure, and with Problem() as the message when the
    // file was not read whole.
    void Save() const;
    // Save() that swallows write errors (configuration writes are not reported to the user).
    bool TrySave() const noexcept;

  private:
    struct Impl;
    std::string fileName_;
    bool loaded_ = false;
    std::string problem_;
    std::unique_ptr<Impl> impl_;
};

// The encoding of INI values described above.
std::string EncodeIniValue(std::string_view value);
std::string DecodeIniValue(std::string_view stored);

}  // namespace trevasc
