// Reading a save's stamp on Linux.
#include "live/follow_save.h"

#include <filesystem>
#include <system_error>

#include "base/platform_files.h"

namespace tlmaper {

SaveStamp ReadSaveStamp(const std::string& savePath) {
  const std::filesystem::path path = PathFromUtf8(savePath);
  std::error_code error;
  SaveStamp stamp;
  stamp.size = std::filesystem::file_size(path, error);
  if (error) return SaveStamp{};
  const auto time = std::filesystem::last_write_time(path, error);
  if (error) return SaveStamp{};
  stamp.exists = true;
  stamp.writeTime = static_cast<int64_t>(time.time_since_epoch().count());
  return stamp;
}

}  // namespace tlmaper
