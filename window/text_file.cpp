#include "window/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "window/errors.h"

namespace tarnik {

std::vector<std::string> Split_Text_Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  bool open_line = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\x1A') break;
    if (c == '\r') {
      lines.push_back(std::move(line));
      line.clear();
      open_line = false;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      continue;
    }
    line += c;
    open_line = true;
  }
  if (open_line) lines.push_back(std::move(line));
  return lines;
}

Bounded_File Read_Bounded_File(const std::string& path, std::size_t limit) {
  Bounded_File file;
  std::error_code error;
  // A folder opens like a file here and then reads as empty; it is no file.
  if (std::filesystem::is_directory(path, error)) return file;
  std::ifstream in(path, std::ios::binary);
  if (!in) return file;
  std::string bytes;
  std::string block(64 * 1024, '\0');
  while (in) {
    // One byte past the limit tells a file of exactly `limit` bytes from a
    // longer one.
    const std::size_t room = limit + 1 - bytes.size();
    in.read(block.data(), static_cast<std::streamsize>(std::min(block.size(), room)));
    bytes.append(block.data(), static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > limit) {
      file.too_long = true;
      return file;
    }
  }
  if (in.bad()) return file;
  file.bytes = std::move(bytes);
  return file;
}

std::optional<std::string> Read_Whole_File(const std::string& path) {
  return Read_Bounded_File(path).bytes;
}

std::string Too_Long_Text(const std::string& path, std::size_t limit) {
  return path + " is longer than " + std::to_string(limit) + " bytes";
}

std::string Not_Integer_Text(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid integer value";
}

namespace {

int Digit_Value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

}  // namespace

int32_t Str_To_Int(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  int base = 10;
  if (at < text.size() && text[at] == '$') {
    base = 16;
    ++at;
  } else if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  if (at == text.size()) throw Handler_Error(Not_Integer_Text(text));
  int64_t value = 0;
  for (; at < text.size(); ++at) {
    const int digit = Digit_Value(text[at]);
    if (digit >= base) throw Handler_Error(Not_Integer_Text(text));
    value = value * base + digit;
    if (value > int64_t{INT32_MAX} + 1) throw Handler_Error(Not_Integer_Text(text));
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) throw Handler_Error(Not_Integer_Text(text));
  return static_cast<int32_t>(value);
}

namespace {

// Writes and closes; a short write or a failed close (a full disk, a
// file-size limit) shows only at the close.
bool Write_And_Close(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return !out.fail();
}

bool Write_All(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// The process's umask, read once: reading it means setting it, which must
// not race with files being created.
mode_t Process_Umask() {
  static const mode_t mask = [] {
    const mode_t value = ::umask(0);
    ::umask(value);
    return value;
  }();
  return mask;
}

// The mode a new file gets: the replaced file's, or what the user's umask
// leaves of rw-rw-rw-.
mode_t Mode_For(const std::string& target) {
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) return old.st_mode & 07777;
  return static_cast<mode_t>(0666 & ~Process_Umask());
}

// Flushes a folder's entries, so that a rename in it survives a power cut.
void Sync_Folder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes the whole text to `fd` and on to the disk, then closes it.
bool Write_Synced(int fd, const std::string& text, mode_t mode) {
  const bool whole = Write_All(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  return ::close(fd) == 0 && whole;
}

}  // namespace

bool Write_File_Atomically(const std::string& path, const std::string& text) {
  std::error_code error;
  // A link is kept a link: its target is what gets replaced.
  std::string target = path;
  if (std::filesystem::is_symlink(path, error)) {
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    if (!error) target = resolved.string();
  }
  // A device or a pipe cannot be replaced; it takes the text as it comes.
  const std::filesystem::file_status status = std::filesystem::status(target, error);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
    return Write_And_Close(target, text);
  // The temporary file is created exclusively under a name made up here, in
  // the target's folder so that the rename stays within one file system: it
  // can never be a file the user keeps, nor another save's.
  const std::filesystem::path target_path(target);
  const std::filesystem::path folder =
      target_path.has_parent_path() ? target_path.parent_path() : std::filesystem::path(".");
  std::string temporary = (folder / ("." + target_path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  if (!Write_Synced(fd, text, Mode_For(target)) ||
      ::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  Sync_Folder(folder);
  return true;
}

}  // namespace tarnik
