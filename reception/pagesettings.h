#pragma once

#include <QString>

class LogFolder;
class PortChooser;
class SlotPanel;

// The reading page's settings in the program's settings file: the port or
// device, the log folder, the slots' silence limits. A file that cannot be
// read is left alone for the run, with the defaults in use; one that may be
// read but not written is used and not written.
class PageSettings {
 public:
  PageSettings(PortChooser& port, LogFolder& folder, SlotPanel& panel)
      : portChooser(port), logFolder(folder), slotPanel(panel) {}

  struct Said {
    QString text;
    bool error = false;  // an error; else a notice
  };
  // Reads the file into the controls; what to tell the user, if anything.
  Said Load();
  // Writes the controls' choices; what to tell the user (said once per run).
  Said Save();

 private:
  PortChooser& portChooser;
  LogFolder& logFolder;
  SlotPanel& slotPanel;
  bool usable = true;  // false: the file is not written in this run
  bool writeReported = false;
};
