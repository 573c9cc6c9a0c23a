#pragma once
// A program's settings file in the Windows INI layout (sections in
// brackets, key=value lines), read once at start and written once at close.
// Keys the program does not know are kept as they are.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class SettingsFile {
public:
  // The settings file fileName ("signview.INI") of a program whose
  // executable lies in exeDir. It lives next to the executable; when that
  // folder cannot be written (an installed program) it lives in the user's
  // configuration folder instead ($XDG_CONFIG_HOME/lumidot, by default
  // ~/.config/lumidot), and is read from there first.
  static SettingsFile ForProgram(const std::string& exeDir, const std::string& fileName);
  // A settings file at exactly this path (tests, tools).
  static SettingsFile AtPath(const std::string& path);

  SettingsFile(SettingsFile&&) noexcept;
  SettingsFile& operator=(SettingsFile&&) noexcept;
  ~SettingsFile();

  // Reads the file. A missing file is no error: every key then gives its
  // default. Returns false only when a file exists but cannot be read.
  bool Load();

  // The value of key in section, or fallback when the key is missing.
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& fallback) const;
  // An integer: decimal, or hexadecimal with "$", "0x" or "0X"; a missing
  // key, an empty value or any other text gives fallback.
  int32_t GetInteger(const std::string& section, const std::string& key, int32_t fallback) const;
  // A boolean, read as an integer with the fallback 0 or 1; any value other
  // than 0 is true.
  bool GetBool(const std::string& section, const std::string& key, bool fallback) const;

  // Sets a value; a line break in value is stored as a blank, since a value
  // is one line of the file.
  void SetString(const std::string& section, const std::string& key, const std::string& value);
  void SetInteger(const std::string& section, const std::string& key, int32_t value);  // decimal
  void SetBool(const std::string& section, const std::string& key, bool value);        // "1"/"0"

  // Writes the file so that a crash or power loss never leaves it damaged
  // or empty: a new file beside it, flushed to disk, then renamed over the
  // old one. Creates the configuration folder when needed. Returns an error
  // message naming the file when it cannot be written, else nothing.
  std::optional<std::string> Save();

  // The file that Save writes (and Load reads, unless ReadPath differs).
  const std::string& Path() const;
  // The file that Load reads.
  const std::string& ReadPath() const;

private:
  SettingsFile();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
