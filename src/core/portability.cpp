#include "core/portability.h"

#include <linux/magic.h>
#include <sys/statfs.h>

namespace fendrel {

namespace {

bool IsKernelFileSystem(const struct statfs& info) {
  switch (static_cast<unsigned long>(info.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BPF_FS_MAGIC:
    case PSTOREFS_MAGIC:
    case EFIVARFS_MAGIC:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool OnKernelFileSystem(const char* path) {
  struct statfs info {};
  return ::statfs(path, &info) == 0 && IsKernelFileSystem(info);
}

bool OnKernelFileSystem(int descriptor) {
  struct statfs info {};
  return ::fstatfs(descriptor, &info) == 0 && IsKernelFileSystem(info);
}

}  // namespace fendrel
