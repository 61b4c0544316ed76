#include "ui/LoadLineWindow.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/EngineeringFormat.h"
#include "sim/Models.h"
#include "ui/LoadLineSpice.h"

namespace ui {
namespace {

constexpr int kPad = 6;
constexpr double kDotRadius = 4.5;
constexpr double kArrowLength = 16;

QString Shown(double value) { return QString::fromStdString(core::ShownNumber(value)); }

// Maps fractions of the drawn range to the widget's logical pixels.
class Plot {
public:
    explicit Plot(const QRectF& area) : area_(area) {}
    QPointF At(double x, double y) const {
        return {area_.left() + x * area_.width(), area_.bottom() - y * area_.height()};
    }
    const QRectF& area() const { return area_; }

private:
    QRectF area_;
};

// The drawn range inside the widget, leaving room for the labels around it.
// Its edges sit on pixel centres, so that one-pixel axes stay sharp at every
// whole device pixel ratio.
QRectF PlotArea(const QRect& bounds, const QFontMetrics& metrics, const QString& isatLabel) {
    const int left = std::max(metrics.horizontalAdvance(isatLabel),
                              metrics.horizontalAdvance(QStringLiteral("0"))) +
                     2 * kPad;
    const int right = metrics.horizontalAdvance(QStringLiteral("Vce (V)")) + 2 * kPad;
    const int top = metrics.height() + 2 * kPad;
    const int bottom = metrics.height() + 2 * kPad;
    return QRectF(bounds.left() + left + 0.5, bounds.top() + top + 0.5,
                  std::max(bounds.width() - left - right, 1),
                  std::max(bounds.height() - top - bottom, 1));
}

void DrawAxes(QPainter& painter, const Plot& plot, const QPalette& palette) {
    const QRectF& area = plot.area();
    painter.setPen(QPen(palette.color(QPalette::Text), 1));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.bottomLeft(), area.topLeft());
    const QFontMetrics metrics = painter.fontMetrics();
    painter.drawText(QPointF(area.right() + kPad, area.bottom() + metrics.ascent() / 2.0),
                     QStringLiteral("Vce (V)"));
    painter.drawText(QPointF(area.left() - metrics.horizontalAdvance(QStringLiteral("Ic")) / 2.0,
                             area.top() - kPad - metrics.descent()),
                     QStringLiteral("Ic (A)"));
    painter.drawText(QPointF(area.left() - kPad - metrics.horizontalAdvance(QStringLiteral("0")),
                             area.bottom() + kPad + metrics.ascent()),
                     QStringLiteral("0"));
}

// The line's ends, with a tick and its value on each axis.
void DrawEnds(QPainter& painter, const Plot& plot, const core::LoadLine& line) {
    const double end = 1 / core::kPlotReach;
    const QPointF onVce = plot.At(end, 0);
    const QPointF onIc = plot.At(0, end);
    painter.drawLine(onVce, onVce + QPointF(0, kPad / 2.0));
    painter.drawLine(onIc, onIc - QPointF(kPad / 2.0, 0));
    const QFontMetrics metrics = painter.fontMetrics();
    const QString vcc = Shown(line.Vcc);
    const QString isat = Shown(line.Isat);
    painter.drawText(QPointF(onVce.x() - metrics.horizontalAdvance(vcc) / 2.0,
                             onVce.y() + kPad + metrics.ascent()),
                     vcc);
    painter.drawText(QPointF(onIc.x() - kPad - metrics.horizontalAdvance(isat),
                             onIc.y() + (metrics.ascent() - metrics.descent()) / 2.0),
                     isat);
}

// An arrow whose tip is at `tip`, pointing along (dx, dy) in widget pixels.
void DrawArrow(QPainter& painter, const QPointF& tip, double dx, double dy) {
    const double length = std::hypot(dx, dy);
    const QPointF along(dx / length, dy / length);
    const QPointF across(-along.y(), along.x());
    const QPointF base = tip - along * kArrowLength;
    painter.drawLine(base, tip - along * 4.0);
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - along * 8.0 + across * 4.5);
    head.lineTo(tip - along * 8.0 - across * 4.5);
    head.closeSubpath();
    painter.fillPath(head, painter.pen().color());
}

// The Q point: a dot on the line, or an arrow at the edge towards a point
// outside the drawn range; its values beside it.
void DrawQPoint(QPainter& painter, const Plot& plot, const core::LoadLine& line,
                const QPalette& palette) {
    const core::PlotPlace place = core::PlaceQPoint(line);
    const QPointF at = plot.At(place.x, place.y);
    const QColor ink = palette.color(QPalette::Text);
    painter.setPen(QPen(ink, 2));
    if (place.inside()) {
        painter.setBrush(ink);
        painter.drawEllipse(at, kDotRadius, kDotRadius);
        painter.setBrush(Qt::NoBrush);
    } else {
        // Widget y grows downwards.
        DrawArrow(painter, at, place.beyondX, -place.beyondY);
    }

    const QString label = QStringLiteral("Q: %1 V, %2 A").arg(Shown(line.Vce), Shown(line.Ic));
    const QFontMetrics metrics = painter.fontMetrics();
    QRectF box(0, 0, metrics.horizontalAdvance(label) + kPad, metrics.height());
    // Above and to the right of the point, turned over where that leaves the
    // drawn range; an arrow keeps its label on the inner side.
    const double off = place.inside() ? kPad + kDotRadius : kArrowLength + kPad;
    box.moveBottomLeft(at + QPointF(off, -off / 2));
    if (box.right() > plot.area().right() || place.beyondX > 0) box.moveRight(at.x() - off);
    if (box.top() < plot.area().top() || place.beyondY > 0) box.moveTop(at.y() + off / 2);
    if (place.beyondY < 0) box.moveBottom(at.y() - off / 2);
    // Never cut off by the widget's own edges.
    const QRectF bounds = painter.window();
    // (Not std::clamp: a label wider than a narrow window would invert its bounds.)
    box.moveLeft(std::max(bounds.left(), std::min(box.left(), bounds.right() - box.width())));
    box.moveTop(std::max(bounds.top(), std::min(box.top(), bounds.bottom() - box.height())));
    QColor backing = palette.color(QPalette::Base);
    backing.setAlpha(220);
    painter.fillRect(box, backing);
    painter.setPen(ink);
    painter.drawText(box, Qt::AlignCenter, label);
}

}  // namespace

LoadLinePicture::LoadLinePicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LoadLinePicture"));
    setAccessibleName(QStringLiteral("Load line"));
    setMinimumSize(240, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Reachable from the keyboard, for its menu and for screen readers.
    setFocusPolicy(Qt::StrongFocus);
    SetLine(line_);
}

void LoadLinePicture::SetLine(const core::LoadLine& line) {
    line_ = line;
    Describe();
}

void LoadLinePicture::SetSpice(const std::optional<sim::Point>& point, const QString& part,
                               const std::string& description) {
    spicePoint_ = point;
    spicePart_ = part;
    spiceDescription_ = description;
    Describe();
}

void LoadLinePicture::Describe() {
    setAccessibleDescription(QString::fromStdString(core::Describe(line_) + spiceDescription_));
    update();
}

void LoadLinePicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::Base));
    const QString isat = line_.drawn ? Shown(line_.Isat) : QString();
    const Plot plot(PlotArea(rect(), fontMetrics(), isat));

    if (line_.drawn) {
        // The saturation strip, under everything else.
        QColor strip = colours.color(QPalette::Highlight);
        strip.setAlpha(80);
        painter.fillRect(QRectF(plot.At(0, 1), plot.At(core::StripFraction(line_), 0)), strip);
    }
    DrawAxes(painter, plot, colours);
    if (!line_.drawn) {
        painter.setPen(colours.color(QPalette::PlaceholderText));
        painter.drawText(plot.area(), Qt::AlignCenter, QStringLiteral("No load line"));
        return;
    }
    DrawEnds(painter, plot, line_);
    painter.setPen(QPen(colours.color(QPalette::Highlight), 2));
    const double end = 1 / core::kPlotReach;
    painter.drawLine(plot.At(end, 0), plot.At(0, end));
    DrawQPoint(painter, plot, line_, colours);
    if (spicePoint_) {
        // Placed on the drawn range as the calculated point is.
        core::LoadLine simulated = line_;
        simulated.Vce = spicePoint_->Vce;
        simulated.Ic = spicePoint_->Ic;
        const core::PlotPlace place = core::PlaceQPoint(simulated);
        DrawSpiceMarker(painter, plot.At(place.x, place.y), spicePart_, colours, rect());
    }
}

LoadLineWindow::LoadLineWindow(QWidget* owner)
    : QWidget(owner, Qt::Window),
      picture_(new LoadLinePicture(this)),
      sentence_(new QLabel(this)),
      part_(new QComboBox(this)),
      spiceSentence_(new QLabel(this)),
      spice_(new LoadLineSpice(this)) {
    setObjectName(QStringLiteral("LoadLineWindow"));
    setWindowTitle(QStringLiteral("Tindrel: Load Line"));
    sentence_->setObjectName(QStringLiteral("LoadLineSentence"));
    sentence_->setTextFormat(Qt::PlainText);
    sentence_->setWordWrap(true);
    sentence_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture_, 1);
    layout->addWidget(sentence_);

    part_->setObjectName(QStringLiteral("RealTransistor"));
    part_->addItem(tr("None"));
    for (std::string_view part : sim::kParts) part_->addItem(QString::fromUtf8(part));
    auto* partLabel = new QLabel(tr("&Real transistor:"), this);
    partLabel->setBuddy(part_);
    auto* partRow = new QHBoxLayout;
    partRow->addWidget(partLabel);
    partRow->addWidget(part_);
    partRow->addStretch(1);
    layout->addLayout(partRow);
    spiceSentence_->setObjectName(QStringLiteral("SpiceSentence"));
    spiceSentence_->setTextFormat(Qt::PlainText);
    spiceSentence_->setWordWrap(true);
    spiceSentence_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    spiceSentence_->hide();
    layout->addWidget(spiceSentence_);
    connect(part_, &QComboBox::currentIndexChanged, this, [this](int index) {
        spice_->SetPart(index > 0 ? part_->itemText(index).toStdString() : std::string());
    });
    connect(spice_, &LoadLineSpice::Changed, this, &LoadLineWindow::ShowSpice);
    SetLine(core::LoadLine{});
}

void LoadLineWindow::SetCalculation(const core::Calculation& calculation) {
    SetLine(core::MakeLoadLine(calculation));
    spice_->SetCalculation(calculation);
}

void LoadLineWindow::UseSpiceHelper(const QString& path, int answerMilliseconds) {
    spice_->UseHelper(path, answerMilliseconds);
}

void LoadLineWindow::ShowSpice() {
    // While a run is under way there is no point, and so no marker; the
    // picture draws none without a line either.
    const QString part = QString::fromStdString(spice_->part());
    picture_->SetSpice(spice_->Point(), part, spice_->Description());
    spiceSentence_->setText(QString::fromStdString(spice_->Sentence()));
    spiceSentence_->setVisible(spice_->Chosen());
}

void LoadLineWindow::showEvent(QShowEvent* event) {
    spice_->Resume();
    QWidget::showEvent(event);
}

void LoadLineWindow::closeEvent(QCloseEvent* event) {
    // The helper lives as long as the window is open.
    spice_->Stop();
    QWidget::closeEvent(event);
}

void LoadLineWindow::SetLine(const core::LoadLine& line) {
    picture_->SetLine(line);
    sentence_->setText(QString::fromStdString(core::RegionSentence(line)));
}

QImage LoadLineWindow::Picture() const { return picture_->grab().toImage(); }

bool LoadLineWindow::SavePicture(const QString& path, QString& error) const {
    // Written to a temporary file that replaces the old one only when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (!Picture().save(&file, "PNG")) {
        error = file.error() != QFileDevice::NoError
                    ? file.errorString()
                    : QStringLiteral("the image could not be written");
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void LoadLineWindow::contextMenuEvent(QContextMenuEvent* event) {
    ShowMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                         : picture_->mapToGlobal(QPoint(0, 0)));
    event->accept();
}

void LoadLineWindow::keyPressEvent(QKeyEvent* event) {
    // Shift+F10 opens the menu as the Menu key does; Escape closes the window.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        ShowMenu(picture_->mapToGlobal(QPoint(0, 0)));
    } else if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void LoadLineWindow::ShowMenu(const QPoint& globalPos) {
    QMenu menu(this);
    menu.addAction(tr("&Copy Picture"), this, &LoadLineWindow::CopyPicture);
    menu.addAction(tr("&Save Picture..."), this, &LoadLineWindow::AskAndSavePicture);
    menu.exec(globalPos);
}

void LoadLineWindow::CopyPicture() { QGuiApplication::clipboard()->setImage(Picture()); }

void LoadLineWindow::AskAndSavePicture() {
    QFileDialog dialog(this, tr("Save Picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(tr("PNG images (*.png)"));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    if (lastSaved_.isEmpty()) {
        dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
        dialog.selectFile(QStringLiteral("load-line.png"));
    } else {
        dialog.selectFile(lastSaved_);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();
    QString error;
    if (SavePicture(path, error)) {
        lastSaved_ = path;
        return;
    }
    QMessageBox box(QMessageBox::Warning, windowTitle(),
                    tr("The picture could not be saved as %1: %2.").arg(path, error),
                    QMessageBox::Ok, this);
    box.exec();
}

}  // namespace ui
