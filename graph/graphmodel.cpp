#include "graphmodel.h"

bool GraphModel::Load(const std::filesystem::path& path, const LoadRequest& request,
                      std::string& error, const LoadProgress& progress) {
  logPath = path;
  return LoadLog(path, request, data, error, std::size_t{1} << 20, progress);
}

void GraphModel::Clear() { data.Clear(); }
