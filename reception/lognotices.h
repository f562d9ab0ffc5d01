#pragma once

#include <QString>

#include "logwriter.h"

// What the reading page tells the user about a run's log that did not end
// whole: where its lines are, and what it lacks. Russian.
QString LogEndNotice(const LogOutcome& outcome);

// The log folder `folder` did not answer in time: Start is refused.
QString LogFolderHungText(const QString& folder);
