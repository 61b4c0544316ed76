#pragma once

#include <QIcon>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSvgWidget;

namespace ui {

// The program's one window. Its controls are built once, in fixed places given
// in twips, and are never moved or resized: a window smaller than its contents
// cuts them off instead of rearranging them. The event handlers of the window
// are its slots, one per event, named after the control and event.
class Form1 : public QWidget {
    Q_OBJECT

public:
    Form1();

    // Size of the client area in twips (15 to a logical pixel).
    static constexpr int kClientWidthTwips = 8115;
    static constexpr int kClientHeightTwips = 6435;

    // The controls, under the names the rest of the program uses for them.
    // They are children of the window and live as long as it does.
    QGroupBox* Frame1 = nullptr;
    QLineEdit* TxtVcc = nullptr;
    QLineEdit* TxtBeta = nullptr;
    QLineEdit* TxtR1 = nullptr;
    QLineEdit* TxtR2 = nullptr;
    QLineEdit* TxtRc = nullptr;
    QLineEdit* TxtRe = nullptr;
    QRadioButton* OptSi = nullptr;
    QRadioButton* OptGe = nullptr;
    QPushButton* CmdCalc = nullptr;
    QPushButton* CmdClose = nullptr;
    QPushButton* CmdClr = nullptr;
    QPushButton* CmdLoadData = nullptr;
    QListWidget* List1 = nullptr;
    QLabel* Text6 = nullptr;
    QLabel* Text1 = nullptr;
    QLabel* Text3 = nullptr;
    QLabel* Text2 = nullptr;
    QLabel* Text4 = nullptr;
    QLabel* Text5 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Text7 = nullptr;
    QSvgWidget* Image1 = nullptr;
};

// The transistor icon of the window and the application. Needs a running
// QGuiApplication.
QIcon TransistorIcon();

}  // namespace ui
