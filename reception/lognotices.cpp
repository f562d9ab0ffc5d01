#include "lognotices.h"

#include <QStringList>

#include "pagetext.h"

QString LogEndNotice(const LogOutcome& outcome) {
  const QString path = QString::fromStdString(outcome.path.string());
  const QString problem = SystemText(outcome.problem);
  if (outcome.path.empty()) {
    return QString::fromUtf8(
               "Файл журнала был удалён, и сохранить его копию не удалось ни в папке "
               "журналов, ни в другом месте. Строки этого чтения потеряны: %1.\n\n")
               .arg(outcome.lostLines) +
           problem;
  }
  QStringList parts;
  if (outcome.inFallback) {
    parts << QString::fromUtf8(
                 "Папка журналов не принимает файл, поэтому журнал сохранён в другом "
                 "месте. Перенесите его в нужную папку:\n") +
                 path;
  }
  if (outcome.lostLines > 0) {
    parts << QString::fromUtf8("В журнал не записано строк: %1.").arg(outcome.lostLines);
  }
  if (outcome.unsureLines > 0) {
    parts << QString::fromUtf8("Диск не подтвердил запись строк: %1; их может не быть в файле.")
                 .arg(outcome.unsureLines);
  }
  if (!outcome.ended) {
    parts << QString::fromUtf8("В конце журнала нет «End» и таблицы интервалов.");
  }
  if (parts.isEmpty()) {
    parts << QString::fromUtf8("Запись журнала на диск завершилась с ошибкой.");
  }
  if (!outcome.inFallback) parts << path;
  return parts.join(QStringLiteral("\n")) + QStringLiteral("\n\n") + problem;
}

QString LogFolderHungText(const QString& folder) {
  return QString::fromUtf8(
             "Папка журналов не отвечает; чтение не начато. Если она на сетевом или "
             "съёмном диске, проверьте его или выберите другую папку кнопкой "
             "«Выбрать…».\n\n") +
         folder;
}

QString LogWriteFailedNotice(const std::string& reason) {
  return QString::fromUtf8(
             "Не удаётся записать журнал. Чтение и подсчёт продолжаются, "
             "но строки, не записанные в файл, теряются.\n"
             "Освободите место на диске.\n\n") +
         SystemText(reason);
}

QString LogWriteResumedNotice(std::int64_t lostLines) {
  return QString::fromUtf8("Запись журнала возобновлена. Не записано строк: %1.").arg(lostLines);
}

QString LogRecreatedNotice(const std::filesystem::path& path, std::int64_t missingLines,
                           const std::string& reason) {
  const QString name = QString::fromStdString(path.string());
  if (missingLines == 0) {
    return QString::fromUtf8(
               "Файл журнала был удалён во время чтения. Чтение продолжается; "
               "журнал создан заново со всеми строками:\n") +
           name;
  }
  return QString::fromUtf8(
             "Файл журнала был удалён во время чтения. Чтение продолжается "
             "в новом файле, но %1 прежних строк прочитать не удалось, и "
             "в нём их нет:\n")
             .arg(missingLines) +
         name + QStringLiteral("\n\n") + SystemText(reason);
}

QString LogRecreateFailedNotice(const std::string& reason) {
  return QString::fromUtf8(
             "Файл журнала был удалён во время чтения, и создать его заново "
             "не удаётся; попытки продолжаются.\n"
             "Проверьте папку журналов.\n\n") +
         SystemText(reason);
}

QString DeviceChangedNotice(const QString& device, const QString& change) {
  return QString::fromUtf8(
             "Связь восстановлена, но под именем %1 теперь другое "
             "устройство (%2). Чтение продолжается в тот же журнал; "
             "в нём отмечено, с какой строки данные идут от другого "
             "устройства.")
      .arg(device, change);
}
