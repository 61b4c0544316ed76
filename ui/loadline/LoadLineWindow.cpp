#include "ui/loadline/LoadLineWindow.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/EngineeringFormat.h"
#include "sim/Models.h"
#include "ui/amplifier/AmplifierText.h"
#include "ui/loadline/LoadLineSpice.h"
#include "ui/loadline/SpreadForm.h"
#include "ui/session/StageSession.h"
#include "ui/table/TextTable.h"

namespace ui {
namespace {

constexpr int kPad = 6;
constexpr double kDotRadius = 4.5;
constexpr double kArrowLength = 16;
constexpr double kCornerMark = 3.5;
constexpr double kTickLength = 4;
// Room for a tick label, in digits, when choosing how many ticks fit.
constexpr char kTickRoom[] = "000.0";

QString Shown(double value) { return QString::fromStdString(core::ShownNumber(value)); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

// Maps fractions of the drawn range to the widget's logical pixels.
class Plot {
public:
    explicit Plot(const QRectF& area) : area_(area) {}
    QPointF At(double x, double y) const {
        return {area_.left() + x * area_.width(), area_.bottom() - y * area_.height()};
    }
    QPointF At(const core::PlotPlace& place) const { return At(place.x, place.y); }
    const QRectF& area() const { return area_; }

private:
    QRectF area_;
};

// The colours of the picture, from the palette; the two fixed hues are
// chosen for a light or a dark ground.
struct Inks {
    explicit Inks(const QPalette& palette)
        : ground(palette.color(QPalette::Base)),
          text(palette.color(QPalette::Text)),
          line(palette.color(QPalette::Highlight)) {
        const bool dark = ground.lightness() < 128;
        warning = dark ? QColor(255, 138, 101) : QColor(198, 40, 40);
        cloud = dark ? QColor(128, 222, 234) : QColor(0, 121, 107);
        grid = text;
        grid.setAlpha(40);
    }
    QColor Faint(QColor colour, int alpha) const {
        colour.setAlpha(alpha);
        return colour;
    }

    QColor ground, text, line, warning, cloud, grid;
};

// Text placed on the picture so far, so that no label is drawn over another:
// a label that would touch one already placed is left out.
class TextPlaces {
public:
    bool Take(const QRectF& box) {
        for (const QRectF& taken : taken_) {
            if (taken.intersects(box)) return false;
        }
        taken_.push_back(box);
        return true;
    }

private:
    std::vector<QRectF> taken_;
};

// One entry of the legend: its mark is drawn in a square of the text's height.
enum class Mark { QPoint, Corner, NotActive, Cloud };
struct LegendEntry {
    Mark mark;
    QString text;
    QRectF box;  // mark and text
};

// Everything around the drawn range, measured before drawing.
struct Frame {
    QRectF area;
    QString yTitle;
    QRectF yTitleBox;
    std::vector<LegendEntry> legend;
    core::Axis xAxis;
    core::Axis yAxis;
};

// The legend flows after the Ic axis's title in the top rows, wrapping to
// further rows where the width runs out; returns the rows it takes.
int LayOutLegend(std::vector<LegendEntry>& legend, const QFontMetrics& metrics, const QRect& bounds,
                 double firstRowStart) {
    const double rowHeight = metrics.height();
    const double gap = 2 * kPad;
    double x = firstRowStart + gap;
    int row = 0;
    for (LegendEntry& entry : legend) {
        const double width = rowHeight + kPad / 2.0 + metrics.horizontalAdvance(entry.text);
        if (x + width > bounds.right() - kPad && x > bounds.left() + kPad) {
            ++row;
            x = bounds.left() + kPad;
        }
        entry.box = QRectF(x, bounds.top() + kPad + row * rowHeight, width, rowHeight);
        x += width + gap;
    }
    return row + 1;
}

Frame MeasureFrame(const QRect& bounds, const QFontMetrics& metrics, const core::LoadLine& line,
                   bool withSpread) {
    Frame frame;
    const int rowHeight = metrics.height();
    if (line.drawn) {
        const int tall = std::max(bounds.height() - 4 * rowHeight, rowHeight);
        frame.yAxis = core::MakeAxis(line.Isat, "A", std::max(1, tall / (3 * rowHeight)));
        frame.legend.push_back({Mark::QPoint, QStringLiteral("Q point"), {}});
        if (withSpread) {
            frame.legend.push_back({Mark::Corner, QStringLiteral("Corner"), {}});
            frame.legend.push_back({Mark::NotActive, QStringLiteral("Not active"), {}});
            frame.legend.push_back({Mark::Cloud, QStringLiteral("Monte Carlo"), {}});
        }
    } else {
        frame.yAxis.unit = "A";
    }
    frame.yTitle = QStringLiteral("Ic (%1)").arg(Q(frame.yAxis.unit));
    frame.yTitleBox = QRectF(bounds.left() + kPad, bounds.top() + kPad,
                             metrics.horizontalAdvance(frame.yTitle), rowHeight);
    const int rows = LayOutLegend(frame.legend, metrics, bounds, frame.yTitleBox.right());

    int labelWidth = metrics.horizontalAdvance(QStringLiteral("0"));
    for (const core::AxisTick& tick : frame.yAxis.ticks) {
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(Q(tick.label)));
    }
    const int left = labelWidth + 2 * kPad;
    // Room for the Vce axis's title with its prefix ("Vce (mV)"), which does
    // not depend on how many ticks fit.
    const std::string xUnit = line.drawn ? core::MakeAxis(line.Vcc, "V", 1).unit : "V";
    const int right =
        metrics.horizontalAdvance(QStringLiteral("Vce (%1)").arg(Q(xUnit))) + 2 * kPad;
    // Half a row more, for the top tick's label that stands out above the range.
    const int top = rows * rowHeight + kPad + rowHeight / 2 + kPad;
    const int bottom = rowHeight + 2 * kPad;
    // Its edges sit on pixel centres, so that one-pixel lines stay sharp at
    // every whole device pixel ratio.
    frame.area = QRectF(bounds.left() + left + 0.5, bounds.top() + top + 0.5,
                        std::max(bounds.width() - left - right, 1),
                        std::max(bounds.height() - top - bottom, 1));
    if (line.drawn) {
        const int room = metrics.horizontalAdvance(QLatin1String(kTickRoom)) + 2 * kPad;
        const int most = std::max(1, static_cast<int>(frame.area.width()) / room);
        frame.xAxis = core::MakeAxis(line.Vcc, "V", most);
    } else {
        frame.xAxis.unit = "V";
    }
    return frame;
}

// A coordinate on the centre of its pixel, for sharp one-pixel lines.
double Sharp(double coordinate) { return std::floor(coordinate) + 0.5; }

void DrawGrid(QPainter& painter, const Plot& plot, const Frame& frame, const Inks& inks) {
    const QRectF& area = plot.area();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(inks.grid, 1));
    for (const core::AxisTick& tick : frame.xAxis.ticks) {
        if (tick.fraction <= 0) continue;
        const double x = Sharp(plot.At(tick.fraction, 0).x());
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    for (const core::AxisTick& tick : frame.yAxis.ticks) {
        if (tick.fraction <= 0) continue;
        const double y = Sharp(plot.At(0, tick.fraction).y());
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    painter.restore();
}

void DrawAxes(QPainter& painter, const Plot& plot, const Frame& frame, const Inks& inks,
              TextPlaces& places) {
    const QRectF& area = plot.area();
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(QPen(inks.text, 1));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.bottomLeft(), area.topLeft());

    const QString xTitle = QStringLiteral("Vce (%1)").arg(Q(frame.xAxis.unit));
    const QRectF xTitleBox(area.right() + kPad, area.bottom() - metrics.height() / 2.0,
                           metrics.horizontalAdvance(xTitle), metrics.height());
    for (const auto& [box, text] :
         {std::pair{frame.yTitleBox, frame.yTitle}, {xTitleBox, xTitle}}) {
        places.Take(box);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    for (const core::AxisTick& tick : frame.xAxis.ticks) {
        const QPointF at = plot.At(tick.fraction, 0);
        painter.drawLine(at, at + QPointF(0, kTickLength));
        const QString label = Q(tick.label);
        const double width = metrics.horizontalAdvance(label);
        const QRectF box(at.x() - width / 2, at.y() + kPad, width, metrics.height());
        if (places.Take(box)) painter.drawText(box, Qt::AlignCenter, label);
    }
    for (const core::AxisTick& tick : frame.yAxis.ticks) {
        const QPointF at = plot.At(0, tick.fraction);
        painter.drawLine(at, at - QPointF(kTickLength, 0));
        const QString label = Q(tick.label);
        const double width = metrics.horizontalAdvance(label);
        const QRectF box(at.x() - kPad - width, at.y() - metrics.height() / 2.0, width,
                         metrics.height());
        if (places.Take(box)) painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, label);
    }
}

void DrawCornerMark(QPainter& painter, const QPointF& at, const QColor& colour) {
    painter.setPen(QPen(colour, 1.5));
    painter.drawLine(at + QPointF(-kCornerMark, -kCornerMark),
                     at + QPointF(kCornerMark, kCornerMark));
    painter.drawLine(at + QPointF(-kCornerMark, kCornerMark),
                     at + QPointF(kCornerMark, -kCornerMark));
}

void DrawMark(QPainter& painter, Mark mark, const QPointF& at, const Inks& inks) {
    switch (mark) {
        case Mark::QPoint:
            painter.setPen(Qt::NoPen);
            painter.setBrush(inks.text);
            painter.drawEllipse(at, kDotRadius - 1, kDotRadius - 1);
            painter.setBrush(Qt::NoBrush);
            break;
        case Mark::Corner:
            DrawCornerMark(painter, at, inks.text);
            break;
        case Mark::NotActive:
            DrawCornerMark(painter, at, inks.warning);
            break;
        case Mark::Cloud:
            painter.fillRect(QRectF(at - QPointF(3, 3), QSizeF(6, 6)), inks.Faint(inks.cloud, 160));
            break;
    }
}

void DrawLegend(QPainter& painter, const Frame& frame, const Inks& inks, TextPlaces& places) {
    for (const LegendEntry& entry : frame.legend) {
        if (!places.Take(entry.box)) continue;
        const double h = entry.box.height();
        DrawMark(painter, entry.mark, entry.box.topLeft() + QPointF(h / 2, h / 2), inks);
        painter.setPen(inks.text);
        painter.drawText(entry.box.adjusted(h + kPad / 2.0, 0, 0, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, entry.text);
    }
}

// The cloud as one image over the drawn range: each sample a dot two pixels
// wide, and each pixel as opaque as that many semi-transparent dots laid
// over each other. Ten thousand dots drawn one by one would take longer than
// a frame.
void PaintCloud(QImage& image, std::vector<std::uint16_t>& hits, const QRectF& area, double ratio,
                const core::LoadLine& line, const core::Spread& spread, const QColor& colour) {
    const int width = static_cast<int>(std::ceil(area.width() * ratio)) + 1;
    const int height = static_cast<int>(std::ceil(area.height() * ratio)) + 1;
    if (image.size() != QSize(width, height)) {
        image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    }
    image.setDevicePixelRatio(ratio);
    hits.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    const int dot = std::max(1, static_cast<int>(std::lround(2 * ratio)));
    for (const core::SpreadPoint& p : spread.samples) {
        const core::PlotPlace place = core::PlacePoint(line, p.Vce, p.Ic);
        const int x0 =
            std::clamp(static_cast<int>(place.x * (width - 1)) - dot / 2, 0, width - dot);
        const int y0 =
            std::clamp(static_cast<int>((1 - place.y) * (height - 1)) - dot / 2, 0, height - dot);
        for (int y = y0; y < y0 + dot; ++y) {
            std::uint16_t* row = hits.data() + static_cast<std::size_t>(y) * width;
            for (int x = x0; x < x0 + dot; ++x) row[x] += row[x] < UINT16_MAX;
        }
    }
    // 1 - (1 - a)^n for n dots of opacity a, by n; enough of them are opaque.
    constexpr int kLevels = 64;
    constexpr double kDotAlpha = 50 / 255.0;
    std::array<QRgb, kLevels + 1> shade{};
    for (int n = 0; n <= kLevels; ++n) {
        QColor c = colour;
        c.setAlphaF(static_cast<float>(1 - std::pow(1 - kDotAlpha, n)));
        shade[static_cast<std::size_t>(n)] = qPremultiply(c.rgba());
    }
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint16_t* row = hits.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) out[x] = shade[std::min<int>(row[x], kLevels)];
    }
}

// The cloud under the corners' rectangle and marks; every place is pulled
// into the drawn range as the Q point's is.
void DrawSpread(QPainter& painter, const Plot& plot, const core::LoadLine& line,
                const core::Spread& spread, const Inks& inks, QImage& cloud,
                std::vector<std::uint16_t>& hits) {
    const double ratio = painter.device()->devicePixelRatioF();
    PaintCloud(cloud, hits, plot.area(), ratio, line, spread, inks.cloud);
    painter.drawImage(plot.area().topLeft(), cloud);

    const QRectF box(plot.At(core::PlacePoint(line, spread.vceLow, spread.icHigh)),
                     plot.At(core::PlacePoint(line, spread.vceHigh, spread.icLow)));
    painter.setPen(QPen(inks.Faint(inks.text, 110), 1, Qt::DashLine));
    painter.setBrush(inks.Faint(inks.text, 14));
    painter.drawRect(box.normalized());
    painter.setBrush(Qt::NoBrush);
    for (const core::SpreadPoint& p : spread.cornerPoints) {
        const QPointF at = plot.At(core::PlacePoint(line, p.Vce, p.Ic));
        DrawCornerMark(painter, at, p.region == core::Region::Active ? inks.text : inks.warning);
    }
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

// Moves `box` by as little as it takes to lie within `bounds`, where it fits.
void KeepWithin(QRectF& box, const QRectF& bounds) {
    // (Not std::clamp: a box wider than the bounds would invert its limits.)
    box.moveLeft(std::max(bounds.left(), std::min(box.left(), bounds.right() - box.width())));
    box.moveTop(std::max(bounds.top(), std::min(box.top(), bounds.bottom() - box.height())));
}

// The Q point: a dot on the line, or an arrow at the edge towards a point
// outside the drawn range; its values beside it.
void DrawQPoint(QPainter& painter, const Plot& plot, const core::LoadLine& line, const Inks& inks) {
    const core::PlotPlace place = core::PlaceQPoint(line);
    const QPointF at = plot.At(place);
    painter.setPen(QPen(inks.text, 2));
    if (place.inside()) {
        painter.setBrush(inks.text);
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
    // Inside the drawn range, clear of the labels around it; never cut off by
    // the widget's own edges.
    KeepWithin(box, plot.area());
    KeepWithin(box, painter.window());
    painter.fillRect(box, inks.Faint(inks.ground, 220));
    painter.setPen(inks.text);
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
}

void LoadLinePicture::SetLine(const core::LoadLine& line, const core::Spread* spread) {
    line_ = line;
    spread_ = spread;
    update();
}

void LoadLinePicture::SetSpice(const std::optional<sim::Point>& point, const QString& part) {
    spicePoint_ = point;
    spicePart_ = part;
    update();
}

void LoadLinePicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Inks inks(palette());
    painter.fillRect(rect(), inks.ground);
    const bool withSpread = line_.drawn && spread_ != nullptr && spread_->ok;
    const Frame frame = MeasureFrame(rect(), fontMetrics(), line_, withSpread);
    const Plot plot(frame.area);
    TextPlaces places;

    if (line_.drawn) {
        // The saturation strip, under everything else.
        painter.fillRect(QRectF(plot.At(0, 1), plot.At(core::StripFraction(line_), 0)),
                         inks.Faint(inks.line, 80));
        DrawGrid(painter, plot, frame, inks);
    }
    DrawAxes(painter, plot, frame, inks, places);
    if (!line_.drawn) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(plot.area(), Qt::AlignCenter, QStringLiteral("No load line"));
        return;
    }
    if (withSpread) DrawSpread(painter, plot, line_, *spread_, inks, cloud_, hits_);
    painter.setPen(QPen(inks.line, 2));
    const double end = 1 / core::kPlotReach;
    painter.drawLine(plot.At(end, 0), plot.At(0, end));
    DrawQPoint(painter, plot, line_, inks);
    if (spicePoint_) {
        DrawSpiceMarker(painter,
                        plot.At(core::PlacePoint(line_, spicePoint_->Vce, spicePoint_->Ic)),
                        spicePart_, palette(), rect());
    }
    DrawLegend(painter, frame, inks, places);
}

LoadLineWindow::LoadLineWindow(QWidget* owner, StageSession* session)
    : QWidget(owner, Qt::Window),
      picture_(new LoadLinePicture(this)),
      grid_(new QGridLayout(this)),
      groups_(new QVBoxLayout),
      sentences_(new QVBoxLayout),
      session_(session) {
    setObjectName(QStringLiteral("LoadLineWindow"));
    setWindowTitle(QStringLiteral("Tindrel: Load Line"));
    // The picture takes what the column of inputs and the sentences leave.
    grid_->addWidget(picture_, 0, 0);
    grid_->addLayout(groups_, 0, 1);
    grid_->addLayout(sentences_, 1, 0, 1, 2);
    grid_->setColumnStretch(0, 1);
    grid_->setRowStretch(0, 1);
    groups_->addWidget(new SpreadForm(session_, this));
    table_ = new TextTable(this);
    table_->setObjectName(QStringLiteral("SpreadTable"));
    table_->setAccessibleName(QStringLiteral("Spread table"));
    groups_->addWidget(table_);
    groups_->addWidget(MakeSpiceGroup());
    groups_->addStretch(1);
    sentence_ = AddSentence(QStringLiteral("LoadLineSentence"));
    spreadSentence_ = AddSentence(QStringLiteral("SpreadSentence"));
    spiceSentence_ = AddSentence(QStringLiteral("SpiceSentence"));
    auto* design = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    connect(design, &QShortcut::activated, session_, &StageSession::AskForDesign);
    auto* amplifier = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(amplifier, &QShortcut::activated, session_, &StageSession::AskForAmplifier);

    connect(session_, &StageSession::CalculationChanged, this, &LoadLineWindow::FollowCalculation);
    connect(session_, &StageSession::AmplifierChanged, this, &LoadLineWindow::ShowSpice);
    connect(session_, &StageSession::SpreadSettingsChanged, this,
            &LoadLineWindow::FollowSpreadSettings);
    if (session_->LastCalculation()) {
        FollowCalculation(*session_->LastCalculation());
    } else {
        UpdateSpread();
        ShowAll();
    }
}

QWidget* LoadLineWindow::MakeSpiceGroup() {
    spice_ = new LoadLineSpice(this);
    connect(spice_, &LoadLineSpice::Changed, this, &LoadLineWindow::ShowSpice);
    auto* group = new QGroupBox(tr("SPICE"), this);
    auto* form = new QFormLayout(group);
    part_ = new QComboBox(group);
    part_->setObjectName(QStringLiteral("RealTransistor"));
    part_->setAccessibleName(QStringLiteral("Real transistor"));
    part_->addItem(tr("None"));
    for (std::string_view part : sim::kParts) part_->addItem(QString::fromUtf8(part));
    const auto showPart = [this](const std::string& part) {
        const int index = part.empty() ? 0 : part_->findText(Q(part));
        if (index >= 0) part_->setCurrentIndex(index);
        spice_->SetPart(part);
    };
    showPart(session_->Part());
    connect(part_, &QComboBox::currentIndexChanged, this, [this](int index) {
        session_->SetPart(index > 0 ? part_->itemText(index).toStdString() : std::string());
    });
    connect(session_, &StageSession::PartChanged, this, showPart);
    form->addRow(tr("Real transistor"), part_);
    return group;
}

QLabel* LoadLineWindow::AddSentence(const QString& objectName) {
    auto* label = new QLabel(this);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sentences_->addWidget(label);
    return label;
}

void LoadLineWindow::FollowCalculation(const core::Calculation& calculation) {
    line_ = core::MakeLoadLine(calculation);
    spice_->SetCalculation(calculation);
    UpdateSpread();
    ShowAll();
}

void LoadLineWindow::FollowSpreadSettings() {
    // A Calculate that moves the hFE ends has computed the spread with them.
    if (session_->SpreadSettings() != spreadSettings_) {
        UpdateSpread();
        ShowAll();
    }
    emit SpreadSettingsChanged();
}

const core::SpreadSettings& LoadLineWindow::SpreadSettings() const {
    return session_->SpreadSettings();
}

void LoadLineWindow::UpdateSpread() {
    spreadSettings_ = session_->SpreadSettings();
    const auto& calculation = session_->LastCalculation();
    if (calculation) core::ComputeSpread(*calculation, spreadSettings_, spread_);
}

void LoadLineWindow::ShowAll() {
    picture_->SetLine(line_, &spread_);
    sentence_->setText(Q(core::RegionSentence(line_)));
    const auto& calculation = session_->LastCalculation();
    // Before the first Calculate the region sentence says all there is.
    spreadSentence_->setVisible(calculation.has_value());
    spreadSentence_->setText(Q(core::SpreadSentence(spread_, spreadSettings_)));
    std::vector<core::SpreadTableRow> rows =
        core::SpreadTable(spread_, calculation ? calculation->outcome.point : core::BiasPoint{});
    if (!calculation) {
        for (std::size_t i = 1; i < rows.size(); ++i) rows[i][2].clear();
    }
    TextTable::Rows cells;
    for (const core::SpreadTableRow& row : rows) cells.emplace_back(row.begin(), row.end());
    table_->SetRows(cells);
    ShowSpice();
}

void LoadLineWindow::ShowSpice() {
    // While a run is under way there is no point, and so no marker.
    picture_->SetSpice(spice_->Point(), Q(spice_->part()));
    // The description is made of parts: the load line's, the spread's, then
    // the simulation's.
    // The AC load line's once the amplifier window has opened.
    QString ac;
    if (session_->AmplifierOpened()) {
        const core::AmplifierAnalysis amplifier = session_->AnalyseAmplifier();
        if (amplifier.ok()) ac = AcLoadLineDescription(amplifier.figures);
    }
    picture_->setAccessibleDescription(Q(core::Describe(line_)) + ac +
                                       Q(core::DescribeSpread(spread_) + spice_->Description()));
    spiceSentence_->setText(Q(spice_->Sentence()));
    spiceSentence_->setVisible(spice_->Chosen());
}

void LoadLineWindow::UseSpiceHelper(const QString& path, int answerMilliseconds) {
    spice_->UseHelper(path, answerMilliseconds);
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
    menu.addSeparator();
    menu.addAction(tr("&Design from a Target..."), session_, &StageSession::AskForDesign)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    menu.addAction(tr("A&mplifier (AC)..."), session_, &StageSession::AskForAmplifier)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
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
