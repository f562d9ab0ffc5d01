#pragma once

#include <QString>

#include "logwriter.h"

// What the reading page tells the user about the run's log and line, in
// Russian, with the system's reasons.

// The log did not end whole: where its lines are, and what it lacks.
QString LogEndNotice(const LogOutcome& outcome);
QString LogWriteFailedNotice(const std::string& reason);
QString LogWriteResumedNotice(std::int64_t lostLines);
QString LogRecreatedNotice(const std::filesystem::path& path, std::int64_t missingLines,
                           const std::string& reason);
QString LogRecreateFailedNotice(const std::string& reason);
// The line came back with another device under the name `device`.
QString DeviceChangedNotice(const QString& device, const QString& change);

// The log folder `folder` did not answer in time: Start is refused.
QString LogFolderHungText(const QString& folder);
