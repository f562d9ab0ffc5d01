#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A serial device present on the machine.
struct SerialDevice {
  std::string path;         // the stable by-id name where there is one
  std::string name;         // short: the by-id link's name or ttyUSB0
  std::string kernelName;   // ttyUSB0
  std::string description;  // maker, product, serial number; may be empty
};

// Lists the serial devices under a root folder ("/" on a machine, a fake
// /dev and /sys tree in tests): the /dev/serial/by-id links first, then
// ttyUSB* and ttyACM* that have none, then ttyS* with hardware behind them.
// Paths are given under the root, so a fake tree's links can be opened.
class PortCatalog {
 public:
  explicit PortCatalog(std::filesystem::path rootFolder = "/");

  std::vector<SerialDevice> List() const;
  // What the device at `path` is, as List() gives it; empty when unknown.
  std::string Describe(const std::string& path) const;
  // The stable name of `path`: its by-id link, or `path` itself.
  std::string StableName(const std::string& path) const;

 private:
  std::string DescribeKernelName(const std::string& kernelName) const;
  bool HasHardware(const std::string& kernelName) const;
  // The kernel's name of the device `path` leads to, or "" when none.
  std::string KernelNameOf(const std::string& path) const;

  std::filesystem::path root;
};
