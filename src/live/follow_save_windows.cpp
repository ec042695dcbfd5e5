// Reading a save's stamp on Windows.
#include "live/follow_save.h"

#include <windows.h>

#include "base/platform_files.h"

namespace tlmaper {

SaveStamp ReadSaveStamp(const std::string& savePath) {
  // Read from the system, whose times count tenths of microseconds: the standard
  // library's count whole seconds there, and a save written again within the second
  // at the same size would look unchanged.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(PathFromUtf8(savePath).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return SaveStamp{};
  }
  SaveStamp stamp;
  stamp.exists = true;
  stamp.size = (uintmax_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  stamp.writeTime = static_cast<int64_t>((uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                         data.ftLastWriteTime.dwLowDateTime);
  return stamp;
}

}  // namespace tlmaper
