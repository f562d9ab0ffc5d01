#pragma once

#include <QString>
#include <memory>

#include "porttable.h"

class QSettings;

// The program's settings file, shared by the window and the console: which
// device each COMn stands for, the chosen port or device, the log folder.
namespace programsettings {

inline constexpr char kPortKey[] = "Delvarine Com-port";  // 1..4
inline constexpr char kDeviceKey[] = "Delvarine Device";  // a path; empty: the COMn
inline constexpr char kLogFolderKey[] = "Delvarine Log folder";
// Each slot's silence limit in minutes, comma-separated; 0 is off.
inline constexpr char kSilenceKey[] = "Delvarine Silence limits";

// Where the file is: the desktop's configuration folder, Delvarine/Delvarine.conf.
QString FilePath();

// Why the file at `path` cannot be used (Russian), or empty when it can.
// Looked at before QSettings opens it: a FIFO there would hold the program
// for ever.
QString FileProblem(const QString& path);

// True when the file at `path` exists and this user may read but not write it.
bool IsReadOnly(const QString& path);

// The file, or nullptr with `problem` set when it cannot be read whole.
std::unique_ptr<QSettings> Open(QString& problem);

// The COMn mapping stored in `settings` ("Devices/COMn"); the defaults for
// what is not stored, written back when `writeDefaults` so users find them.
PortTable ReadPortTable(QSettings* settings, bool writeDefaults);

}  // namespace programsettings
