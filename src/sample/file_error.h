#pragma once

#include <stdexcept>
#include <string>

namespace fendrel {

// A sample file that cannot be read or written. The message is complete:
// the action, the full path in double quotes and the system's reason.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;

  // "Cannot open file "<full path>". <reason>" for an error number.
  static FileError CannotOpen(const std::string& path, int error);
  // The same with a reason of the program's own.
  static FileError CannotOpen(const std::string& path, const std::string& reason);
  // "Cannot create file "<full path>". <reason>" for an error number.
  static FileError CannotCreate(const std::string& path, int error);
  // The same with a reason of the program's own.
  static FileError CannotCreate(const std::string& path, const std::string& reason);
};

// The system's description of an error number, without the trailing spaces,
// line breaks and full stops that would clash with the message around it.
std::string SystemErrorText(int error);

// The absolute, lexically normal form of a path, as messages show it.
std::string FullPath(const std::string& path);

}  // namespace fendrel
