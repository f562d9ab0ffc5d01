#include "portcatalog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "ptypair.h"
#include "serialport.h"

namespace fs = std::filesystem;

namespace {

// A fake /dev and /sys tree as udev and the kernel lay them out.
class PortCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("delvarine-catalog-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "dev/serial/by-id");
  }
  void TearDown() override { fs::remove_all(root); }

  void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
  }
  // A USB adapter: the tty's device is the interface of a USB device that
  // tells its maker, product and serial number.
  void UsbAdapter(const std::string& name, const std::string& product, const std::string& serial) {
    Write(root / "dev" / name, "");
    const fs::path usb = root / "sys/devices/pci0000:00/usb1" / ("1-" + name);
    const fs::path interface = usb / "1.0";
    Write(usb / "manufacturer", "FTDI");
    Write(usb / "product", product);
    Write(usb / "serial", serial);
    Write(usb / "idVendor", "0403");
    fs::create_directories(interface / name);
    fs::create_directories(root / "sys/class/tty" / name);
    fs::create_symlink(interface, root / "sys/class/tty" / name / "device");
  }
  // A ttyS port; `type` 0 is the placeholder every PC kernel makes.
  void Uart(const std::string& name, const std::string& type) {
    Write(root / "dev" / name, "");
    fs::create_directories(root / "sys/devices/platform/serial8250" / name);
    fs::create_directories(root / "sys/class/tty" / name);
    fs::create_symlink(root / "sys/devices/platform/serial8250" / name,
                       root / "sys/class/tty" / name / "device");
    Write(root / "sys/class/tty" / name / "type", type);
  }

  fs::path root;
};

TEST_F(PortCatalogTest, ListsByIdNamesFirstThenAdaptersThenRealUarts) {
  UsbAdapter("ttyUSB0", "FT232R USB UART", "A5069RR4");
  UsbAdapter("ttyUSB10", "FT232R USB UART", "B1");
  UsbAdapter("ttyUSB2", "FT232R USB UART", "B2");
  Write(root / "dev/ttyACM0", "");
  Uart("ttyS0", "4");
  Uart("ttyS1", "0");
  Write(root / "dev/tty0", "");
  fs::create_symlink("../../ttyUSB0",
                     root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A5069RR4-if00-port0");
  // The link of an adapter that was just pulled out leads nowhere.
  fs::create_symlink("../../ttyUSB7", root / "dev/serial/by-id/usb-gone-if00-port0");

  const std::vector<SerialDevice> devices = PortCatalog(root).List();
  std::vector<std::string> names;
  for (const SerialDevice& device : devices) names.push_back(device.name);
  EXPECT_EQ(names, (std::vector<std::string>{"usb-FTDI_FT232R_USB_UART_A5069RR4-if00-port0",
                                             "ttyACM0", "ttyS0", "ttyUSB2", "ttyUSB10"}));
  ASSERT_FALSE(devices.empty());
  EXPECT_EQ(devices[0].path,
            (root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A5069RR4-if00-port0").string());
  EXPECT_EQ(devices[0].kernelName, "ttyUSB0");
  EXPECT_EQ(devices[0].description, "FTDI FT232R USB UART, serial A5069RR4");
  EXPECT_EQ(devices[1].description, "");
  EXPECT_EQ(devices[2].description, "serial port");
  EXPECT_EQ(devices[2].path, (root / "dev/ttyS0").string());

  // A device is remembered by its by-id name.
  const PortCatalog catalog(root);
  EXPECT_EQ(catalog.StableName((root / "dev/ttyUSB0").string()), devices[0].path);
  EXPECT_EQ(catalog.StableName((root / "dev/ttyUSB2").string()), (root / "dev/ttyUSB2").string());
  EXPECT_EQ(catalog.Describe((root / "dev/ttyUSB2").string()), "FTDI FT232R USB UART, serial B2");
}

TEST_F(PortCatalogTest, EmptyOrMissingTreesListNothing) {
  EXPECT_TRUE(PortCatalog(root).List().empty());
  EXPECT_TRUE(PortCatalog(root / "no-such-root").List().empty());
}

TEST_F(PortCatalogTest, PseudoTerminalBehindAByIdLinkIsListedAndReadable) {
  PtyPair pty;
  ASSERT_FALSE(pty.slavePath.empty());
  const fs::path link = root / "dev/serial/by-id/usb-Delvarine_Test_Receiver_0001-if00-port0";
  fs::create_symlink(pty.slavePath, link);
  const std::vector<SerialDevice> devices = PortCatalog(root).List();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].path, link.string());

  SerialPort port;
  ASSERT_NE(port.Open(devices[0].path), 0) << port.LastError();
  ASSERT_TRUE(pty.Send("P1234\r\n"));
  std::array<std::uint8_t, 16> buffer{};
  ReadResult result;
  do {
    result = port.Read(buffer);
  } while (result.status == ReadResult::Status::kTimedOut);
  ASSERT_EQ(result.status, ReadResult::Status::kData);
  EXPECT_EQ(buffer[0], 'P');
}

}  // namespace
