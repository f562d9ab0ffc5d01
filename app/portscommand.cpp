#include "portscommand.h"

#include <cstdio>
#include <cstdlib>

#include "optionreader.h"
#include "portcatalog.h"

const char* const kPortsUsage =
    "usage: delvarine ports\n"
    "Lists the serial devices present: the path to give `delvarine read`, then\n"
    "the maker, product and serial number where the system tells them.\n"
    "  --help            show this help\n";

int RunPortsCommand(const std::vector<std::string>& arguments) {
  OptionReader reader(arguments);
  if (!reader.ReadAll([&] { return reader.Unknown(); })) {
    std::fprintf(stderr, "delvarine ports: %s\n%s", reader.Problem().c_str(), kPortsUsage);
    return 2;
  }
  if (reader.WantsHelp()) {
    std::fputs(kPortsUsage, stdout);
    return 0;
  }
  // A fake /dev and /sys tree stands in for the machine's under this root.
  const char* root = std::getenv("DELVARINE_DEVICE_ROOT");
  const PortCatalog catalog(root != nullptr && *root != '\0' ? root : "/");
  const std::vector<SerialDevice> devices = catalog.List();
  if (devices.empty()) {
    std::fputs("delvarine ports: no serial device found; plug in the receiver's adapter\n", stderr);
    return 0;
  }
  for (const SerialDevice& device : devices) {
    std::printf("%s%s%s\n", device.path.c_str(), device.description.empty() ? "" : "  ",
                device.description.c_str());
  }
  return 0;
}
