#pragma once
#include <QString>

class MainWindow;
class DataWindow;

// The bodies of the commands that save and load data windows and windows
// sets, run by the main window's handlers after their file dialogs. Each
// raises mms::Error for the command's error box.
namespace mms {

// Open: the file is read before any window exists, so a file that fails to
// load (or a full table) creates no window and uses no slot. Afterwards the
// window holds the file's contents, its caption and FileName are `path`.
DataWindow* OpenWindowFile(MainWindow& main, const QString& path);

// Fills a window that is already open and registered from `path`; on error
// the window keeps what it had and FileName stays as it was.
void LoadWindowFileInto(DataWindow& window, const QString& path);

// Writes the window to `path`; FileName becomes `path` only when the file
// was written.
void SaveWindowFileOf(DataWindow& window, const QString& path);

// The FileName of every open data window, in slot order; closed windows and
// windows never saved or loaded are left out.
void SaveWindowsSetOf(MainWindow& main, const QString& path);

// Opens the set's windows one by one, after the windows already open. Stops
// at the first entry that fails (or when the table is full), keeping the
// windows opened before it.
void LoadWindowsSetInto(MainWindow& main, const QString& path);

}  // namespace mms
