#include "porttable.h"

#include <cstdlib>

namespace {
bool InRange(int index) { return index >= 1 && index <= PortTable::kPortCount; }
}  // namespace

std::string PortTable::DefaultPath(int index) {
  if (!InRange(index)) return {};
  return "/dev/ttyS" + std::to_string(index - 1);
}

std::string PortTable::PortName(int index) {
  if (!InRange(index)) return {};
  return "COM" + std::to_string(index);
}

std::string PortTable::DevicePath(int index) const {
  if (!InRange(index)) return {};
  const std::string variable = "DELVARINE_" + PortName(index);
  if (const char* fromEnvironment = std::getenv(variable.c_str());
      fromEnvironment != nullptr && *fromEnvironment != '\0') {
    return fromEnvironment;
  }
  const std::string& configured = configured_[static_cast<std::size_t>(index - 1)];
  return configured.empty() ? DefaultPath(index) : configured;
}

void PortTable::Configure(int index, std::string path) {
  if (!InRange(index)) return;
  configured_[static_cast<std::size_t>(index - 1)] = std::move(path);
}
