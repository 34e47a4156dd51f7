#include "PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace carrydeck::bench {

namespace {

// Closes on every path; the one place a descriptor is owned.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool Close() {
    if (fd_ < 0) return true;
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Writes all of `size` bytes, however the kernel splits them.
bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

class PosixWriteFile : public IWriteFile {
 public:
  PosixWriteFile(int fd, int& lastError) : fd_(fd), lastError_(lastError) {}
  bool Write(const std::string& bytes) override { return Check(WriteAll(fd_.get(), bytes.data(), bytes.size())); }
  // As the Win32 port's FlushFileBuffers: on the medium, not just in the cache.
  bool Flush() override { return Check(::fsync(fd_.get()) == 0); }
  bool Close() override { return Check(fd_.Close()); }

 private:
  bool Check(bool ok) {
    if (!ok) lastError_ = errno;
    return ok;
  }
  Descriptor fd_;
  int& lastError_;
};

}  // namespace

bool PosixFileSystem::FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PosixFileSystem::FolderExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool PosixFileSystem::ReadAll(const std::string& path, std::string& bytes) {
  bytes.clear();
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info;
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
    lastError_ = errno;
    return false;
  }
  bytes.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd.get(), &bytes[done], bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      lastError_ = errno;
      return false;
    }
    if (n == 0) break;  // the file shrank meanwhile: keep what was there
    done += static_cast<size_t>(n);
  }
  bytes.resize(done);
  return true;
}

std::unique_ptr<IWriteFile> PosixFileSystem::CreateForWrite(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    lastError_ = errno;
    return nullptr;
  }
  return std::make_unique<PosixWriteFile>(fd, lastError_);
}

bool PosixFileSystem::Replace(const std::string& source, const std::string& target) {
  if (std::rename(source.c_str(), target.c_str()) == 0) return true;
  lastError_ = errno;
  return false;
}

bool PosixFileSystem::Delete(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return true;
  lastError_ = errno;
  return false;
}

bool PosixFileSystem::ClearReadOnly(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    lastError_ = errno;
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    lastError_ = EISDIR;
    return false;
  }
  if ((info.st_mode & S_IWUSR) || ::chmod(path.c_str(), info.st_mode | S_IWUSR) == 0) return true;
  lastError_ = errno;
  return false;
}

bool PosixFileSystem::CopyFile(const std::string& source, const std::string& target) {
  std::string bytes;
  if (!ReadAll(source, bytes)) return false;
  std::unique_ptr<IWriteFile> out = CreateForWrite(target);
  return out && out->Write(bytes) && out->Close();
}

bool PosixFileSystem::CreateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  lastError_ = errno;
  return false;
}

std::string PosixFileSystem::LastErrorDescription() { return std::strerror(lastError_); }

}  // namespace carrydeck::bench
