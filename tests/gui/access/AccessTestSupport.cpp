#include "AccessTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QRadioButton>
#include <QtTest>

#include "auxiliary/SplashScreen.h"
#include "shell/Program.h"
#include "common/SettingsFile.h"

namespace {

constexpr int kTickMs = 10;
constexpr int kStuckTicks = 300;  // 3 s with a dialog up and no step for it

void Collect(QAccessibleInterface* node, QList<AccessNode>& out, int depth) {
  if (!node || !node->isValid() || depth > 40) return;
  const QAccessible::State state = node->state();
  if (state.invisible) return;
  out.append({node->role(), node->text(QAccessible::Name), node->text(QAccessible::Value),
              node->text(QAccessible::Description), state, node->object()});
  for (int i = 0; i < node->childCount(); ++i) Collect(node->child(i), out, depth + 1);
}

}  // namespace

QList<AccessNode> AccessTree(QObject* root) {
  QList<AccessNode> nodes;
  Collect(QAccessible::queryAccessibleInterface(root), nodes, 0);
  return nodes;
}

QAccessibleInterface* FindAccessible(QObject* root, QAccessible::Role role, const QString& name) {
  for (const AccessNode& node : AccessTree(root)) {
    if (node.role != role || node.name != name) continue;
    if (node.object) return QAccessible::queryAccessibleInterface(node.object);
  }
  return nullptr;
}

QStringList AccessibleNames(QObject* root, QAccessible::Role role) {
  QStringList names;
  for (const AccessNode& node : AccessTree(root))
    if (node.role == role) names << node.name;
  return names;
}

QString AccessibleName(QObject* object) {
  QAccessibleInterface* node = object ? QAccessible::queryAccessibleInterface(object) : nullptr;
  return node ? node->text(QAccessible::Name) : QStringLiteral("<none>");
}

namespace {

QString WithoutTrail(QString text) {
  while (text.endsWith(QLatin1Char(':')) || text.endsWith(QLatin1Char(' '))) text.chop(1);
  return text;
}

QString RoleName(QAccessible::Role role) {
  switch (role) {
    case QAccessible::EditableText:
      return QStringLiteral("edit");
    case QAccessible::ComboBox:
      return QStringLiteral("drop-down");
    case QAccessible::CheckBox:
      return QStringLiteral("check box");
    case QAccessible::RadioButton:
      return QStringLiteral("radio");
    case QAccessible::Button:
      return QStringLiteral("button");
    default:
      return QString();
  }
}

}  // namespace

QString CaptionOf(QAccessibleInterface* field) {
  if (!field) return QString();
  const QString name = field->text(QAccessible::Name);
  if (field->role() != QAccessible::ComboBox || name != field->text(QAccessible::Value))
    return WithoutTrail(name);
  for (const auto& [label, relation] : field->relations(QAccessible::Label)) {
    Q_UNUSED(relation);
    if (label && label->role() == QAccessible::StaticText)
      return WithoutTrail(label->text(QAccessible::Name));
  }
  return WithoutTrail(name);
}

QStringList Controls(QObject* root) {
  QStringList controls;
  for (const AccessNode& node : AccessTree(root)) {
    const QString role = RoleName(node.role);
    if (role.isEmpty() || !node.object) continue;
    if (qobject_cast<QComboBox*>(node.object->parent())) continue;
    controls << role + QLatin1Char(' ') +
                    CaptionOf(QAccessible::queryAccessibleInterface(node.object));
  }
  return controls;
}

QStringList StaticTexts(QObject* root) {
  QStringList texts;
  for (const AccessNode& node : AccessTree(root))
    if (node.role == QAccessible::StaticText) texts << node.name;
  return texts;
}

void Press(int key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::activePopupWidget();
  if (!target) target = QApplication::focusWidget();
  if (!target) target = QApplication::activeWindow();
  if (!target) {
    qWarning("No widget to take the key");
    return;
  }
  QTest::keyClick(target, Qt::Key(key), modifiers);
}

void Type(const QString& text) {
  QWidget* target = QApplication::focusWidget();
  if (target) QTest::keyClicks(target, text);
}

bool ChooseFromMenuBar(const QString& menu, const QString& item) {
  auto openMenu = [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); };
  auto caption = [](const QString& text) { return QString(text).remove(QLatin1Char('&')); };
  auto closeMenus = [&] {
    for (int i = 0; i < 3 && openMenu(); ++i) Press(Qt::Key_Escape);
    return false;
  };
  Press(Qt::Key_F, Qt::AltModifier);
  for (int i = 0; i < 8 && openMenu() && caption(openMenu()->title()) != menu; ++i)
    Press(Qt::Key_Right);
  if (!openMenu() || caption(openMenu()->title()) != menu) return closeMenus();
  for (int i = 0; i < 20; ++i) {
    QAction* active = openMenu()->activeAction();
    if (active && caption(active->text()) == item) {
      Press(Qt::Key_Return);
      return true;
    }
    Press(Qt::Key_Down);
  }
  return closeMenus();
}

bool TabTo(const QString& caption, int limit) {
  for (int i = 0; i < limit; ++i) {
    QWidget* focus = QApplication::focusWidget();
    if (focus && CaptionOf(QAccessible::queryAccessibleInterface(focus)) == caption) return true;
    Press(Qt::Key_Tab);
  }
  return false;
}

void PressMenuKey() {
  QWidget* focus = QApplication::focusWidget();
  if (!focus) return;
  // Where the platform puts a keyboard context menu: the focused item.
  const QPoint pos = focus->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
  QContextMenuEvent event(QContextMenuEvent::Keyboard, pos, focus->mapToGlobal(pos),
                          Qt::NoModifier);
  QApplication::sendEvent(focus, &event);
}

void Operate(QAbstractButton* button, Operation how) {
  switch (how) {
    case Operation::kMouse:
      QTest::mouseClick(button, Qt::LeftButton);
      break;
    case Operation::kSpaceKey:
      button->setFocus();
      QTest::keyClick(button, Qt::Key_Space);
      break;
    case Operation::kAccessibleToggle: {
      QAccessibleInterface* node = QAccessible::queryAccessibleInterface(button);
      QAccessibleActionInterface* actions = node ? node->actionInterface() : nullptr;
      if (actions) actions->doAction(QAccessibleActionInterface::toggleAction());
      break;
    }
    case Operation::kProgram:
      button->setChecked(qobject_cast<QRadioButton*>(button) || !button->isChecked());
      break;
  }
}

void AddOperationRows() {
  QTest::addColumn<Operation>("how");
  QTest::newRow("mouse") << Operation::kMouse;
  QTest::newRow("space key") << Operation::kSpaceKey;
  QTest::newRow("screen reader's Toggle") << Operation::kAccessibleToggle;
  QTest::newRow("setChecked") << Operation::kProgram;
}

bool Reactivate(QWidget* window) {
  window->activateWindow();
  return QTest::qWaitForWindowActive(window);
}

QStringList TabWalk(int limit) {
  QStringList names;
  QWidget* first = QApplication::focusWidget();
  if (!first) return names;
  auto caption = [](QWidget* w) { return CaptionOf(QAccessible::queryAccessibleInterface(w)); };
  names << caption(first);
  for (int i = 0; i < limit; ++i) {
    Press(Qt::Key_Tab);
    QWidget* now = QApplication::focusWidget();
    if (now == first || now == nullptr) return names;
    names << caption(now);
  }
  names << QStringLiteral("<no way back>");
  return names;
}

// ---- ModalScript ---------------------------------------------------------------------

ModalScript::ModalScript() {
  connect(&timer_, &QTimer::timeout, this, &ModalScript::Tick);
  timer_.start(kTickMs);
}

ModalScript::~ModalScript() {
  if (handled_) handled_->removeEventFilter(this);
}

ModalScript& ModalScript::Then(Step step) {
  steps_.append(std::move(step));
  return *this;
}

bool ModalScript::eventFilter(QObject* watched, QEvent* event) {
  // A dialog shown again later is a new showing and takes the next step.
  if (watched == handled_ && event->type() == QEvent::Hide) {
    handled_->removeEventFilter(this);
    handled_ = nullptr;
  }
  return QObject::eventFilter(watched, event);
}

void ModalScript::Tick() {
  if (pending_) return;
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || !modal->isVisible()) {
    idleTicks_ = 0;
    return;
  }
  if (modal == handled_ || steps_.isEmpty()) {
    if (++idleTicks_ < kStuckTicks) return;
    idleTicks_ = 0;
    stuck_ << modal->windowTitle();
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
    return;
  }
  if (QApplication::activeWindow() != modal) {
    // As the window manager does when a box over the dialog has closed.
    modal->activateWindow();
    return;
  }
  idleTicks_ = 0;
  if (handled_) handled_->removeEventFilter(this);
  handled_ = modal;
  modal->installEventFilter(this);
  // Run from the dialog's own loop rather than from this timer, so that the
  // timer goes on ticking for a box the step brings up.
  pending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this, step = steps_.takeFirst(), target = QPointer<QWidget>(modal)] {
        pending_ = false;
        ++running_;
        if (target) step(target);
        --running_;
      },
      Qt::QueuedConnection);
}

// ---- ProgramSession ------------------------------------------------------------------

ProgramSession::ProgramSession(const QByteArray& settings) {
  previousDirectory_ = QDir::currentPath();
  QDir::setCurrent(dir_.path());
  mms::SetSettingsDirectory(dir_.path().toStdString());
  if (!settings.isEmpty()) {
    QFile file(QString::fromStdString(mms::SettingsFilePath()));
    if (file.open(QIODevice::WriteOnly)) file.write(settings);
  }
  program_ = std::make_unique<Program>();
  // The splash waits for the key, however slow the machine.
  gSplashScreen->StopTimer();
  ModalScript script;
  script.Then([](QWidget* modal) {
    if (modal == gSplashScreen) Press(Qt::Key_Return);
  });
  program_->mainWindow->show();
  started_ = QTest::qWaitFor([&] { return script.Finished() && !gSplashScreen->isVisible(); }) &&
             script.Stuck().isEmpty() && Reactivate(program_->mainWindow.get());
}

ProgramSession::~ProgramSession() {
  program_.reset();
  mms::SetSettingsDirectory("");
  QDir::setCurrent(previousDirectory_);
}

MainWindow* ProgramSession::Main() { return program_->mainWindow.get(); }

QByteArray ProgramSession::SettingsText() const {
  QFile file(QString::fromStdString(mms::SettingsFilePath()));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
