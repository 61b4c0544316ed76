#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <array>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "ui/amplifier/AmplifierWindow.h"
#include "ui/design/DesignWindow.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/main/MainWindow.h"

// Readable failure messages for the Qt value types compared below.
void PrintTo(const QSize& size, std::ostream* os) { *os << size.width() << "x" << size.height(); }
void PrintTo(const QColor& color, std::ostream* os) {
    *os << color.name(QColor::HexArgb).toStdString();
}

namespace {

using ui::MainWindow;

constexpr int kTwips = 15;  // per logical pixel

enum class Font { Default, CourierNew };

struct Expected {
    const char* name;
    const char* kind;
    const char* container;
    const char* text;
    int left, top, width, height;
    Font font;
};

// clang-format off
const Expected kLayout[] = {
    {"Frame1",      "QGroupBox",    "Form1",  "Semiconductor",                 4080, 2640, 1335, 1095, Font::Default},
    {"TxtVcc",      "QLineEdit",    "Form1",  "1",                             4080,  240, 1095,  285, Font::CourierNew},
    {"TxtBeta",     "QLineEdit",    "Form1",  "1",                             4080,  600, 1095,  285, Font::CourierNew},
    {"TxtR1",       "QLineEdit",    "Form1",  "1",                             4080,  960, 1095,  285, Font::CourierNew},
    {"TxtR2",       "QLineEdit",    "Form1",  "1",                             4080, 1320, 1095,  285, Font::CourierNew},
    {"TxtRc",       "QLineEdit",    "Form1",  "1",                             4080, 1680, 1095,  285, Font::CourierNew},
    {"TxtRe",       "QLineEdit",    "Form1",  "1",                             4080, 2040, 1095,  285, Font::Default},
    {"OptSi",       "QRadioButton", "Frame1", "Si",                             360,  360,  615,  255, Font::Default},
    {"OptGe",       "QRadioButton", "Frame1", "Ge",                             360,  720,  615,  255, Font::Default},
    {"CmdCalc",     "QPushButton",  "Frame3", "Calculate",                      240,  240, 1575,  375, Font::Default},
    {"CmdClose",    "QPushButton",  "Frame3", "Close",                         1800,  720, 1575,  375, Font::Default},
    {"CmdClr",      "QPushButton",  "Frame3", "Clear",                         1800,  240, 1575,  375, Font::Default},
    {"CmdLoadData", "QPushButton",  "Frame3", "Load Last Run",                  120,  720, 1575,  375, Font::Default},
    {"List1",       "QListWidget",  "Form1",  "",                               480, 4320, 7335, 1740, Font::CourierNew},
    {"Text6",       "QLabel",       "Form1",  "Re",                            3480, 2040,  495,  285, Font::Default},
    {"Text1",       "QLabel",       "Form1",  "Collector voltage, Volts",       840,  240, 3135,  285, Font::CourierNew},
    {"Text3",       "QLabel",       "Form1",  "R1",                            3480,  960,  495,  285, Font::CourierNew},
    {"Text2",       "QLabel",       "Form1",  "Transistor Current Gain, Beta",  240,  600, 3735,  285, Font::CourierNew},
    {"Text4",       "QLabel",       "Form1",  "R2",                            3480, 1320,  495,  285, Font::CourierNew},
    {"Text5",       "QLabel",       "Form1",  "Rc",                            3480, 1680,  495,  285, Font::CourierNew},
    {"Frame3",      "QGroupBox",    "Form1",  "",                               480, 2640, 3495, 1215, Font::Default},
    {"Text7",       "QLabel",       "Form1",  "When Rc = 0 the circuit is an Emitter Follower",
                                                                               2040, 3960, 5775,  285, Font::CourierNew},
    {"Image1",      "ui::Picture",  "Form1",  "",                              5640,  240, 2175, 3615, Font::Default},
};
// clang-format on

QString TextOf(const QWidget* widget) {
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
    if (const auto* box = qobject_cast<const QLineEdit*>(widget)) return box->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (const auto* caption = qobject_cast<const QLabel*>(widget)) return caption->text();
    return {};
}

std::set<QString> ChildNames(const QWidget* container) {
    std::set<QString> names;
    for (const QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        names.insert(child->objectName());
    return names;
}

// Shows the window and makes it the active one, so that key presses reach it.
void Activate(MainWindow& form) {
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

TEST(MainWindowLayout, EveryControlHasItsKindContainerTextPlaceAndFont) {
    MainWindow form;
    const QFont windowFont = ui::UserInterfaceFont();
    std::map<QString, std::set<QString>> expectedChildren;
    for (const Expected& row : kLayout) {
        SCOPED_TRACE(row.name);
        expectedChildren[QString::fromUtf8(row.container)].insert(QString::fromUtf8(row.name));
        const auto* widget = form.findChild<QWidget*>(QString::fromUtf8(row.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(row.kind));
        EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), row.container);
        const std::array<int, 4> twips = {widget->x() * kTwips, widget->y() * kTwips,
                                          widget->width() * kTwips, widget->height() * kTwips};
        EXPECT_EQ(twips, (std::array<int, 4>{row.left, row.top, row.width, row.height}));
        EXPECT_EQ(TextOf(widget).toStdString(), row.text);

        const QFont font = widget->font();
        if (row.font == Font::CourierNew) {
            EXPECT_EQ(font.family().toStdString(), "Courier New");
            EXPECT_EQ(font.pixelSize(), 13);
            EXPECT_EQ(font.weight(), QFont::Normal);
            EXPECT_FALSE(font.italic() || font.underline() || font.strikeOut());
            // Whatever face the system substitutes must keep a fixed pitch.
            EXPECT_TRUE(QFontInfo(font).fixedPitch()) << QFontInfo(font).family().toStdString();
        } else {
            EXPECT_FALSE(widget->testAttribute(Qt::WA_SetFont));
            EXPECT_EQ(font, windowFont);
        }
    }
    // Exactly these controls, and nothing else, in each container.
    EXPECT_EQ(ChildNames(&form), expectedChildren["Form1"]);
    EXPECT_EQ(ChildNames(form.Frame1), expectedChildren["Frame1"]);
    EXPECT_EQ(ChildNames(form.Frame3), expectedChildren["Frame3"]);
}

// Where a control's style draws its caption, in the control's coordinates.
QRect CaptionRoom(const QWidget* widget) {
    const QStyle* style = widget->style();
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.lineWidth = 1;
        option.textAlignment = frame->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        // The title starts where the style puts its label; the frame's own
        // edge cuts it off.
        return style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame)
            .intersected(frame->rect());
    }
    QStyleOptionButton option;
    option.initFrom(widget);
    if (qobject_cast<const QPushButton*>(widget) != nullptr)
        return style->subElementRect(QStyle::SE_PushButtonContents, &option, widget);
    if (qobject_cast<const QRadioButton*>(widget) != nullptr)
        return style->subElementRect(QStyle::SE_RadioButtonContents, &option, widget);
    return widget->contentsRect();
}

// A face that the system substitutes for the default font can be wider than
// the fixed layout allows: a monospace one cuts "Semiconductor" short.
TEST(MainWindowLayout, EveryCaptionFitsItsControlInTheFontItIsDrawnIn) {
    const QFontInfo windowFont(ui::UserInterfaceFont());
    EXPECT_FALSE(windowFont.fixedPitch()) << windowFont.family().toStdString();
    MainWindow form;
    for (const Expected& row : kLayout) {
        const auto* widget = form.findChild<QWidget*>(QString::fromUtf8(row.name));
        ASSERT_NE(widget, nullptr) << row.name;
        if (qobject_cast<const QLineEdit*>(widget) != nullptr || TextOf(widget).isEmpty()) continue;
        const QSize needed =
            QFontMetrics(widget->font()).size(Qt::TextShowMnemonic, TextOf(widget));
        const QRect room = CaptionRoom(widget);
        EXPECT_TRUE(needed.width() <= room.width() && needed.height() <= room.height())
            << row.name << ": " << testing::PrintToString(needed) << " of text in "
            << testing::PrintToString(room.size()) << " in "
            << QFontInfo(widget->font()).family().toStdString();
    }
}

// Only the main window's fixed layout has a font of its own: its side windows
// have real layouts and follow the desktop's.
TEST(MainWindowLayout, SideWindowsKeepTheDesktopFont) {
    MainWindow form;
    EXPECT_EQ(form.font(), ui::UserInterfaceFont());
    const ui::LoadLineWindow loadLine(&form, &form.Session());
    const ui::DesignWindow design(&form, &form.Session());
    const ui::AmplifierWindow amplifier(&form, &form.Session());
    for (const QWidget* side :
         {static_cast<const QWidget*>(&loadLine), static_cast<const QWidget*>(&design),
          static_cast<const QWidget*>(&amplifier)}) {
        EXPECT_EQ(side->font(), QApplication::font()) << side->metaObject()->className();
        EXPECT_NE(side->font(), ui::UserInterfaceFont()) << side->metaObject()->className();
    }
}

TEST(MainWindowLayout, MembersAreTheControlsOfTheirName) {
    MainWindow form;
    // clang-format off
    const std::vector<std::pair<const QWidget*, const char*>> members = {
        {form.Frame1, "Frame1"}, {form.TxtVcc, "TxtVcc"}, {form.TxtBeta, "TxtBeta"},
        {form.TxtR1, "TxtR1"}, {form.TxtR2, "TxtR2"}, {form.TxtRc, "TxtRc"}, {form.TxtRe, "TxtRe"},
        {form.OptSi, "OptSi"}, {form.OptGe, "OptGe"}, {form.CmdCalc, "CmdCalc"},
        {form.CmdClose, "CmdClose"}, {form.CmdClr, "CmdClr"}, {form.CmdLoadData, "CmdLoadData"},
        {form.List1, "List1"}, {form.Text1, "Text1"}, {form.Text2, "Text2"}, {form.Text3, "Text3"},
        {form.Text4, "Text4"}, {form.Text5, "Text5"}, {form.Text6, "Text6"}, {form.Text7, "Text7"},
        {form.Frame3, "Frame3"}, {form.Image1, "Image1"},
    };
    // clang-format on
    for (const auto& [member, name] : members) {
        ASSERT_NE(member, nullptr) << name;
        EXPECT_EQ(member->objectName().toStdString(), name);
    }
}

TEST(MainWindowLayout, WindowIsTindrelWith8115By6435TwipsOfClientArea) {
    MainWindow form;
    EXPECT_TRUE(form.isWindow());
    EXPECT_EQ(form.windowTitle(), "Tindrel");
    EXPECT_EQ(form.width() * kTwips, 8115);
    EXPECT_EQ(form.height() * kTwips, 6435);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.size() * kTwips, QSize(8115, 6435));
}

TEST(MainWindowLayout, IconIsYellowTransistorOnNavy) {
    MainWindow form;
    const QImage icon = form.windowIcon()
                            .pixmap(QSize(32, 32), 1.0)
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(32, 32));
    int navy = 0, yellow = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const QColor c = icon.pixelColor(x, y);
            EXPECT_EQ(c.alpha(), 255) << x << "," << y;
            navy += c == QColor(0, 0, 128);
            yellow += c == QColor(255, 255, 0);
        }
    }
    EXPECT_EQ(icon.pixelColor(0, 0), QColor(0, 0, 128));
    EXPECT_GT(navy, 32 * 32 / 2);
    EXPECT_GT(yellow, 100);
}

TEST(MainWindowState, StartsWithSixOnesAnEmptyListAndNoMaterial) {
    MainWindow form;
    for (const QLineEdit* box :
         {form.TxtVcc, form.TxtBeta, form.TxtR1, form.TxtR2, form.TxtRc, form.TxtRe}) {
        EXPECT_EQ(box->text(), "1") << box->objectName().toStdString();
        EXPECT_FALSE(box->isReadOnly());
    }
    EXPECT_EQ(form.List1->count(), 0);
    EXPECT_FALSE(form.OptSi->isChecked());
    EXPECT_FALSE(form.OptGe->isChecked());
}

TEST(MainWindowState, InputBoxesHoldTextBeyondQtsDefaultLimit) {
    MainWindow form;
    const QString longText(40000, QChar(u'9'));
    form.TxtR1->setText(longText);
    EXPECT_EQ(form.TxtR1->text().size(), longText.size());
}

TEST(MainWindowState, SelectingOneMaterialClearsTheOther) {
    MainWindow form;
    form.OptSi->click();
    EXPECT_TRUE(form.OptSi->isChecked());
    form.OptGe->click();
    EXPECT_TRUE(form.OptGe->isChecked());
    EXPECT_FALSE(form.OptSi->isChecked());
    form.OptSi->click();
    EXPECT_FALSE(form.OptGe->isChecked());
}

std::vector<std::string> TabFrom(QWidget* start, int presses,
                                 Qt::KeyboardModifiers modifiers = {}) {
    start->setFocus(Qt::OtherFocusReason);
    std::vector<std::string> visited;
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
        const QWidget* focus = QApplication::focusWidget();
        visited.push_back(focus != nullptr ? focus->objectName().toStdString() : "(none)");
    }
    return visited;
}

TEST(MainWindowFocus, TabVisitsInputsMaterialButtonsAndListInOrder) {
    // The two options are one tab stop: Qt leaves out the option that did
    // not last hold the focus, and arrow keys move within the group.
    const std::vector<std::string> order = {"TxtVcc",   "TxtBeta", "TxtR1",       "TxtR2",
                                            "TxtRc",    "TxtRe",   "OptSi",       "CmdCalc",
                                            "CmdClose", "CmdClr",  "CmdLoadData", "List1"};
    MainWindow form;
    Activate(form);
    const auto n = static_cast<int>(order.size());
    std::vector<std::string> forward(order.begin() + 1, order.end());
    forward.push_back(order.front());  // and round again
    EXPECT_EQ(TabFrom(form.TxtVcc, n), forward);

    std::vector<std::string> backward(order.rbegin() + 1, order.rend());
    backward.push_back(order.back());
    EXPECT_EQ(TabFrom(form.List1, n, Qt::ShiftModifier), backward);
}

TEST(MainWindowFocus, NoButtonIsDefaultSoEnterAndEscapePressNone) {
    MainWindow form;
    Activate(form);
    int clicks = 0;
    for (QPushButton* button : {form.CmdCalc, form.CmdClose, form.CmdClr, form.CmdLoadData}) {
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
        EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
        QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    }
    form.TxtVcc->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form.TxtVcc, Qt::Key_Return);
    QTest::keyClick(form.TxtVcc, Qt::Key_Enter);
    QTest::keyClick(form.TxtVcc, Qt::Key_Escape);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(form.isVisible());
}

TEST(MainWindowImage, PictureIsStretchedToFillItsBox) {
    MainWindow form;
    const QImage image = form.Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.deviceIndependentSize().toSize(), QSize(145, 241));
    const int w = image.width(), h = image.height();
    const auto d = static_cast<int>(image.devicePixelRatio());
    const auto isBlack = [&](int x, int y) { return qGray(image.pixel(x, y)) < 64; };
    const auto isWhite = [&](int x, int y) { return qGray(image.pixel(x, y)) > 192; };
    // The picture's black frame runs along all four edges of the box: drawn at
    // its own size, the right and bottom edges would show no frame.
    // Two pixels in from each edge, as a fractional scale may blur the outermost.
    int top = 0, bottom = 0, left = 0, right = 0;
    for (int x = 2; x < w - 2; ++x) top += isBlack(x, 2), bottom += isBlack(x, h - 3);
    for (int y = 2; y < h - 2; ++y) left += isBlack(2, y), right += isBlack(w - 3, y);
    EXPECT_EQ(top, w - 4);
    EXPECT_EQ(bottom, w - 4);
    EXPECT_EQ(left, h - 4);
    EXPECT_EQ(right, h - 4);
    // Scaled to a third, the 11-pixel frame is under 5 pixels wide, and the
    // drawing inside stays mostly white ground.
    EXPECT_TRUE(isWhite(6 * d, h / 2));
    EXPECT_TRUE(isWhite(w - 7 * d, h / 2));
    int white = 0;
    for (int y = 5 * d; y < h - 5 * d; ++y)
        for (int x = 5 * d; x < w - 5 * d; ++x) white += isWhite(x, y);
    EXPECT_GT(white, (w - 10 * d) * (h - 10 * d) * 6 / 10);
}

TEST(MainWindowCaptions, ReadAsWrittenOnTheWindowFace) {
    MainWindow form;
    for (QLabel* caption :
         {form.Text1, form.Text2, form.Text3, form.Text4, form.Text5, form.Text6, form.Text7}) {
        SCOPED_TRACE(caption->objectName().toStdString());
        EXPECT_EQ(caption->focusPolicy(), Qt::NoFocus);
        EXPECT_FALSE(caption->textInteractionFlags() & Qt::TextEditable);
        const QImage image = caption->grab().toImage();
        EXPECT_EQ(image.pixelColor(0, 0), caption->palette().color(QPalette::Button));
    }
}

TEST(MainWindowAccessibility, EveryWorkingControlHasAName) {
    MainWindow form;
    EXPECT_EQ(form.TxtVcc->accessibleName(), "Collector voltage, Volts");
    EXPECT_EQ(form.TxtBeta->accessibleName(), "Transistor Current Gain, Beta");
    EXPECT_EQ(form.OptSi->accessibleName(), "Silicon");
    EXPECT_EQ(form.OptGe->accessibleName(), "Germanium");
    EXPECT_EQ(form.CmdLoadData->accessibleName(), "Load Last Run");
    EXPECT_EQ(form.List1->accessibleName(), "Results");
    std::set<QString> names;
    for (const QWidget* widget : std::initializer_list<const QWidget*>{
             form.TxtVcc, form.TxtBeta, form.TxtR1, form.TxtR2, form.TxtRc, form.TxtRe, form.OptSi,
             form.OptGe, form.CmdCalc, form.CmdClose, form.CmdClr, form.CmdLoadData, form.List1}) {
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
        names.insert(widget->accessibleName());
    }
    EXPECT_EQ(names.size(), 13u);  // no two alike

    // Each input box tells what it reads before a letter can cut a number short.
    EXPECT_EQ(form.TxtRe->toolTip(),
              "Emitter resistor Re, in ohms: a plain number such as 470 or 4.7e3 (a letter such as "
              "k ends the number)");
    for (const QWidget* box : {form.TxtVcc, form.TxtBeta, form.TxtR1, form.TxtR2, form.TxtRc}) {
        EXPECT_TRUE(box->toolTip().endsWith("(a letter such as k ends the number)"))
            << box->objectName().toStdString();
    }
}

// Leaves pictures of the window and of the enlarged icon beside the test
// program (in the build tree) for a look by eye.
TEST(MainWindowScreenshot, SavesWindowAndIcon) {
    const QDir out(QCoreApplication::applicationDirPath());
    MainWindow form;
    form.OptSi->setChecked(true);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QImage window = form.grab().toImage();
    EXPECT_EQ(window.deviceIndependentSize().toSize(), QSize(541, 429));
    EXPECT_TRUE(window.save(out.filePath("MainWindow.png")));
    const QImage icon = form.windowIcon().pixmap(QSize(32, 32), 1.0).toImage();
    EXPECT_TRUE(icon.scaled(256, 256, Qt::KeepAspectRatio, Qt::FastTransformation)
                    .save(out.filePath("Icon.png")));
    // The circuit's densest rendering, for its details.
    EXPECT_TRUE(form.Image1->RenderingFor(3).save(out.filePath("Circuit.png")));
}

}  // namespace
