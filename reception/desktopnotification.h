#pragma once

#include <QString>

// A desktop notification through the freedesktop service on the session
// bus; sent without waiting for an answer, and nothing when there is no bus.
void SendDesktopNotification(const QString& summary, const QString& body);
