#pragma once
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;
class TrafficTableModel;

namespace mms {
class TrafficTap;
}

// The traffic monitor: a live list of the frames of the conversation,
// decoded, with their problems marked. Taps the traffic only while shown and
// not paused; pulls what the tap gathered every kPullIntervalMs.
class TrafficMonitor : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kPullIntervalMs = 150;

  // `tap` outlives the window.
  TrafficMonitor(mms::TrafficTap& tap, QWidget* parent = nullptr);
  ~TrafficMonitor() override;

  // Captions of the data windows by slot, and the slots open now.
  void SetWindowNames(std::function<QString(int slot)> names,
                      std::function<QList<int>()> openSlots);

  TrafficTableModel* Model() const { return model_; }
  void Pull();
  void SetPaused(bool paused);
  bool Paused() const;
  // The selected rows as text lines, oldest first.
  QString SelectionText() const;
  void CopySelection();
  void SaveAsText();
  // Writes every listed row; false (and the error box) when it cannot.
  bool SaveTo(const QString& path);

  QPushButton* pauseButton = nullptr;
  QPushButton* clearButton = nullptr;
  QComboBox* windowFilter = nullptr;
  QSpinBox* unitFilter = nullptr;
  QComboBox* functionFilter = nullptr;
  QCheckBox* problemsOnlyBox = nullptr;
  QCheckBox* rawBytesBox = nullptr;
  QPushButton* copyButton = nullptr;
  QPushButton* saveButton = nullptr;
  QTableView* frameList = nullptr;
  QPlainTextEdit* detailPane = nullptr;
  QLabel* statusLabel = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildControls();
  void ApplyFilter();
  void FillWindowFilter();
  void ShowDetail();
  void ShowStatus();

  mms::TrafficTap& tap_;
  TrafficTableModel* model_ = nullptr;
  QTimer* pullTimer_ = nullptr;
  std::function<QList<int>()> openSlots_;
  QList<int> listedSlots_;  // the window filter's entries
  bool followTail_ = true;  // the list shows the newest frames as they come
  bool scrolling_ = false;  // our own scrolling, not the user's
};
