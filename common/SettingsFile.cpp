#include "SettingsFile.h"

// The files are read and written as plain bytes (the programs' texts are
// 8-bit), so SimpleIni's wide-character converters are not wanted; Debian
// ships the header without the generic one anyway.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "IntegerText.h"

namespace fs = std::filesystem;

struct SettingsFile::Impl {
  // Section and key names compare without regard to case, as in Windows
  // profile files; values are kept byte for byte, without quoting and
  // without splitting lists.
  CSimpleIniA ini{/*a_bIsUtf8=*/false, /*a_bMultiKey=*/false, /*a_bMultiLine=*/false};
  std::string path;
  std::string readPath;

  Impl() { ini.SetSpaces(false); }  // "key=value", as Windows writes them
};

namespace {

// The user's configuration folder for the Lumidot tools:
// $XDG_CONFIG_HOME/lumidot, or ~/.config/lumidot when that is unset or not
// an absolute path.
fs::path ConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return fs::path(xdg) / "lumidot";
  const char* home = std::getenv("HOME");
  std::string homeDir = home != nullptr && home[0] != '\0' ? home : "";
  if (homeDir.empty()) {
    if (const passwd* entry = getpwuid(getuid())) homeDir = entry->pw_dir;
  }
  return fs::path(homeDir) / ".config" / "lumidot";
}

// Whether a settings file can be kept in folder: it is an existing folder
// that this process may write (access(2) asks the kernel, which also knows
// read-only mounts), and the file there, if any, may be written too.
bool CanKeepFileIn(const fs::path& folder, const std::string& fileName) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;
  if (access(folder.c_str(), W_OK | X_OK) != 0) return false;
  const fs::path file = folder / fileName;
  if (fs::exists(file, ec) && access(file.c_str(), W_OK) != 0) return false;
  return true;
}

// Writes all of data to fd; false on any error (the disk full included).
bool WriteAll(int fd, const std::string& data) {
  const char* next = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const ssize_t written = write(fd, next, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    next += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

// Flushes a folder's entries to disk, so a rename inside it survives a
// power loss. Some file systems cannot sync a folder; the file itself is
// already safe then, so that is no error.
void SyncFolder(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Replaces the file at path by data: a temporary file in the same folder is
// written and flushed, then renamed over the old file, so a reader sees the
// old file or the new one, never a part. The temporary file is removed on
// every failure.
bool ReplaceFile(const fs::path& path, const std::string& data) {
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec) return false;
  }

  std::string tempName = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = mkostemp(tempName.data(), O_CLOEXEC);
  if (fd < 0) return false;

  // mkostemp makes the file for its owner only; keep the old file's mode,
  // or give a new one the usual mode.
  struct stat old {};
  mode_t mode;
  if (stat(path.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }

  const bool written = fchmod(fd, mode) == 0 && WriteAll(fd, data) && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (!written || !closed || rename(tempName.c_str(), path.c_str()) != 0) {
    unlink(tempName.c_str());
    return false;
  }
  SyncFolder(folder);
  return true;
}

}  // namespace

SettingsFile::SettingsFile() : impl_(std::make_unique<Impl>()) {}
SettingsFile::SettingsFile(SettingsFile&&) noexcept = default;
SettingsFile& SettingsFile::operator=(SettingsFile&&) noexcept = default;
SettingsFile::~SettingsFile() = default;

SettingsFile SettingsFile::ForProgram(const std::string& exeDir, const std::string& fileName) {
  const fs::path besideProgram = fs::path(exeDir) / fileName;
  if (CanKeepFileIn(exeDir, fileName)) return AtPath(besideProgram.string());

  SettingsFile settings = AtPath((ConfigFolder() / fileName).string());
  // Until the first save in the configuration folder, the copy that came
  // with the program (if any) gives the values.
  std::error_code ec;
  if (!fs::exists(settings.impl_->path, ec) && fs::exists(besideProgram, ec)) {
    settings.impl_->readPath = besideProgram.string();
  }
  return settings;
}

SettingsFile SettingsFile::AtPath(const std::string& path) {
  SettingsFile settings;
  settings.impl_->path = path;
  settings.impl_->readPath = path;
  return settings;
}

bool SettingsFile::Load() {
  impl_->ini.Reset();
  std::error_code ec;
  const fs::file_status status = fs::status(impl_->readPath, ec);
  // A missing file only means "all defaults"; anything else that is not a
  // readable file is an error.
  if (status.type() == fs::file_type::not_found) return true;
  if (status.type() != fs::file_type::regular) return false;
  std::ifstream in(impl_->readPath, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return false;
  const std::string text = content.str();
  return impl_->ini.LoadData(text.data(), text.size()) >= 0;
}

std::string SettingsFile::GetString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
  const char* value = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return value != nullptr ? std::string(value) : fallback;
}

int32_t SettingsFile::GetInteger(const std::string& section, const std::string& key,
                                 int32_t fallback) const {
  const char* value = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  if (value == nullptr) return fallback;
  return ParseInteger(value).value_or(fallback);
}

bool SettingsFile::GetBool(const std::string& section, const std::string& key, bool fallback) const {
  return GetInteger(section, key, fallback ? 1 : 0) != 0;
}

void SettingsFile::SetString(const std::string& section, const std::string& key,
                             const std::string& value) {
  // A value is one line of the file: a line break inside it would end the
  // value there and turn the rest into lines of its own.
  std::string oneLine = value;
  for (char& c : oneLine) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  impl_->ini.SetValue(section.c_str(), key.c_str(), oneLine.c_str());
}

void SettingsFile::SetInteger(const std::string& section, const std::string& key, int32_t value) {
  SetString(section, key, std::to_string(value));
}

void SettingsFile::SetBool(const std::string& section, const std::string& key, bool value) {
  SetString(section, key, value ? "1" : "0");
}

std::optional<std::string> SettingsFile::Save() {
  std::string data;
  if (impl_->ini.Save(data) < 0 || !ReplaceFile(impl_->path, data)) {
    return "Unable to write to " + impl_->path;
  }
  // From now on this file holds the settings, whichever copy was read.
  impl_->readPath = impl_->path;
  return std::nullopt;
}

const std::string& SettingsFile::Path() const { return impl_->path; }
const std::string& SettingsFile::ReadPath() const { return impl_->readPath; }
