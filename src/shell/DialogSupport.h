#pragma once
#include <QString>
#include <QWidget>
#include <initializer_list>

class QHBoxLayout;
class QPushButton;

class QFormLayout;

// Window flags of a fixed dialog frame with only a close box.
Qt::WindowFlags FixedDialogFlags();

// Adds a caption and its field to a form; the field's accessible name is the
// caption without a trailing colon or blank, and the caption's mnemonic, if
// any, moves the focus to the field.
void AddLabelledField(QFormLayout* layout, const QString& caption, QWidget* field);

// The "OK" (default) and "Cancel" buttons of `dialog`, right-aligned in the
// returned row.
QHBoxLayout* OkCancelRow(QWidget* dialog, QPushButton*& ok, QPushButton*& cancel);

// "IP address :" -> "IP address"; "Modbus RTU " -> "Modbus RTU".
QString AccessibleCaption(const QString& caption);

// Focus walks the widgets in the given order.
void SetTabOrder(std::initializer_list<QWidget*> widgets);

// Gives a dialog a fixed client area, grown only if its contents need more room.
void FixClientSize(QWidget* dialog, int width, int height);

// Centres a window on the main window (see ui/CentreOnMain.h; the parent's
// window when no main window is registered). Returns false, moving nothing,
// while that window is not on screen: its place is not known yet.
bool CentreOnShownMainWindow(QWidget* window);
