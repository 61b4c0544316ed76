#include "ui/main/MainWindow.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <limits>
#include <type_traits>

#include "core/StageCalc.h"
#include "ui/main/Rendering.h"

namespace ui {
namespace {

constexpr int kTwipsPerPixel = 15;

enum class Container { Window, Frame1, Frame3 };
enum class Face { Default, CourierNew };

struct Control;
using Maker = QWidget* (*)(MainWindow& form, QWidget* parent, const Control& control);

// One control of the window. Its kind is the type of the MainWindow member that
// `make` fills in.
struct Control {
    const char* name;
    Maker make;
    Container container;
    const char* text;              // caption, initial text, or the picture's resource path base
    int left, top, width, height;  // twips, from the container's top-left corner
    Face face;
    const char* accessibleName;  // empty where the control's own text says enough
};

void Setup(QGroupBox* frame, const Control& control) {
    frame->setTitle(QString::fromUtf8(control.text));
}

void Setup(QLineEdit* box, const Control& control) {
    box->setText(QString::fromUtf8(control.text));
    // The boxes take free text of any length; Qt would stop at 32767 characters.
    box->setMaxLength(std::numeric_limits<int>::max());
}

void Setup(QRadioButton* option, const Control& control) {
    // Options that share a frame exclude each other (auto-exclusive by parent).
    option->setText(QString::fromUtf8(control.text));
}

void Setup(QPushButton* button, const Control& control) {
    button->setText(QString::fromUtf8(control.text));
    // Enter and Escape press no button.
    button->setAutoDefault(false);
    button->setDefault(false);
}

void Setup(ResultList* list, const Control&) {
    // Result lines stay in the order they are added, one selectable at a time.
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSortingEnabled(false);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void Setup(QLabel* caption, const Control& control) {
    // Captions read as written on the window face: button-face ground, no
    // border, no focus, nothing to type or select. Right-aligned, so each row
    // caption ends next to its input box and the note ends under the picture.
    caption->setTextFormat(Qt::PlainText);
    caption->setText(QString::fromUtf8(control.text));
    caption->setAutoFillBackground(true);
    caption->setBackgroundRole(QPalette::Button);
    caption->setForegroundRole(QPalette::ButtonText);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    caption->setFocusPolicy(Qt::NoFocus);
}

void Setup(Picture* image, const Control& control) {
    // The picture is stretched to the box; a rendering for each pixel density
    // keeps it sharp on dense screens.
    const QString base = QString::fromUtf8(control.text);
    image->SetRenderings(
        {base + QStringLiteral("-1x"), base + QStringLiteral("-2x"), base + QStringLiteral("-3x")});
    image->setFocusPolicy(Qt::NoFocus);
}

// Creates a control of the type of `member`, stores it there and sets it up.
template <auto member>
QWidget* Make(MainWindow& form, QWidget* parent, const Control& control) {
    using Widget = std::remove_pointer_t<std::remove_reference_t<decltype(form.*member)>>;
    auto* widget = new Widget(parent);
    form.*member = widget;
    Setup(widget, control);
    return widget;
}

using enum Container;
using enum Face;

// The controls in tab order (Image1, last, takes no focus).
constexpr std::array kControls = {
    // clang-format off
    // name, kind (the member's type), container, text, left, top, width, height, font,
    // accessible name
    Control{"Frame1",      Make<&MainWindow::Frame1>,      Window, "Semiconductor",                4080, 2640, 1335, 1095, Default, ""},
    Control{"TxtVcc",      Make<&MainWindow::TxtVcc>,      Window, "1",                            4080,  240, 1095,  285, CourierNew, "Collector voltage, Volts"},
    Control{"TxtBeta",     Make<&MainWindow::TxtBeta>,     Window, "1",                            4080,  600, 1095,  285, CourierNew, "Transistor Current Gain, Beta"},
    Control{"TxtR1",       Make<&MainWindow::TxtR1>,       Window, "1",                            4080,  960, 1095,  285, CourierNew, "R1, upper divider resistor, ohms"},
    Control{"TxtR2",       Make<&MainWindow::TxtR2>,       Window, "1",                            4080, 1320, 1095,  285, CourierNew, "R2, lower divider resistor, ohms"},
    Control{"TxtRc",       Make<&MainWindow::TxtRc>,       Window, "1",                            4080, 1680, 1095,  285, CourierNew, "Rc, collector resistor, ohms"},
    Control{"TxtRe",       Make<&MainWindow::TxtRe>,       Window, "1",                            4080, 2040, 1095,  285, Default, "Re, emitter resistor, ohms"},
    Control{"OptSi",       Make<&MainWindow::OptSi>,       Frame1, "Si",                            360,  360,  615,  255, Default, "Silicon"},
    Control{"OptGe",       Make<&MainWindow::OptGe>,       Frame1, "Ge",                            360,  720,  615,  255, Default, "Germanium"},
    Control{"CmdCalc",     Make<&MainWindow::CmdCalc>,     Frame3, "Calculate",                     240,  240, 1575,  375, Default, "Calculate"},
    Control{"CmdClose",    Make<&MainWindow::CmdClose>,    Frame3, "Close",                        1800,  720, 1575,  375, Default, "Close"},
    Control{"CmdClr",      Make<&MainWindow::CmdClr>,      Frame3, "Clear",                        1800,  240, 1575,  375, Default, "Clear"},
    Control{"CmdLoadData", Make<&MainWindow::CmdLoadData>, Frame3, "Load Last Run",                 120,  720, 1575,  375, Default, "Load Last Run"},
    Control{"List1",       Make<&MainWindow::List1>,       Window, "",                              480, 4320, 7335, 1740, CourierNew, "Results"},
    Control{"Text6",       Make<&MainWindow::Text6>,       Window, "Re",                           3480, 2040,  495,  285, Default, ""},
    Control{"Text1",       Make<&MainWindow::Text1>,       Window, "Collector voltage, Volts",      840,  240, 3135,  285, CourierNew, ""},
    Control{"Text3",       Make<&MainWindow::Text3>,       Window, "R1",                           3480,  960,  495,  285, CourierNew, ""},
    Control{"Text2",       Make<&MainWindow::Text2>,       Window, "Transistor Current Gain, Beta", 240,  600, 3735,  285, CourierNew, ""},
    Control{"Text4",       Make<&MainWindow::Text4>,       Window, "R2",                           3480, 1320,  495,  285, CourierNew, ""},
    Control{"Text5",       Make<&MainWindow::Text5>,       Window, "Rc",                           3480, 1680,  495,  285, CourierNew, ""},
    Control{"Frame3",      Make<&MainWindow::Frame3>,      Window, "",                              480, 2640, 3495, 1215, Default, ""},
    Control{"Text7",       Make<&MainWindow::Text7>,       Window, "When Rc = 0 the circuit is an Emitter Follower",
                                                                                              2040, 3960, 5775,  285, CourierNew, ""},
    Control{"Image1",      Make<&MainWindow::Image1>,      Window, ":/images/circuit",             5640,  240, 2175, 3615, Default, "Circuit diagram"},
    // clang-format on
};

// Twips convert to whole logical pixels only when they are multiples of 15.
static_assert(std::ranges::all_of(kControls, [](const Control& c) {
    return c.left % kTwipsPerPixel == 0 && c.top % kTwipsPerPixel == 0 &&
           c.width % kTwipsPerPixel == 0 && c.height % kTwipsPerPixel == 0;
}));
static_assert(MainWindow::kClientWidthTwips % kTwipsPerPixel == 0 &&
              MainWindow::kClientHeightTwips % kTwipsPerPixel == 0);

constexpr int Pixels(int twips) { return twips / kTwipsPerPixel; }

// "Courier New" at 9.75 points, regular. Sized in pixels rather than points:
// the layout is in logical pixels, while points go through the platform's
// logical DPI (72 on macOS, a user setting elsewhere) and would no longer fit
// the boxes. 13 pixels is 9.75 points at 96 dpi, and high-DPI scaling grows
// the text with the boxes. The style hint keeps a fixed-pitch face, which
// lines up the result columns, where Courier New is not installed.
QFont CourierNewFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

// What each input box reads. The conversion stops at the first character
// that cannot continue a number, so "4.7k" reads as 4.7; the tip says so
// before that happens, and the box's sign once it has. In the order of the
// inputs, whose units core gives, as it does for tindrel calc.
struct InputTip {
    InputBox* MainWindow::*box;
    const char* text;
};

constexpr std::array kInputTips = {
    InputTip{&MainWindow::TxtVcc,
             "Collector supply voltage Vcc, in volts: a plain number such as 12 or 4.5"},
    InputTip{&MainWindow::TxtBeta,
             "Current gain Beta, without unit: a plain number such as 100 or 1e2"},
    InputTip{&MainWindow::TxtR1,
             "Upper divider resistor R1, in ohms: a plain number such as 22000 or 22e3"},
    InputTip{&MainWindow::TxtR2,
             "Lower divider resistor R2, in ohms: a plain number such as 4700 or 4.7e3"},
    InputTip{&MainWindow::TxtRc,
             "Collector resistor Rc, in ohms: a plain number such as 2200 or 2.2e3"},
    InputTip{&MainWindow::TxtRe,
             "Emitter resistor Re, in ohms: a plain number such as 470 or 4.7e3"},
};

void SetInputTips(MainWindow& form) {
    for (std::size_t input = 0; input < kInputTips.size(); ++input) {
        const InputTip& tip = kInputTips[input];
        InputBox* box = form.*tip.box;
        box->SetOrdinaryTip(QString::fromUtf8(tip.text) +
                            QStringLiteral(" (a letter such as k ends the number)"));
        box->SetUnit(core::UnitOf(input));
    }
}

// The Fusion style draws a group box's frame from a PNG of its own, which it
// loads by file name: Qt's image reader then loads every image format plugin
// (GIF, ICO, JPEG, SVG and their libraries) to ask whether one of them reads
// it, before its own PNG reader does. That costs a plain start several
// milliseconds for two frames. The picture is read here as PNG, without
// asking the plugins, and put where the style's load looks first: Qt's pixmap
// cache, under the key that QPixmap::load makes of the file. Where a Qt
// version makes another key, the style loads the picture as before.
// A number as Qt's pixmap cache keys write it: each byte in memory order,
// its low digit first.
template <typename T>
QString CacheHex(T value) {
    static_assert(std::is_unsigned_v<T>);
    QString text;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        const auto byte = static_cast<unsigned>((value >> (8 * i)) & 0xff);
        text += QLatin1Char("0123456789abcdef"[byte & 0xf]);
        text += QLatin1Char("0123456789abcdef"[byte >> 4]);
    }
    return text;
}

void PreloadFrameTexture() {
    const QString path =
        QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png");
    const QFileInfo info(path);
    if (!info.exists()) return;
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (image.isNull()) return;
    const QString key = QStringLiteral("qt_pixmap") + info.absoluteFilePath() +
                        CacheHex(static_cast<uint>(info.lastModified().toSecsSinceEpoch())) +
                        CacheHex(static_cast<quint64>(info.size())) + CacheHex(0u);
    QPixmapCache::insert(key, QPixmap::fromImage(image));
}

}  // namespace

MainWindow::MainWindow() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tindrel"));
    // The program's icon, for this window and its message boxes alike; made
    // once, since every size of it is decoded when it is made.
    if (QGuiApplication::windowIcon().isNull()) QGuiApplication::setWindowIcon(TransistorIcon());
    PreloadFrameTexture();
    resize(Pixels(kClientWidthTwips), Pixels(kClientHeightTwips));
    // The fixed layout's own font, for every control that has none of its
    // own; the side windows and the message boxes, which are windows of their
    // own, keep the desktop's.
    setFont(UserInterfaceFont());

    const QFont courierNew = CourierNewFont();
    std::array<QWidget*, kControls.size()> widgets{};
    const auto build = [&](std::size_t i) {
        const Control& control = kControls[i];
        QWidget* container = this;
        if (control.container == Container::Frame1) container = Frame1;
        if (control.container == Container::Frame3) container = Frame3;
        QWidget* widget = control.make(*this, container, control);
        widget->setObjectName(QString::fromUtf8(control.name));
        widget->setGeometry(Pixels(control.left), Pixels(control.top), Pixels(control.width),
                            Pixels(control.height));
        if (control.face == Face::CourierNew) widget->setFont(courierNew);
        if (*control.accessibleName != '\0')
            widget->setAccessibleName(QString::fromUtf8(control.accessibleName));
        widgets[i] = widget;
    };
    // Controls on the window first, so that the frames exist before what they hold.
    for (std::size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].container == Container::Window) build(i);
    for (std::size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].container != Container::Window) build(i);

    // Tab order is table order; controls that take no focus stay out of the chain.
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (widget->focusPolicy() == Qt::NoFocus) continue;
        if (previous != nullptr) setTabOrder(previous, widget);
        previous = widget;
    }

    SetInputTips(*this);
    ConnectHandlers();
}

// A face chosen here rather than the system's: the layout is fixed, and the
// system's own sans-serif (DejaVu Sans, which Debian's desktop uses) is so wide
// that it cuts the last letter of "Semiconductor" off at Qt's default size,
// while a system without it may even answer with a monospace face. Liberation
// Sans comes in fonts-liberation with the face that stands in for Courier New,
// and has Arial's narrower metrics. In pixels, like CourierNewFont(); 12
// pixels is Qt's default 9 points at 96 dpi.
QFont UserInterfaceFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QIcon TransistorIcon() {
    QIcon icon;
    // A title bar's and a task bar's sizes, at single and double density;
    // others are scaled from the nearest. Each size is decoded and sent to
    // the window system as the window is created, so a larger one would cost
    // start-up time for little gain.
    for (const int size : {16, 32, 64}) {
        icon.addPixmap(
            QPixmap::fromImage(LoadRendering(QStringLiteral(":/images/icon-%1").arg(size))));
    }
    return icon;
}

}  // namespace ui
