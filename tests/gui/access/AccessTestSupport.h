#pragma once
// Drives the program the way a keyboard user does and reads it the way a
// screen reader does: keys go to the focused widget (or the open menu),
// shortcuts first; texts come from the QAccessible interfaces only.
#include <QAccessible>
#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

class Program;
class MainWindow;
class QAbstractButton;
class QWidget;

// One interface of a window's accessibility tree.
struct AccessNode {
  QAccessible::Role role = QAccessible::NoRole;
  QString name;
  QString value;
  QString description;
  QAccessible::State state;
  QObject* object = nullptr;
};

// Every interface below `root`, depth first, `root` first. Hidden widgets are
// left out, as screen readers leave them out.
QList<AccessNode> AccessTree(QObject* root);

// The visible node of `role` named `name` below `root`, or null.
QAccessibleInterface* FindAccessible(QObject* root, QAccessible::Role role, const QString& name);

// The names of the visible nodes of `role` below `root`, in tree order.
QStringList AccessibleNames(QObject* root, QAccessible::Role role);

// The accessible name of a widget's interface.
QString AccessibleName(QObject* object);

// What a screen reader announces as a field's caption: its name; for a
// drop-down, whose name Qt gives as its value on this platform, the text of
// the label that labels it. Without a trailing colon or blank.
QString CaptionOf(QAccessibleInterface* field);

// The controls of a window as a screen reader lists them, in tree order:
// "role caption" for every edit, drop-down, check box, radio button and push
// button (the text part of a drop-down counts with its drop-down).
QStringList Controls(QObject* root);

// The texts a window shows without a control: its static texts, in order.
QStringList StaticTexts(QObject* root);

// A key as the user presses it: to the open menu if there is one, else to the
// focused widget, else to the active window.
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void Type(const QString& text);

// What the window manager does when a dialog closes: activates `window`
// again, which gives the focus back to the widget that last had it there.
bool Reactivate(QWidget* window);

// Walks the menu bar from the keyboard: Alt+F opens the first menu, Right
// moves to `menu`, Down to `item` (captions without '&'), Enter chooses it.
// Returns false, closing the menus, when either is not reached. A modal
// dialog that the item opens runs inside this call.
bool ChooseFromMenuBar(const QString& menu, const QString& item);

// Presses Tab from the focused widget until the focus comes back to it, and
// returns the caption (CaptionOf) of every widget the focus went through, the
// first one included. Gives up after `limit` presses.
QStringList TabWalk(int limit = 60);

// Presses Tab until the focused widget has `caption` (CaptionOf).
bool TabTo(const QString& caption, int limit = 40);

// The context-menu key: the event the platform sends for it, at the focused
// item.
void PressMenuKey();

// The ways a check box or radio button is worked: a control must do the same
// whichever is used.
enum class Operation { kMouse, kSpaceKey, kAccessibleToggle, kProgram };
// Ticks or unticks a check box, chooses a radio button; a row per way.
void Operate(QAbstractButton* button, Operation how);
void AddOperationRows();
Q_DECLARE_METATYPE(Operation)

// Plays the user at modal dialogs: each dialog that comes up, and is active,
// gets the next step, run from inside its own event loop. A dialog that is
// left open with no step for it is rejected after a few seconds and noted, so
// a failing test ends instead of hanging.
class ModalScript : public QObject {
 public:
  using Step = std::function<void(QWidget* modal)>;
  ModalScript();
  ~ModalScript() override;

  ModalScript& Then(Step step);
  bool Finished() const { return steps_.isEmpty() && !pending_ && running_ == 0; }
  // Titles of the dialogs that had to be rejected.
  const QStringList& Stuck() const { return stuck_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Tick();

  QList<Step> steps_;
  QTimer timer_;
  QPointer<QWidget> handled_;
  int idleTicks_ = 0;
  bool pending_ = false;
  int running_ = 0;
  QStringList stuck_;
};

// The whole program as main() builds it, with its settings in a directory of
// its own (also the current directory, where Connect puts its log), shown
// and past the splash (dismissed with Enter).
class ProgramSession {
 public:
  // `settings`: the content of the settings file; empty for none.
  explicit ProgramSession(const QByteArray& settings = QByteArray());
  ~ProgramSession();
  ProgramSession(const ProgramSession&) = delete;
  ProgramSession& operator=(const ProgramSession&) = delete;

  Program& Get() { return *program_; }
  QString Directory() const { return dir_.path(); }
  MainWindow* Main();
  QByteArray SettingsText() const;
  // Whether start-up got past the splash to an active main window.
  bool Started() const { return started_; }

 private:
  QTemporaryDir dir_;
  QString previousDirectory_;
  std::unique_ptr<Program> program_;
  bool started_ = false;
};
