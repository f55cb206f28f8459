#pragma once
#include <QDialog>
#include <QString>

class QPlainTextEdit;

// The text of the program's licence, compiled in from the project's LICENSE.
QString LicenceText();

// The file's lines are broken at 80 columns; joined into paragraphs, the text
// wraps at the window's width instead.
QString UnwrapParagraphs(const QString& text);

// The licence window: resizable, at the top left corner of the screen, its
// read-only text wrapping at the window's width. One instance for the whole
// run, created at start-up; closing only hides it.
class LicenseDialog : public QDialog {
  Q_OBJECT
 public:
  explicit LicenseDialog(QWidget* parent = nullptr);

  QPlainTextEdit* textView = nullptr;

 private:
  void Initialise();
};

extern LicenseDialog* gLicenseDialog;
