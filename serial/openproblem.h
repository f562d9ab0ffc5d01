#pragma once

#include <string>

// Why a serial line could not be opened, in terms a user can act on.
struct OpenProblem {
  enum class Kind {
    kNone,
    kMissing,     // no such device: unplugged, or a wrong name
    kPermission,  // the device's group may open it, the user may not
    kBusy,        // another program (or run) holds the line
    kSettings,    // the device refused the line settings: not a serial line
    kOther,
  };
  Kind kind = Kind::kNone;
  std::string path;
  std::string reason;  // the system's message
  std::string group;   // kPermission: the group that owns the device, if known
  std::string owner;   // kPermission: the user that owns it, if known
  unsigned mode = 0;   // kPermission: its permission bits, if known
  std::string holder;  // kBusy: "name (PID n)" of a holder, if the system tells

  explicit operator bool() const { return kind != Kind::kNone; }
};

// Sorts the failure of `operation` on `path` with `error` (an errno value)
// and looks up what the user needs: the owning group, the holding program.
OpenProblem DiagnoseOpenFailure(const std::string& path, int error, bool configuring);

// The program that has `path` open, as "name (PID n)", from /proc under
// `procRoot`; empty when no process the user may look at holds it.
std::string FindDeviceHolder(const std::string& path, const std::string& procRoot = "/proc");

// The program that holds the lock (flock) on `path`, as "name (PID n)", from
// the locks file under `procRoot`; empty when none is found.
std::string FindLockHolder(const std::string& path, const std::string& procRoot = "/proc");

// True for the groups that are meant for devices (dialout, uucp, tty,
// plugdev): joining one is the usual way to a serial line.
bool IsDeviceGroup(const std::string& group);

// The message for the console, in English, naming the device.
std::string EnglishMessage(const OpenProblem& problem);
// The message for the window, in Russian (UTF-8). A busy port keeps the
// wording the users know; the system's reason follows on its own line.
std::string RussianMessage(const OpenProblem& problem);
