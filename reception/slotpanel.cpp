#include "slotpanel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>

#include "dialogcontrols.h"
#include "pagetext.h"
#include "silencewatch.h"
#include "uitext.h"

using dialogunits::kComboHeight;
using dialogunits::Place;

namespace {

// The places of one slot's controls, in dialog units.
struct SlotTemplate {
  int numberEdit, lastLineBox, rowY;
  int levelBox, levelX;
  int windowSelector, selectorX;
  int columnBox, columnX;
  int clearButton, clearX;
};

constexpr std::array<SlotTemplate, kSlotCount> kSlotTemplates = {{
    {210, 207, 266, 256, 188, 264, 188, 222, 188, 248, 189},
    {208, 205, 283, 257, 241, 265, 242, 224, 241, 249, 242},
    {209, 206, 300, 258, 294, 266, 295, 225, 294, 250, 295},
    {215, 212, 316, 259, 347, 269, 348, 226, 347, 251, 348},
    {216, 213, 333, 260, 400, 270, 401, 227, 400, 252, 401},
    {217, 214, 350, 261, 453, 271, 454, 228, 453, 253, 454},
    {219, 218, 366, 262, 507, 272, 508, 229, 506, 254, 507},
    {221, 220, 381, 263, 560, 273, 561, 230, 559, 255, 561},
}};

// String ids of the window selectors' items, in item order.
constexpr std::array<int, 14> kWindowItems = {102, 115, 116, 117, 106, 107, 108,
                                              109, 110, 118, 119, 120, 122, 123};

const SlotTemplate& TemplateOf(int slot) { return kSlotTemplates[static_cast<std::size_t>(slot)]; }

}  // namespace

void SlotPanel::PlaceNumberEdit(int slot) {
  At(slot).numberEdit =
      Place<QLineEdit>(page, TemplateOf(slot).numberEdit, 121, TemplateOf(slot).rowY, 35, 14);
}

void SlotPanel::PlaceLastLineBox(int slot) {
  auto* box =
      Place<QLineEdit>(page, TemplateOf(slot).lastLineBox, 15, TemplateOf(slot).rowY, 103, 14);
  box->setReadOnly(true);
  At(slot).lastLineBox = box;
}

void SlotPanel::PlaceColumnBox(int slot) {
  const SlotTemplate& t = TemplateOf(slot);
  auto* box = Place<QPlainTextEdit>(page, t.columnBox, t.columnX, 45, 51, 355);
  box->setReadOnly(true);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Wrapped as a multi-line edit wraps, so the third line's run-on row 00
  // and its count are seen without scrolling sideways.
  box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  At(slot).columnBox = box;
}

void SlotPanel::PlaceClearButtons(const std::function<void(int slot)>& onClear) {
  for (int k = 0; k < kSlotCount; ++k) {
    const SlotTemplate& t = TemplateOf(k);
    auto* button = Place<QPushButton>(page, t.clearButton, t.clearX, 403, 40, 14);
    button->setText(QString::fromUtf8("Очистить"));
    At(k).clearButton = button;
    QObject::connect(button, &QPushButton::clicked, page, [onClear, k] { onClear(k); });
  }
}

void SlotPanel::PlaceLevelBoxes() {
  for (int k = 0; k < kSlotCount; ++k) {
    At(k).levelBox =
        Place<QLineEdit>(page, TemplateOf(k).levelBox, TemplateOf(k).levelX, 15, 50, 12);
  }
}

void SlotPanel::PlaceWindowSelectors() {
  for (int k = 0; k < kSlotCount; ++k) {
    const SlotTemplate& t = TemplateOf(k);
    At(k).windowSelector =
        Place<QComboBox>(page, t.windowSelector, t.selectorX, 29, 50, kComboHeight);
  }
}

void SlotPanel::FillWindowSelectors(const std::function<void(int slot, int index)>& onSelected) {
  for (int k = 0; k < kSlotCount; ++k) {
    QComboBox* selector = At(k).windowSelector;
    for (int id : kWindowItems) selector->addItem(UiText(id));
    selector->setCurrentIndex(0);
    QObject::connect(selector, &QComboBox::currentIndexChanged, page,
                     [onSelected, k](int index) { onSelected(k, index); });
  }
}

void SlotPanel::PlaceSilenceSelectors(
    int y, const std::function<void(int slot, int minutes)>& onSelected) {
  for (int k = 0; k < kSlotCount; ++k) {
    const SlotTemplate& t = TemplateOf(k);
    QComboBox* selector = Place<QComboBox>(page, -1, t.clearX, y, 40, kComboHeight);
    selector->setObjectName(QStringLiteral("silence%1").arg(k + 1));
    for (int minutes : kSilenceLimitMinutes) {
      selector->addItem(
          minutes == 0 ? QString::fromUtf8("выкл.") : QString::fromUtf8("%1 мин").arg(minutes),
          minutes);
    }
    selector->setToolTip(
        QString::fromUtf8("Предупредить, если передатчик этого слота не слышен дольше"));
    At(k).silenceSelector = selector;
    QObject::connect(selector, &QComboBox::activated, page,
                     [onSelected, selector, k] { onSelected(k, selector->currentData().toInt()); });
  }
}

QWidget* SlotPanel::ChainFocus(QWidget* previous) {
  const auto chain = [&previous](QWidget* next) {
    if (next == nullptr) return;
    QWidget::setTabOrder(previous, next);
    previous = next;
  };
  for (Slot& slot : slots_) chain(slot.numberEdit);
  for (Slot& slot : slots_) chain(slot.windowSelector);
  for (Slot& slot : slots_) chain(slot.clearButton);
  for (Slot& slot : slots_) chain(slot.silenceSelector);
  for (Slot& slot : slots_) {
    for (QWidget* box :
         {static_cast<QWidget*>(slot.lastLineBox), static_cast<QWidget*>(slot.levelBox),
          static_cast<QWidget*>(slot.columnBox)}) {
      if (box != nullptr) box->setFocusPolicy(Qt::ClickFocus);
    }
  }
  return previous;
}

int SlotPanel::SilenceMinutes(int slot) const {
  const QComboBox* selector = At(slot).silenceSelector;
  return selector != nullptr ? selector->currentData().toInt() : 0;
}

void SlotPanel::SetSilenceMinutes(int slot, int minutes) {
  QComboBox* selector = At(slot).silenceSelector;
  if (selector == nullptr) return;
  const int index = selector->findData(minutes);
  selector->setCurrentIndex(index >= 0 ? index : 0);
}

void SlotPanel::SetAlarm(int slot, bool on) {
  Slot& s = At(slot);
  if (s.alarm == on) return;
  s.alarm = on;
  // A warning colour behind the slot's texts; the style's own colours again
  // when the transmitter is heard.
  for (QWidget* box :
       std::initializer_list<QWidget*>{s.numberEdit, s.lastLineBox, s.levelBox, s.columnBox}) {
    if (box == nullptr) continue;
    QPalette palette = page->palette();
    if (on) {
      palette.setColor(QPalette::Base, QColor(255, 196, 120));
      palette.setColor(QPalette::Text, Qt::black);
    }
    box->setPalette(palette);
  }
}

std::vector<std::string> SlotPanel::Numbers() const {
  std::vector<std::string> numbers;
  for (const Slot& slot : slots_) numbers.push_back(ToBytes(slot.numberEdit->text()));
  return numbers;
}

void SlotPanel::ShowNumbers(const std::vector<std::string>& numbers) {
  for (std::size_t k = 0; k < numbers.size() && k < slots_.size(); ++k) {
    slots_[k].numberEdit->setText(FromBytes(numbers[k]));
  }
}

void SlotPanel::Show() {
  for (Slot& slot : slots_) {
    if (slot.pendingLevel) slot.levelBox->setText(FromBytes(*slot.pendingLevel));
    if (slot.pendingLastLine) {
      slot.lastLineBox->setText(FromBytes(*slot.pendingLastLine));
      // The time first, as the box is narrower than a long record.
      slot.lastLineBox->setCursorPosition(0);
    }
    if (slot.columnPending) slot.columnBox->setPlainText(FromBytes(slot.columnBytes));
    slot.pendingLevel.reset();
    slot.pendingLastLine.reset();
    slot.columnPending = false;
  }
}

std::string SlotPanel::NumberText(int slot) const { return ToBytes(At(slot).numberEdit->text()); }

std::string SlotPanel::ColumnText(int slot) const { return At(slot).columnBytes; }

void SlotPanel::SetLevelText(int slot, std::string_view text) {
  At(slot).pendingLevel = std::string(text);
}

void SlotPanel::SetColumnText(int slot, std::string_view text) {
  At(slot).columnBytes = text;
  At(slot).columnPending = true;
}

void SlotPanel::SetLastLineText(int slot, std::string_view text) {
  At(slot).pendingLastLine = std::string(text);
}
