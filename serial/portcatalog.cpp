#include "portcatalog.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
  return line;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

PortCatalog::PortCatalog(fs::path rootFolder) : root(rootFolder.lexically_normal()) {}

std::string PortCatalog::KernelNameOf(const std::string& path) const {
  // The name the kernel gave the device the path leads to: ttyUSB0 for a
  // by-id link. A link whose device is gone leads nowhere.
  std::error_code ec;
  const fs::path device = fs::canonical(path, ec);
  return ec ? std::string() : device.filename().string();
}

bool PortCatalog::HasHardware(const std::string& kernelName) const {
  // Every PC kernel makes ttyS0..3 whether or not a UART is there; a port
  // without one reports the type 0.
  const fs::path tty = root / "sys/class/tty" / kernelName;
  const std::string type = FirstLine(tty / "type");
  std::error_code ec;
  return fs::exists(tty / "device", ec) && !type.empty() && type != "0";
}

std::string PortCatalog::DescribeKernelName(const std::string& kernelName) const {
  std::error_code ec;
  const fs::path sys = (root / "sys").lexically_normal();
  fs::path at = fs::canonical(root / "sys/class/tty" / kernelName / "device", ec);
  if (ec) return {};
  // The USB device that carries the interface holds maker, product and serial.
  for (int depth = 0; depth < 8 && at.string().size() > sys.string().size(); ++depth) {
    if (fs::exists(at / "idVendor", ec) || fs::exists(at / "product", ec)) {
      std::string text = FirstLine(at / "manufacturer");
      const std::string product = FirstLine(at / "product");
      if (!product.empty()) text += (text.empty() ? "" : " ") + product;
      const std::string serial = FirstLine(at / "serial");
      if (!serial.empty()) text += (text.empty() ? "" : ", ") + std::string("serial ") + serial;
      return text;
    }
    at = at.parent_path();
  }
  if (StartsWith(kernelName, "ttyS")) return "serial port";
  return {};
}

std::vector<SerialDevice> PortCatalog::List() const {
  std::vector<SerialDevice> devices;
  std::vector<std::string> covered;
  std::error_code ec;

  std::vector<fs::path> links;
  for (fs::directory_iterator it(root / "dev/serial/by-id", ec), end; !ec && it != end;
       it.increment(ec)) {
    links.push_back(it->path());
  }
  std::sort(links.begin(), links.end());
  for (const fs::path& link : links) {
    const std::string path = link.string();
    const std::string kernelName = KernelNameOf(path);
    if (kernelName.empty()) continue;  // a dangling link: the device is gone
    covered.push_back(kernelName);
    devices.push_back({path, link.filename().string(), kernelName, DescribeKernelName(kernelName)});
  }

  std::vector<std::string> names;
  ec.clear();
  for (fs::directory_iterator it(root / "dev", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM") ||
        (StartsWith(name, "ttyS") && HasHardware(name))) {
      names.push_back(name);
    }
  }
  // ttyACM, ttyS, ttyUSB; ttyUSB2 before ttyUSB10.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() && a.substr(0, 6) == b.substr(0, 6) ? a.size() < b.size() : a < b;
  });
  for (const std::string& name : names) {
    if (std::find(covered.begin(), covered.end(), name) != covered.end()) continue;
    devices.push_back({(root / "dev" / name).string(), name, name, DescribeKernelName(name)});
  }
  return devices;
}

std::string PortCatalog::Describe(const std::string& path) const {
  const std::string kernelName = KernelNameOf(path);
  return kernelName.empty() ? std::string() : DescribeKernelName(kernelName);
}

std::string PortCatalog::StableName(const std::string& path) const {
  const std::string kernelName = KernelNameOf(path);
  if (kernelName.empty()) return path;
  for (const SerialDevice& device : List()) {
    if (device.kernelName == kernelName) return device.path;
  }
  return path;
}
