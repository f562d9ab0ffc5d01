#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "slotcontrols.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The eight transmitter slots of the reading page: each slot's number edit,
// last-line box, level box, window selector, column box and clear button, at
// their template places. The statistics write to them through SlotControls;
// what they write reaches the screen at Show(), so that a flood of lines is
// laid out a few times a second, not once a line.
class SlotPanel final : public SlotControls {
 public:
  explicit SlotPanel(QWidget* readingPage) : page(readingPage) {}

  // The controls, placed one kind at a time: creation order is tab order,
  // and the page interleaves them with its own controls.
  void PlaceNumberEdit(int slot);
  void PlaceLastLineBox(int slot);
  void PlaceColumnBox(int slot);
  void PlaceClearButtons(const std::function<void(int slot)>& onClear);
  void PlaceLevelBoxes();
  void PlaceWindowSelectors();
  // The selectors' items; `onSelected` hears the user's choices.
  void FillWindowSelectors(const std::function<void(int slot, int index)>& onSelected);
  // Under each clear button: the slot's silence limit, off or a number of
  // minutes; `onSelected` hears the user's choices.
  void PlaceSilenceSelectors(int y, const std::function<void(int slot, int minutes)>& onSelected);
  // Tab order in reading order after `previous`: the number edits 1..8, the
  // window selectors, the clear buttons, the silence limits. The read-only
  // boxes are taken by the mouse only. Returns the last of them.
  QWidget* ChainFocus(QWidget* previous);
  // The limit chosen for `slot`, in minutes; 0 is off.
  int SilenceMinutes(int slot) const;
  // Chooses `minutes` for `slot` without telling; a limit not offered is off.
  void SetSilenceMinutes(int slot, int minutes);
  // Marks the slot's boxes in a warning colour while its transmitter is silent.
  void SetAlarm(int slot, bool on);
  bool HasAlarm(int slot) const { return At(slot).alarm; }

  // The number edits' texts in the program's bytes, in slot order.
  std::vector<std::string> Numbers() const;
  // Puts `numbers` into the first slots' number edits.
  void ShowNumbers(const std::vector<std::string>& numbers);
  // Puts what the statistics wrote since the last Show on the screen.
  void Show();

  // SlotControls
  std::string NumberText(int slot) const override;
  std::string ColumnText(int slot) const override;
  void SetLevelText(int slot, std::string_view text) override;
  void SetColumnText(int slot, std::string_view text) override;
  void SetLastLineText(int slot, std::string_view text) override;

 private:
  struct Slot {
    QLineEdit* numberEdit = nullptr;
    QLineEdit* lastLineBox = nullptr;
    QLineEdit* levelBox = nullptr;
    QComboBox* windowSelector = nullptr;
    QPlainTextEdit* columnBox = nullptr;
    QPushButton* clearButton = nullptr;
    QComboBox* silenceSelector = nullptr;
    bool alarm = false;
    std::string columnBytes;  // the column box's text in the program's bytes
    std::optional<std::string> pendingLevel;
    std::optional<std::string> pendingLastLine;
    bool columnPending = false;
  };
  Slot& At(int slot) { return slots_[static_cast<std::size_t>(slot)]; }
  const Slot& At(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }

  QWidget* page;
  std::array<Slot, kSlotCount> slots_;
};
