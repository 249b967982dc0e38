#include "record/operation_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace tarnik::record {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int Get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

std::string Cannot(const std::string& what, const fs::path& path) {
  return "cannot " + what + " the log " + path.string() + ": " + std::strerror(errno);
}

int Open_For_Append(const fs::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}

void Read_Records(const fs::path& path, std::vector<Operation_Record>& records) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line))
    if (auto record = From_Json_Line(line)) records.push_back(std::move(*record));
}

}  // namespace

fs::path Operation_Log::Old_File() const { return fs::path(file_.string() + ".1"); }

std::optional<std::string> Operation_Log::Append(const Operation_Record& record) const {
  if (file_.empty()) return "no folder for the log: neither XDG_STATE_HOME nor HOME is set";
  std::error_code error;
  fs::create_directories(file_.parent_path(), error);
  const fs::path lock_path(file_.string() + ".lock");
  const Descriptor lock(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (lock.Get() < 0) return Cannot("lock", file_);
  // Waits for another program's append or rotation to end; each holds the
  // lock for one write.
  while (::flock(lock.Get(), LOCK_EX) != 0)
    if (errno != EINTR) return Cannot("lock", file_);
  return Append_Locked(To_Json_Line(record) + "\n");
}

std::optional<std::string> Operation_Log::Append_Locked(const std::string& line) const {
  Descriptor log(Open_For_Append(file_));
  if (log.Get() < 0) return Cannot("open", file_);
  struct stat status {};
  if (::fstat(log.Get(), &status) != 0) return Cannot("read", file_);
  const auto size = static_cast<std::uintmax_t>(status.st_size);
  if (size > 0 && size + line.size() > rotate_bytes_) {
    if (::rename(file_.c_str(), Old_File().c_str()) != 0) return Cannot("rotate", file_);
    log.Reset(Open_For_Append(file_));
    if (log.Get() < 0) return Cannot("open", file_);
  }
  const off_t before = ::lseek(log.Get(), 0, SEEK_END);
  const ssize_t written = ::write(log.Get(), line.data(), line.size());
  if (written == static_cast<ssize_t>(line.size())) return std::nullopt;
  const std::string reason = written < 0 ? Cannot("write", file_)
                                         : "cannot write the log " + file_.string() + ": it is full";
  // A part of a line is no record: it is taken back, under the lock. Should
  // that fail too, readers skip the torn line.
  if (before >= 0) static_cast<void>(::ftruncate(log.Get(), before) == 0);
  return reason;
}

std::vector<Operation_Record> Operation_Log::Read_All() const {
  std::vector<Operation_Record> records;
  Read_Records(Old_File(), records);
  Read_Records(file_, records);
  return records;
}

}  // namespace tarnik::record
