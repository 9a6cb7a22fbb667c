#include <cerrno>
#include <cstring>

#include "gamefile/file_io.h"

FileStatus status_of_error(unsigned long code, Doing /*doing: the same on POSIX*/) {
  const int error = static_cast<int>(code);
  FileStatus status{FileProblem::other, std::strerror(error)};
  switch (error) {
    case ENOENT:
      status.problem = FileProblem::missing;
      break;
    case EACCES:
    case EPERM:
      status.problem = FileProblem::access_denied;
      break;
    case EROFS:
      status.problem = FileProblem::read_only_disk;
      break;
    case ETXTBSY:  // a program running from this file
    case EBUSY:
    case EWOULDBLOCK:  // another run holds the lock
      status.problem = FileProblem::in_use;
      break;
    case EISDIR:
    case ENXIO:
      status.problem = FileProblem::not_a_file;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      status.problem = FileProblem::disk_full;
      break;
    default:
      break;
  }
  return status;
}
