#pragma once
#include <QDialog>
#include <QList>
#include <QString>

class QLineEdit;
class QListWidget;
class QPushButton;

// "Log to CSV...": which data windows to log, and to which file.
class CsvLogDialog : public QDialog {
 public:
  explicit CsvLogDialog(QWidget* parent = nullptr);

  // One entry per open window, checked to start with.
  void AddWindow(int slot, const QString& caption);
  void SetFileName(const QString& path);

  QString FileName() const;
  QList<int> ChosenSlots() const;

  QListWidget* windowList = nullptr;
  QLineEdit* fileEdit = nullptr;
  QPushButton* browseButton = nullptr;
  QPushButton* okButton = nullptr;
  QPushButton* cancelButton = nullptr;

 protected:
  void accept() override;

 private:
  void Browse();
};
