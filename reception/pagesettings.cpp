#include "pagesettings.h"

#include <QSettings>
#include <QStringList>
#include <memory>

#include "logfolder.h"
#include "portchooser.h"
#include "programsettings.h"
#include "slotpanel.h"

PageSettings::Said PageSettings::Load() {
  QString problem;
  std::unique_ptr<QSettings> settings = programsettings::Open(problem);
  Said said;
  if (!problem.isEmpty()) {
    // Written back, the file would lose what could not be read: left alone
    // for this run, with the defaults in use.
    usable = false;
    said = {QString::fromUtf8("Файл настроек не читается; до конца работы используются "
                              "настройки по умолчанию, и файл не изменяется.\n\n") +
                programsettings::FilePath() + QStringLiteral(": ") + problem,
            true};
  } else if (programsettings::IsReadOnly(programsettings::FilePath())) {
    // Used as it is, and never written: said once, here.
    usable = false;
    said = {QString::fromUtf8("Файл настроек доступен только для чтения: настройки из него "
                              "используются, но изменения не будут сохранены.\n\n") +
                programsettings::FilePath(),
            false};
  }
  portChooser.Load(settings.get());
  logFolder.Load(settings.get());
  if (settings != nullptr) {
    // Anything but a limit on offer is off.
    const QStringList limits = settings->value(QLatin1String(programsettings::kSilenceKey))
                                   .toString()
                                   .split(QLatin1Char(','));
    for (int k = 0; k < kSlotCount && k < limits.size(); ++k) {
      slotPanel.SetSilenceMinutes(k, limits[k].trimmed().toInt());
    }
  }
  return said;
}

PageSettings::Said PageSettings::Save() {
  if (!usable) return {};
  QSettings settings(programsettings::FilePath(), QSettings::IniFormat);
  portChooser.Store(settings);
  logFolder.Store(settings);
  QStringList limits;
  for (int k = 0; k < kSlotCount; ++k) limits << QString::number(slotPanel.SilenceMinutes(k));
  settings.setValue(QLatin1String(programsettings::kSilenceKey), limits.join(QLatin1Char(',')));
  settings.sync();
  if (settings.status() == QSettings::NoError || writeReported) return {};
  writeReported = true;
  return {QString::fromUtf8("Не удаётся сохранить настройки; выбранный порт и папка журналов "
                            "не будут запомнены.\n\n") +
              settings.fileName(),
          true};
}
