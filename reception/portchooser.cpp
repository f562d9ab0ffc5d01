#include "portchooser.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFontMetrics>
#include <QSettings>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>
#include <system_error>

#include "detaildelegate.h"
#include "programsettings.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kComRole = Qt::UserRole + 1;
constexpr int kDetailRole = DetailDelegate::kDetailRole;

QString FromPath(const std::string& path) { return QFile::decodeName(path.c_str()); }
std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

RefreshingComboBox::RefreshingComboBox(QWidget* parent) : QComboBox(parent) {
  connect(this, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { setToolTip(text); });
}

void RefreshingComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, field.width());
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void RefreshingComboBox::showPopup() {
  if (aboutToOpen) aboutToOpen();
  QComboBox::showPopup();
}

PortChooser::PortChooser(RefreshingComboBox* comboBox, std::filesystem::path deviceRoot)
    : QObject(comboBox), box(comboBox), catalog(std::move(deviceRoot)) {
  box->setItemDelegate(new DetailDelegate(box));
  box->aboutToOpen = [this] { Refresh(); };
  connect(box, &QComboBox::currentIndexChanged, this, &PortChooser::OnIndexChanged);
  Refresh();
}

void PortChooser::Load(QSettings* settings) {
  table = programsettings::ReadPortTable(settings, settings != nullptr);
  comPort = 1;
  device.clear();
  if (settings != nullptr) {
    if (!settings->contains(programsettings::kPortKey)) {
      settings->setValue(programsettings::kPortKey, 1);
    } else {
      bool valid = false;
      const int stored = settings->value(programsettings::kPortKey).toInt(&valid);
      // A value that cannot be a port of the list falls back to COM1.
      comPort = valid && stored >= 1 && stored <= kComPorts ? stored : 1;
    }
    device = ToPath(settings->value(programsettings::kDeviceKey).toString());
  }
  Refresh();
}

void PortChooser::Store(QSettings& settings) const {
  if (!remember) return;
  settings.setValue(programsettings::kPortKey, comPort);
  settings.setValue(programsettings::kDeviceKey, FromPath(device));
}

void PortChooser::UseForThisRun(const std::string& path) {
  device = path;
  remember = false;
  Refresh();
}

std::string PortChooser::DevicePath() const {
  return device.empty() ? table.DevicePath(comPort) : device;
}

void PortChooser::Refresh() {
  const QSignalBlocker blocker(box);
  box->clear();
  for (int i = 1; i <= kComPorts; ++i) {
    box->addItem(QString::fromStdString(PortTable::PortName(i)));
    box->setItemData(i - 1, i, kComRole);
    box->setItemData(i - 1, FromPath(table.DevicePath(i)), kDetailRole);
  }
  int chosen = device.empty() ? comPort - 1 : -1;
  for (const SerialDevice& found : catalog.List()) {
    const int index = box->count();
    box->addItem(QString::fromStdString(found.name));
    box->setItemData(index, FromPath(found.path), kPathRole);
    box->setItemData(index, 0, kComRole);
    box->setItemData(index, QString::fromStdString(found.description), kDetailRole);
    box->setItemData(index, FromPath(found.path), Qt::ToolTipRole);
    if (!device.empty() && found.path == device) chosen = index;
  }
  if (chosen < 0) {
    // A device the list does not hold: one given by path (a pseudo-terminal,
    // say), or one that is gone, which stays the choice, marked missing.
    std::error_code ec;
    const bool present = std::filesystem::exists(device, ec);
    const int index = box->count();
    const QString name = present ? FromPath(device)
                                 : FromPath(std::filesystem::path(device).filename().string()) +
                                       QString::fromUtf8(" (отключено)");
    box->addItem(name);
    box->setItemData(index, FromPath(device), kPathRole);
    box->setItemData(index, 0, kComRole);
    if (!present) {
      box->setItemData(index, QString::fromUtf8("устройство не найдено"), kDetailRole);
    }
    box->setItemData(index, FromPath(device), Qt::ToolTipRole);
    chosen = index;
  }
  box->setCurrentIndex(chosen);
  // The open list is as wide as its longest item, wider than the closed box.
  const QFontMetrics metrics(box->view()->font());
  int widest = box->width();
  for (int i = 0; i < box->count(); ++i) {
    const QString detail = box->itemData(i, kDetailRole).toString();
    const QString text =
        box->itemText(i) + (detail.isEmpty() ? QString() : QStringLiteral("   ") + detail);
    widest = std::max(widest, metrics.horizontalAdvance(text) + 40);
  }
  box->view()->setMinimumWidth(widest);
}

void PortChooser::OnIndexChanged(int index) {
  if (index < 0) return;
  const int com = box->itemData(index, kComRole).toInt();
  if (com >= 1) {
    comPort = com;
    device.clear();
  } else {
    // Remembered by the stable name, which survives replugs and reboots.
    device = catalog.StableName(ToPath(box->itemData(index, kPathRole).toString()));
  }
  remember = true;
  emit Chosen();
}
