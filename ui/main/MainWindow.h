#pragma once

#include <QFont>
#include <QIcon>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "core/Calculation.h"
#include "ui/input/InputBox.h"
#include "ui/main/Picture.h"
#include "ui/main/ResultList.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ui {

class AmplifierWindow;
class DesignWindow;
class LoadLineWindow;
class StageSession;

// The program's one window. Its controls are built once, in fixed places given
// in twips, and are never moved or resized: a window smaller than its contents
// cuts them off instead of rearranging them. The event handlers of the window
// are its slots, one per event, named after the control and event.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    MainWindow();

    // The stage behind this window and the side windows.
    StageSession& Session() const { return *session_; }

    // Start-up: records the program's directory in AppDir, selects silicon,
    // restores the last run, then shows the window at its size and place with
    // the focus in TxtVcc.
    void Load(const std::string& appDir);

    // The directory that holds the program, without a trailing separator;
    // storage::LastRunPlace decides from it where the last run lives.
    std::string AppDir;

    // Size of the client area in twips (15 to a logical pixel).
    static constexpr int kClientWidthTwips = 8115;
    static constexpr int kClientHeightTwips = 6435;

    // The controls, under the names the rest of the program uses for them.
    // They are children of the window and live as long as it does.
    QGroupBox* Frame1 = nullptr;
    InputBox* TxtVcc = nullptr;
    InputBox* TxtBeta = nullptr;
    InputBox* TxtR1 = nullptr;
    InputBox* TxtR2 = nullptr;
    InputBox* TxtRc = nullptr;
    InputBox* TxtRe = nullptr;
    QRadioButton* OptSi = nullptr;
    QRadioButton* OptGe = nullptr;
    QPushButton* CmdCalc = nullptr;
    QPushButton* CmdClose = nullptr;
    QPushButton* CmdClr = nullptr;
    QPushButton* CmdLoadData = nullptr;
    ResultList* List1 = nullptr;
    QLabel* Text6 = nullptr;
    QLabel* Text1 = nullptr;
    QLabel* Text3 = nullptr;
    QLabel* Text2 = nullptr;
    QLabel* Text4 = nullptr;
    QLabel* Text5 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Text7 = nullptr;
    Picture* Image1 = nullptr;

public slots:
    void CmdCalc_Click();
    void CmdClr_Click();
    void CmdLoadData_Click();
    void CmdClose_Click();
    // Shows the load line window, made on first use (Ctrl+L, the result menu).
    void ShowLoadLine();
    // Shows the design window, made on first use (Ctrl+D, the result menu,
    // the load line window's menu).
    void ShowDesign();
    // Shows the amplifier window, made on first use (Ctrl+G, the result
    // menu, the other windows' menus).
    void ShowAmplifier();
    // The one way another window changes the inputs: writes the six texts
    // into the boxes, selects the material and runs Calculate as a press of
    // the button does (a fault is shown as a message).
    void UseInputs(const core::StageTexts& texts);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectHandlers();
    void Calculate();
    void SaveLastRun();
    void LoadLastRun();
    void ShowPlaced();
    void Place(const QMargins& frame);
    // Places the window again once the window manager has framed it.
    void PlaceForFrame();
    // Runs a handler; an error ends it where it happened and is shown to the
    // user, and the window stays open with everything as the handler left it.
    void RunHandler(const std::function<void()>& handler);
    void ShowMessage(const QString& text);
    // The six input boxes in the order of the last-run file.
    std::array<InputBox*, 6> InputBoxes() const;

    // Shown, and not yet placed for the frame that the window manager draws.
    bool awaitingFrame_ = false;

    // The six texts and the material as the boxes and options hold them.
    core::StageTexts BoxTexts() const;
    void ConnectSession();
    void ConnectSideWindows();
    void CloseOtherWindows();
    StageSession* session_ = nullptr;
    LoadLineWindow* loadLineWindow_ = nullptr;
    DesignWindow* designWindow_ = nullptr;
    AmplifierWindow* amplifierWindow_ = nullptr;
};

// The transistor icon of the window and the application, which the window
// sets for the application when it has none. Needs a running QGuiApplication.
QIcon TransistorIcon();

// The font of every control of the main window that has none of its own.
QFont UserInterfaceFont();

}  // namespace ui
