#pragma once

#include <termios.h>

#include <cstdint>
#include <span>
#include <string>

#include "bytesource.h"
#include "openproblem.h"

// The one RS-232 line to the receiver, receive only, with fixed settings:
// 2400 bit/s, 8 data bits, no parity, one stop bit, no flow control, DTR and
// RTS raised. Open and Read belong to the reader thread, PurgeReceive and Close
// to the thread that owns the port once the reader has ended; Interrupt may be
// called from any thread.
class SerialPort final : public ByteSource {
 public:
  static constexpr int kReadTimeoutMs = 1100;  // one-byte read of the receiver line

  SerialPort();
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens the line at `path`, exclusively. An empty path opens no device:
  // the port counts as open and reads time out. Nonzero on success; on
  // failure nothing is held, and LastProblem() and LastError() say why.
  int Open(const std::string& path);
  int IsOpen() const { return opened; }

  ReadResult Read(std::span<std::uint8_t> buffer) override;
  void Interrupt() override;
  bool Reconnect() override;
  std::string TakeDeviceChange() override;

  // Drops pending input. Nonzero on success.
  int PurgeReceive();
  // Releases the line, restoring its previous settings. Always 1.
  int Close();

  const std::string& DevicePath() const { return devicePath; }
  const std::string& LastError() const { return lastError; }
  const OpenProblem& LastProblem() const { return problem; }

  // Line settings, fixed at construction.
  const std::uint32_t baudRate = 2400;
  const int byteSize = 8;
  const int parity = 0;    // no parity
  const int stopBits = 0;  // one stop bit
  const std::uint32_t queueSize = 8192;

 private:
  bool OpenLine();
  bool Fail(int error, bool configuring);
  void ReleaseLine();
  bool WaitForWake(int timeoutMs);
  // The device now open: its number and, for a USB adapter, maker, product
  // and serial number.
  void NoteIdentity();

  int opened = 0;
  std::string devicePath;
  std::string lastError;
  OpenProblem problem;
  int device = -1;
  int wakeFd = -1;  // eventfd that Interrupt() signals
  termios savedSettings{};
  bool settingsSaved = false;
  std::string deviceNumber;       // "188:0" of the device opened first
  std::string deviceDescription;  // as the port list describes it
  std::string deviceChange;       // since the last reconnect
};
