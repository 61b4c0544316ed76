#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "ui/amplifier/AmplifierWindow.h"
#include "ui/design/DesignWindow.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/main/MainWindow.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

using ui::InputBox;
using ui::MainWindow;

// What a message box showed before the test dismissed it.
struct Shown {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
};

// Answers every message box that opens while it lives: records it and
// presses its OK button, so no test can hang on a modal dialog.
class MessageCatcher {
public:
    MessageCatcher() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start();
    }
    const std::vector<Shown>& shown() const { return shown_; }
    QStringList texts() const {
        QStringList list;
        for (const Shown& s : shown_) list << s.text;
        return list;
    }

private:
    void Answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        shown_.push_back({box->windowTitle(), box->text(), box->icon(),
                          static_cast<int>(box->buttons().size())});
        box->button(QMessageBox::Ok)->click();
    }
    QTimer timer_;
    std::vector<Shown> shown_;
};

QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

const QStringList kSiliconLines = {
    "Ic = 2.946 mA  Ve = 1.398 Volts  Vc = 5.520 Volts",
    "R1 Power = 4.547e-3 Watts   R2 Power = 849.6e-6 Watts",
    "Re Power = 4.160e-3 Watts   Rc Power = 19.09e-3 Watts",
    "            Collector Dissipation = 12.14e-3 Watts",
    "For Rc = 0, Collector Dissipation = 31.23e-3 Watts",
    "                 Stability Factor = 8.240",
};

// Makes `window` the active window, as a user's click on it does.
[[nodiscard]] bool Activate(QWidget* window) {
    window->activateWindow();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

// Opens a context menu by `open` and hands the menu to `act` once it shows,
// whether `open` returns at once or only when the menu has closed.
void WithContextMenu(const std::function<void()>& open, const std::function<void(QMenu*)>& act) {
    bool acted = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || acted) return;
        acted = true;
        act(menu);
    });
    poll.start();
    open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return acted && !QApplication::activePopupWidget(); }));
    // A menu left open would hold every later test.
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
}

// Chooses a menu item as a user does from the keyboard: highlight it, press Enter.
void ChooseItem(QMenu* menu, QAction* action) {
    ASSERT_NE(action, nullptr);
    menu->setActiveAction(action);
    QTest::keyClick(menu, Qt::Key_Return);
}

// The menu's items as assistive technology names them, with their enabled
// state; separators left out.
QStringList AccessibleItems(QMenu* menu) {
    QStringList items;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(menu);
    for (int i = 0; accessible != nullptr && i < accessible->childCount(); ++i) {
        QAccessibleInterface* item = accessible->child(i);
        if (item->role() == QAccessible::Separator) continue;
        items << item->text(QAccessible::Name) + (item->state().disabled ? " (off)" : "");
    }
    return items;
}

QAction* ItemNamed(QMenu* menu, const QString& name) {
    for (QAction* action : menu->actions()) {
        // Qt's own items carry their shortcut after a tab.
        const QString text = action->text().section(QLatin1Char('\t'), 0, 0);
        if (QString(text).remove(QLatin1Char('&')) == name) return action;
    }
    return nullptr;
}

class MainWindowBehaviour : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        Start();
    }

    // Starts the window afresh, as the program does, in the test's directory.
    void Start() {
        form_ = std::make_unique<MainWindow>();
        form_->Load(dir_.path().toStdString());
        ASSERT_TRUE(Activate(form_.get()));
    }

    QString FilePath() const { return dir_.filePath(QStringLiteral("Tindrel.dat")); }

    void WriteFile(const QByteArray& bytes) const {
        QFile file(FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray ReadFile() const {
        QFile file(FilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Types the six values into the boxes the way a user would: the focus
    // starts in TxtVcc with its text selected, typing replaces it, Tab moves on.
    // Backspace removes the selected text, so an empty value empties the box.
    void TypeInputs(const QStringList& values) {
        // A message box that just closed leaves the window to be activated again.
        ASSERT_TRUE(Activate(form_.get()));
        form_->TxtVcc->setFocus(Qt::OtherFocusReason);
        for (const QString& value : values) {
            QWidget* box = QApplication::focusWidget();
            ASSERT_NE(box, nullptr);
            QTest::keyClick(box, Qt::Key_Backspace);
            QTest::keyClicks(box, value);
            QTest::keyClick(box, Qt::Key_Tab);
        }
    }

    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    std::array<InputBox*, 6> Boxes() const {
        return {form_->TxtVcc, form_->TxtBeta, form_->TxtR1,
                form_->TxtR2,  form_->TxtRc,   form_->TxtRe};
    }

    QTemporaryDir dir_;
    std::unique_ptr<MainWindow> form_;
};

TEST_F(MainWindowBehaviour, FirstStartWithoutAFileHasEmptyBoxesSiliconAndFocusInVcc) {
    for (InputBox* box : Boxes()) EXPECT_EQ(box->text(), "");
    EXPECT_TRUE(form_->OptSi->isChecked());
    EXPECT_FALSE(form_->OptGe->isChecked());
    EXPECT_EQ(form_->List1->count(), 0);
    EXPECT_EQ(QApplication::focusWidget(), form_->TxtVcc);
    EXPECT_EQ(form_->AppDir, dir_.path().toStdString());
}

TEST_F(MainWindowBehaviour, StartRestoresTheLastRunAndSelectsItsText) {
    WriteFile(
        "False\r\n 12.00     \r\n 100.0     \r\n 22.00e+3  \r\n 4.700e+3  \r\n 2.200e+3  \r\n"
        " 470.0     \r\nFalse\r\nTrue\r\n");
    form_.reset();
    Start();
    const QStringList expected = {"12.00", "100.0", "22.00e+3", "4.700e+3", "2.200e+3", "470.0"};
    const auto boxes = Boxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) EXPECT_EQ(boxes[i]->text(), expected[i]);
    EXPECT_TRUE(form_->OptGe->isChecked());
    EXPECT_FALSE(form_->OptSi->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), form_->TxtVcc);
    EXPECT_EQ(form_->TxtVcc->selectedText(), "12.00");
}

TEST_F(MainWindowBehaviour, CalculateShowsTheWorkedExamples) {
    MessageCatcher messages;
    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    Click(form_->CmdCalc);
    EXPECT_EQ(Lines(form_->List1), kSiliconLines);

    // Again: still six lines, not twelve.
    Click(form_->CmdCalc);
    EXPECT_EQ(Lines(form_->List1), kSiliconLines);

    QTest::mouseClick(form_->OptGe, Qt::LeftButton);
    Click(form_->CmdCalc);
    EXPECT_EQ(Lines(form_->List1),
              (QStringList{"Ic = 3.919 mA  Ve = 1.861 Volts  Vc = 3.377 Volts",
                           "R1 Power = 4.136e-3 Watts   R2 Power = 1.288e-3 Watts",
                           "Re Power = 7.365e-3 Watts   Rc Power = 33.80e-3 Watts",
                           "            Collector Dissipation = 5.944e-3 Watts",
                           "For Rc = 0, Collector Dissipation = 39.74e-3 Watts",
                           "                 Stability Factor = 8.240"}));

    TypeInputs({"1", "1", "1", "1", "1", "1"});
    QTest::mouseClick(form_->OptSi, Qt::LeftButton);
    Click(form_->CmdCalc);
    const QStringList lines = Lines(form_->List1);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "Ic = -40.00 mA  Ve = -80.00e-3 Volts  Vc = 1.040 Volts");
    EXPECT_EQ(lines[5], "                 Stability Factor = 500.0e-3");
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(MainWindowBehaviour, NoMaterialAsksForOneThenCalculatesWithZeroDrop) {
    MessageCatcher messages;
    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    // Neither option set: only the program can clear both of an exclusive pair.
    form_->OptSi->setAutoExclusive(false);
    form_->OptSi->setChecked(false);
    form_->OptSi->setAutoExclusive(true);
    Click(form_->CmdCalc);
    ASSERT_EQ(messages.shown().size(), 1u);
    const Shown& shown = messages.shown()[0];
    EXPECT_EQ(shown.text, "Select Silicon or Germanium.");
    EXPECT_EQ(shown.title, "Tindrel");
    EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
    EXPECT_EQ(shown.buttons, 1);
    const QStringList lines = Lines(form_->List1);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "Ic = 4.114 mA  Ve = 1.953 Volts  Vc = 2.949 Volts");
}

struct FaultCase {
    QStringList inputs;  // Vcc, Beta, R1, R2, Rc, Re
    QString message;
    QStringList linesAfter;  // empty: the earlier results stay
};

TEST_F(MainWindowBehaviour, FaultsStopTheActionAndNameWhatWentWrong) {
    const FaultCase cases[] = {
        {{"", "", "", "", "", ""},
         "Invalid operation while computing the Thevenin voltage of the divider (R1 + R2 is 0).",
         {}},
        {{"12", "100", "0", "4700", "2200", "0"},
         "Division by zero while computing the collector current (Re is 0).",
         {}},
        {{"12", "0", "22000", "4700", "2200", "470"},
         "Invalid operation while computing the emitter voltage (Beta is 0).",
         {}},
        {{"12", "100", "0", "4700", "2200", "470"},
         "Division by zero while computing the power in R1 (R1 is 0).",
         {"Ic = 24.02 mA  Ve = 11.40 Volts  Vc = -40.83 Volts"}},
        {{"12", "100", "22000", "4700", "2200", "0"},
         "Invalid operation while computing the power in Re (Re is 0).",
         {"Ic = 39.05 mA  Ve = 0.000 Volts  Vc = -73.91 Volts"}},
        {{"12", "100", "22000", "4700", "0", "470"},
         "Invalid operation while computing the power in Rc (Rc is 0).",
         {"Ic = 2.946 mA  Ve = 1.398 Volts  Vc = 12.00 Volts"}},
        {{"1e999", "100", "22000", "4700", "2200", "470"},
         "Overflow: the supply voltage box (Vcc) holds a number too large to calculate with: "
         "1e999.",
         {}},
    };
    for (const FaultCase& c : cases) {
        MessageCatcher messages;
        TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
        Click(form_->CmdCalc);
        ASSERT_EQ(Lines(form_->List1), kSiliconLines);

        TypeInputs(c.inputs);
        Click(form_->CmdCalc);
        EXPECT_EQ(messages.texts(), QStringList{c.message}) << c.inputs.join(',').toStdString();
        EXPECT_EQ(Lines(form_->List1), c.linesAfter.isEmpty() ? kSiliconLines : c.linesAfter)
            << c.inputs.join(',').toStdString();
        // Nothing typed is lost, and the window stays open.
        EXPECT_EQ(form_->TxtVcc->text(), c.inputs[0]);
        EXPECT_TRUE(form_->isVisible());
    }
}

TEST_F(MainWindowBehaviour, ClearEmptiesTheBoxesOnlyAndFocusesVcc) {
    MessageCatcher messages;
    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    QTest::mouseClick(form_->OptGe, Qt::LeftButton);
    Click(form_->CmdCalc);
    Click(form_->CmdClr);
    for (InputBox* box : Boxes()) EXPECT_EQ(box->text(), "");
    EXPECT_TRUE(form_->OptGe->isChecked());
    EXPECT_EQ(form_->List1->count(), 6);
    EXPECT_EQ(QApplication::focusWidget(), form_->TxtVcc);
    // The caret is there: typing goes into TxtVcc.
    QTest::keyClicks(QApplication::focusWidget(), "5");
    EXPECT_EQ(form_->TxtVcc->text(), "5");
}

TEST_F(MainWindowBehaviour, SelectsTheTextOnEveryWayOfFocusing) {
    const auto boxes = Boxes();
    for (InputBox* box : boxes) box->setText("4700");

    // By keyboard.
    form_->TxtVcc->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form_->TxtVcc, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form_->TxtBeta);
    EXPECT_EQ(form_->TxtBeta->selectedText(), "4700");

    // By mouse, at a point inside the text that a plain click would put the caret.
    QTest::mouseClick(form_->TxtR2, Qt::LeftButton, {}, QPoint(12, 8));
    EXPECT_EQ(QApplication::focusWidget(), form_->TxtR2);
    EXPECT_EQ(form_->TxtR2->selectedText(), "4700");
    EXPECT_EQ(form_->TxtR2->selectionStart(), 0);

    // After Clear and new text, and from the program.
    Click(form_->CmdClr);
    form_->TxtRe->setText("470");
    form_->TxtRe->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(form_->TxtRe->selectedText(), "470");

    // A long text has its first 99 characters selected.
    const QString longText(120, QLatin1Char('7'));
    form_->TxtRc->setText(longText);
    QTest::mouseClick(form_->TxtRc, Qt::LeftButton);
    EXPECT_EQ(form_->TxtRc->selectionStart(), 0);
    EXPECT_EQ(form_->TxtRc->selectedText(), longText.left(99));
}

TEST_F(MainWindowBehaviour, FocusComingBackToABoxKeepsItsCaretAndSelection) {
    InputBox* box = form_->TxtVcc;
    box->setFocus(Qt::OtherFocusReason);
    box->setText("123456");
    QTest::keyClick(box, Qt::Key_End);

    // Another window becomes active, then this one again.
    QWidget other;
    other.show();
    ASSERT_TRUE(Activate(&other));
    ASSERT_TRUE(Activate(form_.get()));
    EXPECT_FALSE(box->hasSelectedText());
    EXPECT_EQ(box->cursorPosition(), 6);

    // The box's own menu: Paste goes in at the caret.
    QGuiApplication::clipboard()->setText("XY");
    WithContextMenu(
        [box] {
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    box->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(box, &event);
        },
        [](QMenu* menu) { ChooseItem(menu, ItemNamed(menu, "Paste")); });
    EXPECT_EQ(box->text(), "123456XY");
    // On a busy machine the offscreen platform may leave no window active once
    // the menu has gone, where a window manager gives the activation back.
    if (!QTest::qWaitFor([this] { return QApplication::activeWindow() == form_.get(); }, 500)) {
        ASSERT_TRUE(Activate(form_.get()));
    }
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_FALSE(box->hasSelectedText());
    box->setSelection(2, 3);
    ASSERT_TRUE(Activate(&other));
    ASSERT_TRUE(Activate(form_.get()));
    EXPECT_EQ(box->selectedText(), "345");
}

TEST_F(MainWindowBehaviour, ABoxNotReadWholeShowsTheSignAndWritesTheValueMeant) {
    InputBox* box = form_->TxtR1;
    const QString ordinary = box->toolTip();
    const auto signButton = [box] {
        for (auto* button : box->findChildren<QToolButton*>())
            if (button->defaultAction() == box->Sign()) return button;
        return static_cast<QToolButton*>(nullptr);
    };
    const QString sentence =
        "Read as 22.00: the text from \"k\" on is not read. Press the sign, or choose \"Write "
        "22000\" in the box's menu, to write 22000.";
    const QRect place = box->geometry();

    box->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(box, "22k");
    EXPECT_EQ(box->accessibleDescription(), sentence);
    EXPECT_EQ(box->toolTip(), sentence + "\n" + ordinary);
    ASSERT_NE(signButton(), nullptr);
    EXPECT_TRUE(signButton()->isVisible());
    EXPECT_EQ(box->geometry(), place);

    form_->TxtR2->setFocus(Qt::TabFocusReason);  // the press on the sign brings the focus
    QTest::mouseClick(signButton(), Qt::LeftButton);
    EXPECT_EQ(box->text(), "22000");
    EXPECT_FALSE(signButton()->isVisible());
    EXPECT_EQ(box->accessibleDescription(), "");
    EXPECT_EQ(box->toolTip(), ordinary);
    EXPECT_EQ(QApplication::focusWidget(), box);
    // A click in the box then places the caret, as in a box that has the focus.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    EXPECT_FALSE(box->hasSelectedText());

    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "22k");
    EXPECT_TRUE(signButton()->isVisible());

    // The box's own menu, from either key, offers the same.
    for (const auto& menuKey :
         {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
        SCOPED_TRACE(menuKey.first);
        WithContextMenu([&] { QTest::keyClick(box, menuKey.first, menuKey.second); },
                        [](QMenu* menu) { ChooseItem(menu, ItemNamed(menu, "Write 22000")); });
        EXPECT_EQ(box->text(), "22000");
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(box->text(), "22k");
    }

    // Text that only the program writes is followed too.
    box->setText("1<b>x");
    EXPECT_TRUE(box->toolTip().contains("&lt;b&gt;x"));
    Click(form_->CmdClr);
    EXPECT_FALSE(signButton()->isVisible());
}

TEST_F(MainWindowBehaviour, ResultMenuCopiesTheSelectedLineOrEveryLine) {
    MessageCatcher messages;
    ui::ResultList* list = form_->List1;
    const auto openByMouse = [list] {
        const QPoint at(10, 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
    };
    const auto openByKeyboard = [list] {
        list->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    };
    WithContextMenu(openByKeyboard, [](QMenu* menu) {
        EXPECT_EQ(AccessibleItems(menu),
                  (QStringList{"Copy (off)", "Copy All (off)", "Show Load Line",
                               "Design from a Target...", "Amplifier (AC)..."}));
        menu->close();
    });

    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    Click(form_->CmdCalc);
    list->clearSelection();
    QGuiApplication::clipboard()->clear();
    WithContextMenu(openByKeyboard, [](QMenu* menu) {
        EXPECT_EQ(AccessibleItems(menu),
                  (QStringList{"Copy (off)", "Copy All", "Show Load Line",
                               "Design from a Target...", "Amplifier (AC)..."}));
        ChooseItem(menu, ItemNamed(menu, "Copy All"));
    });
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kSiliconLines.join('\n') + '\n');

    list->setCurrentRow(3);
    WithContextMenu(openByMouse, [](QMenu* menu) {
        EXPECT_EQ(AccessibleItems(menu),
                  (QStringList{"Copy", "Copy All", "Show Load Line", "Design from a Target...",
                               "Amplifier (AC)..."}));
        ChooseItem(menu, ItemNamed(menu, "Copy"));
    });
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kSiliconLines[3]);

    // Ctrl+C copies the current line as before.
    list->setFocus(Qt::OtherFocusReason);
    list->setCurrentRow(5);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kSiliconLines[5]);

    WithContextMenu(openByMouse,
                    [](QMenu* menu) { ChooseItem(menu, ItemNamed(menu, "Show Load Line")); });
    auto* loadLine = form_->findChild<ui::LoadLineWindow*>();
    ASSERT_NE(loadLine, nullptr);
    EXPECT_TRUE(loadLine->isVisible());

    WithContextMenu(openByMouse, [](QMenu* menu) {
        ChooseItem(menu, ItemNamed(menu, "Design from a Target..."));
    });
    auto* design = form_->findChild<ui::DesignWindow*>();
    ASSERT_NE(design, nullptr);
    EXPECT_TRUE(design->isVisible());
}

// The table as its rows show, tab-separated without the header row.
QString TableCells(const QTableWidget* table) {
    QString text;
    for (int row = 0; row < table->rowCount(); ++row) {
        text += table->verticalHeaderItem(row)->text();
        for (int column = 0; column < table->columnCount(); ++column) {
            text += '\t' + table->item(row, column)->text();
        }
        text += '\n';
    }
    return text;
}

TEST_F(MainWindowBehaviour, LoadLineWindowFollowsEveryCalculateThatShowsLineOne) {
    MessageCatcher messages;
    // Nothing of it exists before it is asked for.
    EXPECT_EQ(form_->findChild<ui::LoadLineWindow*>(), nullptr);
    QTest::keyClick(form_.get(), Qt::Key_L, Qt::ControlModifier);
    auto* window = form_->findChild<ui::LoadLineWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Tindrel: Load Line");
    const auto* picture = window->findChild<QWidget*>("LoadLinePicture");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->accessibleDescription(),
              "No load line: press Calculate in the main window. No spread: press Calculate in "
              "the main window.");

    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    Click(form_->CmdCalc);
    EXPECT_EQ(picture->accessibleDescription(),
              "Load line: Vce = 12.00 V at Ic = 0, Ic = 4.486e-3 A at Vce = 0. Q point: Vce = "
              "4.121 V, Ic = 2.946e-3 A, active region. Spread over 32 corners: Ic from 2.324e-3 A "
              "to 3.611e-3 A, Vce from 2.039 V to 5.973 V; 32 active, 0 in saturation, 0 in "
              "cut-off. Monte Carlo: 10000 samples, 100.0 % active.");
    const QImage active = window->Picture();

    // Rc = 0 stops the calculation after line 1: the point still moves.
    TypeInputs({"12", "100", "22000", "4700", "0", "470"});
    Click(form_->CmdCalc);
    EXPECT_TRUE(picture->accessibleDescription().startsWith(
        "Load line: Vce = 12.00 V at Ic = 0, Ic = 25.28e-3 A at Vce = 0. Q point: Vce = "
        "10.60 V, Ic = 2.946e-3 A, active region. Spread over 16 corners:"))
        << picture->accessibleDescription().toStdString();
    EXPECT_NE(window->Picture(), active);
    QString error;
    ASSERT_TRUE(window->SavePicture(dir_.filePath("line.png"), error)) << error.toStdString();
    EXPECT_EQ(QImage(dir_.filePath("line.png")).convertToFormat(QImage::Format_ARGB32),
              window->Picture().convertToFormat(QImage::Format_ARGB32));
    EXPECT_FALSE(window->SavePicture(dir_.filePath("missing/line.png"), error));
    EXPECT_FALSE(error.isEmpty());
    const QString afterRcZero = picture->accessibleDescription();

    // No line 1 (R1 + R2 = 0): the window keeps the last point.
    TypeInputs({"12", "100", "", "", "2200", "470"});
    Click(form_->CmdCalc);
    EXPECT_EQ(picture->accessibleDescription(), afterRcZero);

    WithContextMenu(
        [window] { QTest::keyClick(window, Qt::Key_F10, Qt::ShiftModifier); },
        [](QMenu* menu) { ChooseItem(menu, ItemNamed(menu, "Design from a Target...")); });
    ASSERT_NE(form_->findChild<ui::DesignWindow*>(), nullptr);

    form_->close();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowBehaviour, AmplifierWindowIsMadeOnFirstUseAndReachedFromEveryWindow) {
    MessageCatcher messages;
    EXPECT_EQ(form_->findChild<ui::AmplifierWindow*>(), nullptr);
    QTest::keyClick(form_.get(), Qt::Key_G, Qt::ControlModifier);
    auto* amplifier = form_->findChild<ui::AmplifierWindow*>();
    ASSERT_NE(amplifier, nullptr);
    EXPECT_TRUE(amplifier->isVisible());
    EXPECT_EQ(amplifier->windowTitle(), "Tindrel: Amplifier");

    // The load line's menu and the design window's Ctrl+G bring back the same one.
    amplifier->close();
    QTest::keyClick(form_.get(), Qt::Key_L, Qt::ControlModifier);
    auto* loadLine = form_->findChild<ui::LoadLineWindow*>();
    ASSERT_NE(loadLine, nullptr);
    WithContextMenu([loadLine] { QTest::keyClick(loadLine, Qt::Key_F10, Qt::ShiftModifier); },
                    [](QMenu* menu) { ChooseItem(menu, ItemNamed(menu, "Amplifier (AC)...")); });
    EXPECT_TRUE(amplifier->isVisible());
    amplifier->close();
    form_->ShowDesign();
    auto* design = form_->findChild<ui::DesignWindow*>();
    ASSERT_NE(design, nullptr);
    ASSERT_TRUE(Activate(design));
    QTest::keyClick(design, Qt::Key_G, Qt::ControlModifier);
    EXPECT_TRUE(amplifier->isVisible());
    EXPECT_EQ(form_->findChildren<ui::AmplifierWindow*>().size(), 1);
}

TEST_F(MainWindowBehaviour, DesignFollowsItsTargetAndWritesItsValuesIntoTheMainWindow) {
    MessageCatcher messages;
    // Typed but not calculated: the design starts from the boxes as they are.
    TypeInputs({"9", "150", "22000", "4700", "2200", "470"});
    form_->OptGe->setChecked(true);
    form_->TxtR1->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form_->TxtR1, Qt::Key_D, Qt::ControlModifier);
    auto* window = form_->findChild<ui::DesignWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Tindrel: Design");
    const auto box = [window](const char* name) {
        for (auto* box : window->findChildren<InputBox*>()) {
            if (box->accessibleName() == name) return box;
        }
        return static_cast<InputBox*>(nullptr);
    };
    const char* names[] = {"Vcc, Volts",   "Ic, mA", "Vce, Volts",
                           "Ve, % of Vcc", "Beta",   "Divider stiffness"};
    QStringList first;
    for (const char* name : names) {
        ASSERT_NE(box(name), nullptr) << name;
        first << box(name)->text();
    }
    // Vcc, Beta and germanium from the main window.
    EXPECT_EQ(first, (QStringList{"9", "2", "4.05", "10", "150", "0.1"}));
    const auto option = [window](const char* name) {
        for (auto* option : window->findChildren<QRadioButton*>()) {
            if (option->accessibleName() == name) return option;
        }
        return static_cast<QRadioButton*>(nullptr);
    };
    ASSERT_NE(option("Ge"), nullptr);
    ASSERT_NE(option("Si"), nullptr);
    EXPECT_TRUE(option("Ge")->isChecked());
    const auto* table = window->findChild<QWidget*>("DesignTable");
    ASSERT_NE(table, nullptr);
    auto* use = window->findChild<QPushButton*>();
    ASSERT_NE(use, nullptr);
    EXPECT_EQ(use->text(), "Use These Values");

    // The result follows each edit, a target without a design included.
    const auto type = [&](const char* name, const QString& text) {
        InputBox* edited = box(name);
        edited->selectAll();
        QTest::keyClicks(edited, text);
    };
    type("Vce, Volts", "8.5");
    EXPECT_EQ(table->accessibleDescription(), "No design: Vce + Ve is not below Vcc.");
    EXPECT_FALSE(use->isEnabled());
    // Text past the number is not read, and the box says so; a volt is read.
    type("Ic, mA", "2x");
    EXPECT_TRUE(box("Ic, mA")->accessibleDescription().startsWith("Read as 2.000: "));
    type("Ic, mA", "2");
    type("Vcc, Volts", "12");
    type("Beta", "100");
    type("Vce, Volts", "5.4 V");
    EXPECT_EQ(box("Vce, Volts")->accessibleDescription(), "");
    option("Si")->click();
    EXPECT_EQ(table->accessibleDescription(),
              "Design: R1 = 37.15e+3 ohms, R2 = 7.071e+3 ohms, Rc = 2.700e+3 ohms, Re = 594.1 "
              "ohms. E24: R1 = 39.00e+3 ohms, R2 = 7.500e+3 ohms, Rc = 2.700e+3 ohms, Re = 620.0 "
              "ohms, giving Ic = 1.938 mA, Vce = 5.554 V.");

    // The spread line follows the load line window's settings.
    const auto* spread = window->findChild<QLabel*>("DesignSpread");
    ASSERT_NE(spread, nullptr);
    EXPECT_EQ(spread->text(),
              "Spread over 32 corners: Ic from 1.500 to 2.408 mA; 32 of 32 stay active.");
    form_->ShowLoadLine();
    auto* loadLine = form_->findChild<ui::LoadLineWindow*>();
    ASSERT_NE(loadLine, nullptr);
    for (auto* tolerance : loadLine->findChildren<InputBox*>()) {
        if (tolerance->accessibleName() != "Resistor tolerance, %") continue;
        tolerance->selectAll();
        QTest::keyClicks(tolerance, "0");
    }
    EXPECT_EQ(spread->text(),
              "Spread over 2 corners: Ic from 1.761 to 2.040 mA; 2 of 2 stay active.");

    Click(use);
    QStringList texts;
    for (const InputBox* input : Boxes()) texts << input->text();
    EXPECT_EQ(texts, (QStringList{"12", "100", "39000", "7500", "2700", "620"}));
    EXPECT_TRUE(form_->OptSi->isChecked());
    const QStringList used = Lines(form_->List1);
    ASSERT_EQ(used.size(), 6);
    EXPECT_EQ(used[0], QString("Ic = 1.938 mA  Ve = 1.214 Volts  Vc = 6.767 Volts"));
    // The same lines as a press of Calculate with those texts.
    TypeInputs(texts);
    Click(form_->CmdCalc);
    EXPECT_EQ(Lines(form_->List1), used);
    EXPECT_TRUE(messages.texts().isEmpty());

    form_->close();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowBehaviour, SpreadFollowsItsBoxesAndBetaAndCopiesItsTable) {
    MessageCatcher messages;
    QTest::keyClick(form_.get(), Qt::Key_L, Qt::ControlModifier);
    auto* window = form_->findChild<ui::LoadLineWindow*>();
    ASSERT_NE(window, nullptr);
    std::map<QString, InputBox*> boxes;
    for (InputBox* box : window->findChildren<InputBox*>()) boxes[box->accessibleName()] = box;
    ASSERT_EQ(boxes.size(), 6u);
    for (const char* name : {"hFE from", "hFE to", "Resistor tolerance, %", "Vcc tolerance, %",
                             "Temperature from, \u00b0C", "Temperature to, \u00b0C"}) {
        EXPECT_EQ(boxes.count(name), 1u) << name;
    }
    const auto* picture = window->findChild<QWidget*>("LoadLinePicture");
    auto* table = window->findChild<QTableWidget*>("SpreadTable");
    const auto* sentence = window->findChild<QLabel*>("SpreadSentence");
    ASSERT_TRUE(picture && table && sentence);
    QSignalSpy changed(window, &ui::LoadLineWindow::SpreadSettingsChanged);

    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    Click(form_->CmdCalc);
    EXPECT_EQ(boxes["hFE from"]->text(), "50");
    EXPECT_EQ(boxes["hFE to"]->text(), "200");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(TableCells(table).toStdString(),
              "Ic, mA\t2.324\t2.946\t3.611\n"
              "Ve, V\t1.154\t1.398\t1.627\n"
              "Vc, V\t3.660\t5.520\t7.143\n"
              "Vce, V\t2.039\t4.121\t5.973\n"
              "Pc, W\t7.364e-3\t12.14e-3\t14.06e-3\n");
    EXPECT_EQ(
        sentence->text().toStdString(),
        std::string("Over hFE 50 to 200, \u00b15 % resistors: all 32 corners stay in the active "
                    "region; Ic from 2.324 to 3.611 mA."));
    // A picture of the window for the worked example beside the test program,
    // for a look by eye, at the size it opens with after a Calculate.
    window->resize(window->sizeHint());
    QApplication::processEvents();
    EXPECT_TRUE(window->grab().save(
        QDir(QCoreApplication::applicationDirPath()).filePath("LoadLineWindow.png")));
    // However narrow the window is made, the table shows all three columns.
    window->resize(1, 1);
    QApplication::processEvents();
    EXPECT_LE(table->columnViewportPosition(2) + table->columnWidth(2), table->viewport()->width());
    window->resize(window->sizeHint());
    QApplication::processEvents();

    // Each keystroke in a box moves the spread; typing the tolerance 100 leaves none.
    InputBox* resistors = boxes["Resistor tolerance, %"];
    resistors->selectAll();
    QTest::keyClicks(resistors, "10");
    EXPECT_EQ(changed.count(), 3);
    EXPECT_TRUE(picture->accessibleDescription().contains(" Spread over 32 corners: Ic from "));
    const QString atTen = TableCells(table);
    EXPECT_NE(atTen.section('\n', 0, 0), "Ic, mA\t2.324\t2.946\t3.611");
    QTest::keyClick(resistors, Qt::Key_0);
    EXPECT_TRUE(picture->accessibleDescription().endsWith(
        " No spread: the resistor tolerance is not from 0 to below 100 %."));
    EXPECT_EQ(TableCells(table).section('\n', 0, 0).toStdString(), "Ic, mA\t\t2.946\t");
    QTest::keyClick(resistors, Qt::Key_Backspace);
    EXPECT_EQ(TableCells(table), atTen);

    // Ctrl+C copies the whole table with its header, whatever cell is current.
    table->setFocus(Qt::OtherFocusReason);
    table->setCurrentCell(2, 1);
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "\tLowest\tNominal\tHighest\n" + atTen);
    QGuiApplication::clipboard()->clear();
    WithContextMenu([&] { QTest::keyClick(table, Qt::Key_F10, Qt::ShiftModifier); },
                    [](QMenu* menu) { ChooseItem(menu, ItemNamed(menu, "Copy Table")); });
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "\tLowest\tNominal\tHighest\n" + atTen);

    // The hFE ends follow Beta until the user types one of them.
    TypeInputs({"12", "80", "22000", "4700", "2200", "470"});
    Click(form_->CmdCalc);
    EXPECT_EQ(boxes["hFE from"]->text(), "40");
    EXPECT_EQ(boxes["hFE to"]->text(), "160");
    EXPECT_TRUE(window->SpreadSettings().hfeFollowsBeta);
    boxes["hFE to"]->selectAll();
    QTest::keyClicks(boxes["hFE to"], "300");
    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    Click(form_->CmdCalc);
    EXPECT_EQ(boxes["hFE from"]->text(), "40");
    EXPECT_EQ(window->SpreadSettings().hfeTo, 300);
    EXPECT_FALSE(window->SpreadSettings().hfeFollowsBeta);

    // In a dark palette at twice the density: the axis stays two device rows
    // of solid ink, and the corner that saturates adds the warning colour to
    // the legend's.
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    auto* drawing = window->findChild<QWidget*>("LoadLinePicture");
    drawing->setPalette(dark);
    const auto render = [&] {
        QImage image(drawing->size() * 2, QImage::Format_RGB32);
        image.setDevicePixelRatio(2);
        drawing->render(&image);
        return image;
    };
    const auto count = [](const QImage& image, const std::function<bool(QColor)>& is) {
        std::vector<int> rows;
        int all = 0;
        for (int y = 0; y < image.height(); ++y) {
            int row = 0;
            for (int x = 0; x < image.width(); ++x) row += is(image.pixelColor(x, y));
            if (row > image.width() / 2) rows.push_back(y);
            all += row;
        }
        return std::pair{rows, all};
    };
    const auto ink = [](QColor c) { return c == QColor(230, 230, 230); };
    const auto warning = [](QColor c) {
        return c.red() > 200 && c.green() < 160 && c.blue() < 130;
    };
    const QImage saturating = render();
    const std::vector<int> axisRows = count(saturating, ink).first;
    ASSERT_EQ(axisRows.size(), 2u);
    EXPECT_EQ(axisRows[1], axisRows[0] + 1);
    boxes["hFE to"]->selectAll();
    QTest::keyClicks(boxes["hFE to"], "200");
    resistors->selectAll();
    QTest::keyClicks(resistors, "5");
    EXPECT_EQ(window->CurrentSpread().activeCorners, window->CurrentSpread().corners);
    EXPECT_GT(count(saturating, warning).second, count(render(), warning).second);

    // A supply below 1 V labels Vce in mV; its title still ends clear of the edge.
    TypeInputs({"0.5", "100", "22000", "4700", "2200", "470"});
    Click(form_->CmdCalc);
    const QImage millivolts = render();
    int edgeInk = 0;
    for (int y = 0; y < millivolts.height(); ++y) {
        for (int x = millivolts.width() - 8; x < millivolts.width(); ++x) {
            edgeInk += millivolts.pixelColor(x, y) != QColor(30, 30, 30);
        }
    }
    EXPECT_EQ(edgeInk, 0);
    drawing->setPalette(QPalette());
}

TEST_F(MainWindowBehaviour, TabIntoTheMaterialGroupLandsOnTheSelectedOption) {
    // Silicon had the focus last; germanium is then selected as the last run does.
    QTest::mouseClick(form_->OptSi, Qt::LeftButton);
    form_->OptGe->setChecked(true);
    form_->TxtRe->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form_->TxtRe, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form_->OptGe);
    QTest::keyClick(form_->OptGe, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form_->CmdCalc);
    QTest::keyClick(form_->CmdCalc, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), form_->OptGe);

    QTest::keyClick(form_->OptGe, Qt::Key_Up);  // arrows still move within the group
    EXPECT_TRUE(form_->OptSi->isChecked());
    form_->TxtRe->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form_->TxtRe, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form_->OptSi);
}

TEST_F(MainWindowBehaviour, CloseSavesTheInputsAndEndsTheWindow) {
    MessageCatcher messages;
    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    Click(form_->CmdClose);
    EXPECT_EQ(ReadFile(),
              QByteArray("False\r\n 12.00     \r\n 100.0     \r\n 22.00e+3  \r\n 4.700e+3  \r\n"
                         " 2.200e+3  \r\n 470.0     \r\nTrue\r\nFalse\r\n"));
    EXPECT_FALSE(form_->isVisible());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(MainWindowBehaviour, ClosingFromTheTitleBarDoesNotSave) {
    WriteFile("False\r\n 1.000     \r\n");
    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    form_->close();
    EXPECT_EQ(ReadFile(), QByteArray("False\r\n 1.000     \r\n"));
}

TEST_F(MainWindowBehaviour, AFailedSaveKeepsTheWindowTheInputsAndTheOldFile) {
    MessageCatcher messages;
    WriteFile("previous");
    TypeInputs({"1e999", "100", "22000", "4700", "2200", "470"});
    Click(form_->CmdClose);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(messages.shown()[0].text.contains("supply voltage box (Vcc)"));
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(form_->TxtVcc->text(), "1e999");
    EXPECT_EQ(ReadFile(), QByteArray("previous"));

    // A folder that cannot hold the file: the message names the file.
    form_->AppDir = dir_.filePath(QStringLiteral("missing")).toStdString();
    form_->TxtVcc->setText("12");
    Click(form_->CmdClose);
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(
        messages.shown()[1].text.contains(dir_.filePath(QStringLiteral("missing/Tindrel.dat"))))
        << messages.shown()[1].text.toStdString();
    EXPECT_TRUE(form_->isVisible());
}

TEST_F(MainWindowBehaviour, LoadLastRunRestoresTheFileAndLeavesTheResults) {
    MessageCatcher messages;
    TypeInputs({"12", "100", "22000", "4700", "2200", "470"});
    Click(form_->CmdCalc);
    WriteFile("False\r\n 1.000e+3  \r\n");  // short file: later boxes get its last field
    Click(form_->CmdLoadData);
    for (InputBox* box : Boxes()) EXPECT_EQ(box->text(), "1.000e+3");
    EXPECT_EQ(Lines(form_->List1), kSiliconLines);
    EXPECT_TRUE(form_->OptSi->isChecked());

    // After the file is deleted the boxes empty; the material and the list stay.
    QTest::mouseClick(form_->OptGe, Qt::LeftButton);
    ASSERT_TRUE(QFile::remove(FilePath()));
    Click(form_->CmdLoadData);
    for (InputBox* box : Boxes()) EXPECT_EQ(box->text(), "");
    EXPECT_TRUE(form_->OptGe->isChecked());
    EXPECT_EQ(Lines(form_->List1), kSiliconLines);
    EXPECT_TRUE(messages.shown().empty());
}

}  // namespace
