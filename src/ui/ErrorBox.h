#pragma once
#include <QString>
#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

// The application-wide error box: caption "Modbus Master Simulator", error
// icon, OK only; its text is the message with a full stop appended when its
// last character sorts after '.'.
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& message);

// Shows the error box modally and returns when the user has closed it.
void ShowErrorBox(QWidget* parent, const QString& message);

// The serial connect's own box: text and caption "Port opening error!", no
// owner window, OK only; `advice`, when given, below the text. Tests see the
// text through the hook below.
void ShowPortOpeningError(const QString& advice = QString());

// Runs one user command. An error it raises ends the command where it occurred
// and is shown in the error box; the program carries on with whatever the
// command had done so far. Returns false when the command ended with an error.
bool RunCommand(QWidget* parent, const std::function<void()>& command);

// Tests replace the modal box with a hook that receives the box text (the
// full stop already applied). Pass an empty function to restore the box.
void SetErrorBoxHook(std::function<void(const QString& text)> hook);
